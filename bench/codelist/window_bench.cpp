// Opening a large code list in the real registration window: load into its list model,
// first paint, the paint of each scroll step, and opening the first row's code view (its
// picture and run list made, the window shown and painted). Median of repeated runs, offscreen.
//   window_bench <code-list.csv> [repeats]
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/code_view_window.h"
#include "app/register_main.h"
#include "core/formats/code_list_file.h"

namespace {

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Milliseconds(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <code-list.csv> [repeats]\n", argv[0]);
    return 2;
  }
  const std::string file = argv[1];
  const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
  QTemporaryDir dir;

  std::vector<double> load_ms, first_paint_ms, view_ms, scroll_paint_ms, save_ms;
  for (int run = 0; run < repeats; ++run) {
    brisvel::TRegisterForm form(brisvel::RegisterFormEnvironment{
        {dir.filePath("brisvel.ini").toStdString(), [] { return std::vector<brisvel::SerialPortInfo>{{"/dev/ttyS0", "ttyS0", ""}}; }, 30000,
         dir.filePath("state").toStdString()},
        nullptr});
    form.show();
    QElapsedTimer timer;
    timer.start();
    form.commands().list().replaceAll(brisvel::LoadCodeListFile(file).entries);
    load_ms.push_back(Milliseconds(timer));
    timer.restart();
    form.grab();
    first_paint_ms.push_back(Milliseconds(timer));

    form.DataListView->setCurrentIndex(form.DataListView->model()->index(0, 0));
    timer.restart();
    form.ViewAction->trigger();
    form.codeView()->grab();
    view_ms.push_back(Milliseconds(timer));

    QScrollBar* bar = form.DataListView->verticalScrollBar();
    for (int step = 1; step <= 20; ++step) {
      bar->setValue(bar->maximum() * step / 20);
      timer.restart();
      form.DataListView->viewport()->grab();
      scroll_paint_ms.push_back(Milliseconds(timer));
    }
    timer.restart();
    brisvel::SaveCodeListFile(dir.filePath("again.csv").toStdString(), form.commands().list().entries());
    save_ms.push_back(Milliseconds(timer));
  }
  std::printf("window: load into list %.1f ms, first paint %.1f ms, open code view %.1f ms, paint per scroll step %.2f ms, save %.1f ms"
              " (medians of %d runs)\n",
              Median(load_ms), Median(first_paint_ms), Median(view_ms), Median(scroll_paint_ms), Median(save_ms), repeats);
  return 0;
}

// Renders the window's icon into an icon-theme tree for installation: PNGs in the sizes
// desktops ask for and a scalable SVG, all from the same drawing as the window's icon.
//   brisvel-icon-render OUTPUT_FOLDER APP_ID
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <cstdio>

#include "app/form_style.h"

namespace {

constexpr int kSizes[] = {16, 32, 48, 64, 128, 256};

QString AppsFolder(const QString& root, const QString& size) {
  const QString folder = root + "/hicolor/" + size + "/apps";
  QDir().mkpath(folder);
  return folder;
}

bool RenderPng(const QString& root, const QString& id, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.scale(double(size) / brisvel::kFormIconSize, double(size) / brisvel::kFormIconSize);
    brisvel::PaintFormIcon(painter);
  }
  const QString sized = QString::number(size);
  return image.save(AppsFolder(root, sized + "x" + sized) + "/" + id + ".png");
}

void RenderSvg(const QString& root, const QString& id) {
  QSvgGenerator svg;
  svg.setFileName(AppsFolder(root, "scalable") + "/" + id + ".svg");
  svg.setSize({brisvel::kFormIconSize, brisvel::kFormIconSize});
  svg.setViewBox(QRect(0, 0, brisvel::kFormIconSize, brisvel::kFormIconSize));
  svg.setTitle("BrisvelRemo");
  QPainter painter(&svg);
  brisvel::PaintFormIcon(painter);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: brisvel-icon-render OUTPUT_FOLDER APP_ID\n");
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]);
  const QString id = QString::fromLocal8Bit(argv[2]);
  for (int size : kSizes) {
    if (!RenderPng(root, id, size)) {
      std::fprintf(stderr, "brisvel-icon-render: cannot write the %d pixel icon\n", size);
      return 1;
    }
  }
  RenderSvg(root, id);
  return 0;
}

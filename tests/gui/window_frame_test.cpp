// Every window's frame as the X server holds it for the window manager: the caption
// (_NET_WM_NAME, where the platform may add to the widget's title), the title-bar controls
// (_MOTIF_WM_HINTS) and the application name a task bar shows (WM_CLASS).
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <functional>
#include <set>

#include "app/prompts.h"
#include "app/register_main.h"
#include "app/remocondata_receive.h"
#include "app/ui_notifications.h"
#include "form_environment.h"

namespace brisvel {
namespace {

constexpr int kPatienceMs = 5000;

xcb_connection_t* Connection() {
  return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// The property's bytes, or nothing when the window has none.
QByteArray Property(QWidget& window, const char* name) {
  xcb_connection_t* x = Connection();
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(x, xcb_intern_atom(x, true, static_cast<uint16_t>(strlen(name)), name), nullptr);
  if (!atom) return {};
  const auto id = static_cast<xcb_window_t>(window.winId());
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      x, xcb_get_property(x, false, id, atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
  free(atom);
  if (!reply) return {};
  QByteArray bytes(static_cast<const char*>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply));
  free(reply);
  return bytes;
}

// The title-bar controls _MOTIF_WM_HINTS asks of the window manager, in title-bar order.
std::string TitleBarControls(QWidget& window) {
  enum : uint32_t { kFunctionsGiven = 1, kDecorationsGiven = 2 };
  enum : uint32_t { kFuncAll = 1, kFuncMinimise = 8, kFuncMaximise = 16, kFuncClose = 32 };
  enum : uint32_t { kDecorAll = 1, kDecorMenu = 16, kDecorMinimise = 32, kDecorMaximise = 64 };
  const QByteArray bytes = Property(window, "_MOTIF_WM_HINTS");
  if (bytes.size() < 3 * 4) return "no hints";
  const auto* hints = reinterpret_cast<const uint32_t*>(bytes.constData());
  const uint32_t functions = (hints[0] & kFunctionsGiven) ? hints[1] : kFuncAll;
  const uint32_t decorations = (hints[0] & kDecorationsGiven) ? hints[2] : kDecorAll;
  // With the "all" bit set, the bits listed are the ones left out.
  auto has = [](uint32_t set, uint32_t all, uint32_t bit) { return (set & all) ? !(set & bit) : (set & bit) != 0; };
  QStringList controls;
  if (has(decorations, kDecorAll, kDecorMenu)) controls << "menu";
  if (has(decorations, kDecorAll, kDecorMinimise) || has(functions, kFuncAll, kFuncMinimise)) controls << "minimise";
  if (has(decorations, kDecorAll, kDecorMaximise) || has(functions, kFuncAll, kFuncMaximise)) controls << "maximise";
  if (has(functions, kFuncAll, kFuncClose)) controls << "close";
  return controls.join(' ').toStdString();
}

// WM_CLASS holds the instance name and then the class name, each ending in a NUL.
std::string ClassName(QWidget& window) { return Property(window, "WM_CLASS").split('\0').value(1).toStdString(); }

struct Frame {
  std::string caption;
  std::string controls;
  std::string class_name;
};

std::set<QWidget*> VisibleWindows() {
  std::set<QWidget*> windows;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && !(w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip)) windows.insert(w);
  }
  return windows;
}

// Runs open, which shows one new window (and, for a modal one, returns once it has
// closed), reads that window's frame from the X server and closes it.
std::optional<Frame> FrameOfWindowOpenedBy(const std::function<void()>& open) {
  const std::set<QWidget*> before = VisibleWindows();
  std::optional<Frame> frame;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    for (QWidget* w : VisibleWindows()) {
      if (before.count(w) || !w->windowHandle() || !w->windowHandle()->isExposed()) continue;
      watch.stop();
      frame = Frame{Property(*w, "_NET_WM_NAME").toStdString(), TitleBarControls(*w), ClassName(*w)};
      w->close();
      return;
    }
  });
  watch.start(10);
  open();
  (void)QTest::qWaitFor([&] { return !watch.isActive(); }, kPatienceMs);
  return frame;
}

struct WindowCase {
  const char* label;
  std::string caption;
};

TEST(WindowFrame, CaptionsExactlyAsDesignedAndNoMinimiseOrMaximise) {
  QTemporaryDir dir;
  TRegisterForm form(testing_support::FormEnvironment(dir));
  form.COMCombo->setCurrentText("/dev/ttyS0");
  TReceiveForm receive(MakeUiNotificationWindow);

  const std::pair<WindowCase, std::function<void()>> cases[] = {
      {{"registration window", "リモコンデータ登録"}, [&] { form.show(); }},
      {{"name dialog of Add", "リモコンデータ登録"}, [&] { form.AddButton->click(); }},
      {{"receive dialog", "リモコン受信"}, [&] { receive.exec(); }},
      {{"error dialog", "エラー"}, [] { prompts().showError("error -- open"); }},
      {{"default error box", "BrisvelRemo"}, [] { prompts().showDefaultError("error -- read"); }},
      {{"unsaved-changes question", "リモコンデータ登録"},
       [&] { prompts().askChoice(&form, "リモコンデータ登録", "?", {"保存", "破棄", "キャンセル"}, 0, 2); }},
  };
  for (const auto& [window, open] : cases) {
    SCOPED_TRACE(window.label);
    const std::optional<Frame> frame = FrameOfWindowOpenedBy(open);
    ASSERT_TRUE(frame) << "no window opened";
    EXPECT_EQ(frame->caption, window.caption);
    EXPECT_EQ(frame->controls, "menu close");
    EXPECT_EQ(frame->class_name, "BrisvelRemo");
  }
}

}  // namespace
}  // namespace brisvel

// The receive dialog's keys, pressed through its window as a keyboard does: Cancel is its
// only control that takes the focus, so Enter and Space press it, while Esc must not end
// a capture.
#include "app/remocondata_receive.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/ui_notifications.h"

namespace brisvel {
namespace {

constexpr int kPatienceMs = 5000;

struct KeyCase {
  const char* label;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  bool ends_with_cancel;
};

TEST(ReceiveDialog, EnterAndSpacePressCancelEscDoesNothing) {
  const KeyCase cases[] = {
      {"Return", Qt::Key_Return, Qt::NoModifier, true},
      {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, true},
      {"Space", Qt::Key_Space, Qt::NoModifier, true},
      {"Esc", Qt::Key_Escape, Qt::NoModifier, false},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.label);
    TReceiveForm dialog(MakeUiNotificationWindow);
    bool focused = false;
    bool up_after_key = true;
    QTimer::singleShot(0, [&] {
      // A window manager focuses a new modal dialog; the offscreen platform needs asking.
      dialog.activateWindow();
      focused = QTest::qWaitFor([&] { return QApplication::focusWidget() == dialog.CancelButton; }, kPatienceMs);
      QTest::keyClick(dialog.windowHandle(), c.key, c.modifiers);
      up_after_key = dialog.isVisible();
      dialog.close();  // ends the dialog the key left up
    });
    const int result = dialog.exec();
    ASSERT_TRUE(focused);
    EXPECT_EQ(!up_after_key, c.ends_with_cancel);
    EXPECT_EQ(result, QDialog::Rejected);
  }
}

}  // namespace
}  // namespace brisvel

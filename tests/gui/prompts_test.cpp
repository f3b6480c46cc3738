#include "app/prompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/errors.h"
#include "scripted_prompts.h"

namespace brisvel {
namespace {

// QTest::keyClicks handles only ASCII; a key event carrying text types anything.
void Type(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
  }
}

TEST(ErrorDialog, ShowsAmpersandsAsWindowsDoes) {
  EXPECT_EQ(MnemonicTextToHtml("a&&b"), "a&amp;b");
  EXPECT_EQ(MnemonicTextToHtml("&Save"), "<u>S</u>ave");
  EXPECT_EQ(MnemonicTextToHtml("x < y"), "x &lt; y");
  EXPECT_EQ(MnemonicTextToHtml("end&"), "end");
}

TEST(ErrorDialog, CaptionTextAndKeys) {
  for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
    ErrorDialog dialog("error -- open");
    EXPECT_EQ(dialog.windowTitle(), "エラー");
    EXPECT_EQ(dialog.shownText(), "error -- open");
    dialog.show();
    QTest::keyClick(&dialog, static_cast<Qt::Key>(key));
    EXPECT_FALSE(dialog.isVisible()) << key;
  }
}

TEST(InputQueryDialog, LimitsShiftJisBytesNotCharacters) {
  InputQueryDialog dialog("caption", "prompt", "", 4);
  auto* edit = dialog.findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);
  dialog.show();
  Type(edit, "テレビ");  // 6 bytes: the third character does not fit
  EXPECT_EQ(dialog.value(), "テレ");
  QTest::keyClicks(edit, "a");  // 5 bytes
  EXPECT_EQ(dialog.value(), "テレ");
}

TEST(InputQueryDialog, KeepsTextAsTypedAndCancelsOnEscape) {
  InputQueryDialog dialog("caption", "prompt", "", 255);
  auto* edit = dialog.findChild<QLineEdit*>();
  dialog.show();
  QTest::keyClicks(edit, "  spaced  ");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.value(), "  spaced  ");

  InputQueryDialog cancelled("caption", "prompt", "", 255);
  cancelled.show();
  QTest::keyClick(cancelled.findChild<QLineEdit*>(), Qt::Key_Escape);
  EXPECT_EQ(cancelled.result(), QDialog::Rejected);
}

}  // namespace
}  // namespace brisvel

namespace brisvel {
namespace {

class ThrowingObject : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw UserError("error -- read");
    return QObject::event(e);
  }
};

TEST(Application, ErrorEscapingAHandlerIsShownAndTheToolCarriesOn) {
  testing_support::ScriptedPrompts prompts;
  ThrowingObject object;
  QEvent event(QEvent::User);
  QApplication::sendEvent(&object, &event);
  QApplication::sendEvent(&object, &event);
  EXPECT_EQ(prompts.default_errors, (QStringList{"error -- read", "error -- read"}));
}

}  // namespace
}  // namespace brisvel

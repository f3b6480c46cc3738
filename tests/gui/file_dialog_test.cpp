// The registration window's file dialogs as the user meets them: Qt's own dialog, a path
// typed into its name box, Enter, then the next click on the window. Nothing is scripted.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <functional>

#include "app/register_main.h"
#include "form_environment.h"

namespace brisvel {
namespace {

constexpr int kPatienceMs = 5000;

class FileDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    previous_dir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QDir(dir.path()).mkdir("remocon");
    std::ofstream(file.toStdString(), std::ios::binary) << "\"a\",\"00\"\r\n";
  }
  void TearDown() override { QDir::setCurrent(previous_dir); }

  // Clicks the button the way a mouse does, through the window, so that an open popup
  // sees the click first. When the click opens the dialog, runs while_open in it.
  bool ClickOpens(QPushButton* button, QFileDialog* dialog, const std::function<void()>& while_open) {
    bool opened = false;
    QTimer watch;
    watch.setSingleShot(true);
    QObject::connect(&watch, &QTimer::timeout, [&] {
      opened = QTest::qWaitFor([&] { return dialog->isVisible(); }, kPatienceMs);
      if (opened) while_open();
    });
    watch.start(0);
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, button->mapTo(&form, button->rect().center()));
    (void)QTest::qWaitFor([&] { return !watch.isActive(); }, kPatienceMs);  // a lost click leaves it pending
    return opened;
  }

  QTemporaryDir dir;
  QString previous_dir;
  const QString file = dir.filePath("remocon/codes.csv");
  TRegisterForm form{testing_support::FormEnvironment(dir)};
};

// Types the path and presses Enter through the dialog's window, as a keyboard does, so
// the keys go wherever the keyboard is: to the name completer's popup once it is up.
// Returns whether that popup was up when Enter was pressed.
bool TypePathAndEnter(QFileDialog& dialog, const QString& path) {
  auto* name_box = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (!name_box) return false;
  // A window manager focuses a new modal dialog; the offscreen platform needs asking.
  dialog.activateWindow();
  if (!QTest::qWaitFor([&] { return QApplication::focusWidget() == name_box; }, kPatienceMs)) return false;
  for (QChar c : path) QTest::keyClick(dialog.windowHandle(), c.toLatin1());
  const bool popup_up = QTest::qWaitFor([&] { return name_box->completer()->popup()->isVisible(); }, kPatienceMs);
  QTest::keyClick(dialog.windowHandle(), Qt::Key_Return);
  return popup_up;
}

TEST_F(FileDialogTest, FirstClickAfterTypedPathAndEnterReachesTheWindow) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const std::pair<QPushButton*, QFileDialog*> commands[] = {{form.LoadButton, form.OpenCSVDialog},
                                                            {form.SaveButton, form.SaveCSVDialog}};
  for (auto [button, dialog] : commands) {
    SCOPED_TRACE(button->text().toStdString());
    bool popup_was_up = false;
    ASSERT_TRUE(ClickOpens(button, dialog, [&, dialog = dialog] { popup_was_up = TypePathAndEnter(*dialog, file); }));
    ASSERT_TRUE(popup_was_up) << "the name completer never showed, so the case was not tried";
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(ClickOpens(button, dialog, [dialog = dialog] { dialog->reject(); }));
  }
}

}  // namespace
}  // namespace brisvel

// Sending and the code view reach the commands from the list's keys and its context menu:
// a send goes to the simulated unit on a pseudo-terminal, the view shows the row's code.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>

#include "app/code_view_window.h"
#include "app/register_main.h"
#include "core/formats/sjis.h"
#include "form_environment.h"
#include "scripted_prompts.h"
#include "unit_sim_process.h"

namespace brisvel {
namespace {

using namespace testing_support;

// An NEC frame's worth of runs is not needed here: any 480 digits the list accepts.
const std::string kCode = "000FA5" + std::string(474, '7');

class SendAndViewTest : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TRegisterForm>(FormEnvironment(dir, {"/dev/ttyS0"}, 2000));
    form->commands().list().replaceAll({{*sjis::FromUtf8("電源"), kCode}, {*sjis::FromUtf8("音量"), "0" + kCode.substr(1)}});
    form->show();
    form->activateWindow();  // the offscreen platform activates nothing by itself
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->DataListView->setFocus();
    Select(0);
  }
  void Select(int row) { form->DataListView->setCurrentIndex(form->DataListView->model()->index(row, 0)); }
  // Opens the list's menu and triggers the item at `path` (a submenu's title, then its item).
  void ChooseFromMenu(const QStringList& path) {
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      for (const QString& text : path) {
        QAction* found = nullptr;
        for (QAction* action : menu ? menu->actions() : QList<QAction*>{})
          if (action->text() == text) found = action;
        if (!found) break;
        if (found->menu()) {
          menu = found->menu();
          continue;
        }
        QApplication::activePopupWidget()->close();
        found->trigger();
      }
    });
    emit form->DataListView->customContextMenuRequested({10, 10});
  }

  QTemporaryDir dir;
  ScriptedPrompts prompts;
  std::unique_ptr<TRegisterForm> form;
};

TEST_F(SendAndViewTest, CtrlEnterAndTheMenuSendToTheUnitAndTheOutputIsRemembered) {
  Simulator unit({"--delay", "0.1"});
  form->COMCombo->setCurrentText(QString::fromStdString(unit.DevicePath()));
  QTest::keyClick(form->DataListView, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join("; ").toStdString();
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_TRUE(unit.LogShows("output 1"));

  Select(1);
  ChooseFromMenu({"送信", "出力 2"});
  EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join("; ").toStdString();
  EXPECT_TRUE(unit.LogShows("output 2"));
  EXPECT_EQ(form->commands().lastOutput(), 2);

  QTest::keyClick(form->DataListView, Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_TRUE(unit.LogShows("output 2"));
}

TEST_F(SendAndViewTest, EnterAndTheMenuOpenTheViewWhichFollowsTheSelection) {
  QTest::keyClick(form->DataListView, Qt::Key_Return);
  CodeViewWindow* view = form->codeView();
  ASSERT_TRUE(view && view->isVisible());
  EXPECT_EQ(view->windowTitle(), "コードを表示");
  EXPECT_EQ(view->NameLabel->text(), "電源");
  EXPECT_EQ(view->SummaryLabel->text().toStdString(), ViewOfRow(form->commands().list(), 0).summary);

  Select(1);
  EXPECT_EQ(view->NameLabel->text(), "音量");
  form->commands().Rename(1, "消音");
  EXPECT_EQ(view->NameLabel->text(), "消音");

  view->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(view));
  QTest::keyClick(view, Qt::Key_Escape);
  EXPECT_FALSE(view->isVisible());
  ChooseFromMenu({"コードを表示"});
  EXPECT_EQ(form->codeView(), view);
  EXPECT_TRUE(view->isVisible());
}

// Enter while a name is being edited commits the name and opens nothing.
TEST_F(SendAndViewTest, EnterInTheNameEditorCommitsTheName) {
  form->DataListView->edit(form->DataListView->currentIndex());
  auto* editor = form->DataListView->viewport()->findChild<QLineEdit*>();
  ASSERT_TRUE(editor && editor->hasFocus());
  editor->setText("照明");
  QTest::keyClick(editor, Qt::Key_Return);
  QCoreApplication::processEvents();  // the delegate commits on the next turn of the loop
  EXPECT_EQ(sjis::ToUtf8(form->commands().list().entries()[0].name), "照明");
  EXPECT_EQ(form->codeView(), nullptr);
}

}  // namespace
}  // namespace brisvel

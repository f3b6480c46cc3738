// The list's commands reach the command layer from their keys and the context menu, and
// what they ask (the question at close, the caption) is shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "app/register_main.h"
#include "form_environment.h"
#include "scripted_prompts.h"

namespace brisvel {
namespace {

class ListCommandsTest : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TRegisterForm>(testing_support::FormEnvironment(dir));
    form->commands().list().replaceAll({{"a", "0A"}, {"b", "0B"}, {"c", "0C"}});
    form->show();
    form->activateWindow();  // the offscreen platform activates nothing by itself
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->DataListView->setFocus();
    Select(0);
  }
  void Select(int row) { form->DataListView->setCurrentIndex(form->DataListView->model()->index(row, 0)); }
  std::string Names() {
    std::string names;
    for (const CodeEntry& entry : form->commands().list().entries()) names += entry.name;
    return names;
  }

  QTemporaryDir dir;
  testing_support::ScriptedPrompts prompts;
  std::unique_ptr<TRegisterForm> form;
};

TEST_F(ListCommandsTest, KeysReachTheCommands) {
  struct Key {
    QKeyCombination key;
    std::string names;
    int selected;
  };
  const Key keys[] = {
      {Qt::CTRL | Qt::Key_Down, "bac", 1},  {Qt::CTRL | Qt::Key_Up, "abc", 0},
      {QKeyCombination(Qt::Key_Delete), "bc", 0}, {Qt::CTRL | Qt::Key_Z, "abc", 0},
      {Qt::CTRL | Qt::Key_Y, "bc", 0},      {Qt::CTRL | Qt::Key_Z, "abc", 0},
      {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, "bc", 0},
  };
  for (const Key& k : keys) {
    QTest::keyClick(form->DataListView, k.key.key(), k.key.keyboardModifiers());
    EXPECT_EQ(Names(), k.names) << QKeySequence(k.key).toString().toStdString();
    EXPECT_EQ(form->DataListView->currentIndex().row(), k.selected);
  }
  EXPECT_EQ(form->windowTitle(), "*リモコンデータ登録");
  QTest::keyClick(form->DataListView, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "0B");
}

// Undo and redo act from anywhere in the window; a text field keeps its own text history.
TEST_F(ListCommandsTest, UndoAndRedoAreWindowWideButTextFieldsKeepTheirOwn) {
  QTest::keyClick(form->DataListView, Qt::Key_Delete);
  form->SaveButton->setFocus();
  QTest::keyClick(form->SaveButton, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Names(), "abc");
  QTest::keyClick(form->SaveButton, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Names(), "bc");
  form->COMCombo->setFocus();
  form->COMCombo->setEditText({});
  QTest::keyClicks(form->COMCombo->lineEdit(), "zz");
  QTest::keyClick(form->COMCombo->lineEdit(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(form->COMCombo->currentText(), "");
  QTest::keyClick(form->COMCombo->lineEdit(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(form->COMCombo->currentText(), "zz");
  EXPECT_EQ(Names(), "bc");
}

TEST_F(ListCommandsTest, ContextMenuOffersTheCommands) {
  Select(1);
  QStringList offered;
  QTimer::singleShot(0, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    for (QAction* action : menu->actions())
      if (!action->isSeparator() && action->isEnabled()) offered << action->text();
    menu->hide();
    form->DeleteAction->trigger();
  });
  emit form->DataListView->customContextMenuRequested({10, 10});
  EXPECT_EQ(offered, QStringList({"データをコピー", "削除", "送信", "コードを表示", "上へ移動", "下へ移動"}));  // nothing to undo yet
  EXPECT_EQ(Names(), "ac");
}

TEST_F(ListCommandsTest, CloseWithUnsavedChangesAsksAndCancelKeepsTheWindow) {
  QTest::keyClick(form->DataListView, Qt::Key_Delete);
  prompts.choice_answers.push_back(2);  // キャンセル
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(form->isVisible());
  ASSERT_EQ(prompts.choices.size(), 1u);
  EXPECT_EQ(prompts.choices[0].caption, "リモコンデータ登録");
  EXPECT_EQ(prompts.choices[0].buttons, QStringList({"保存", "破棄", "キャンセル"}));
  EXPECT_FALSE(QFile::exists(dir.filePath("brisvel.ini")));
  prompts.choice_answers.push_back(1);  // 破棄
  EXPECT_TRUE(form->close());
}

}  // namespace
}  // namespace brisvel

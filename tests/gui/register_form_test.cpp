#include "app/register_main.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <fstream>
#include <sstream>

#include "core/errors.h"
#include "core/sjis.h"
#include "file_bytes.h"
#include "scripted_prompts.h"

namespace brisvel {
namespace {

std::string ReadBytes(const QString& path) { return testing_support::ReadFileBytes(path.toStdString()); }

void WriteBytes(const QString& path, const std::string& bytes) {
  std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

class RegisterFormTest : public testing::Test {
 protected:
  std::unique_ptr<TRegisterForm> MakeForm(std::vector<std::string> ports = {"/dev/ttyS0", "/dev/ttyUSB0"}) {
    return std::make_unique<TRegisterForm>(
        RegisterFormEnvironment{settingsPath(), [ports] { return ports; }, nullptr});
  }
  QString settingsPath() const { return dir.filePath("brisvel.ini"); }

  QTemporaryDir dir;
  testing_support::ScriptedPrompts prompts;
};

TEST_F(RegisterFormTest, LayoutMatchesTheDesign) {
  auto form = MakeForm();
  EXPECT_EQ(form->objectName(), "RegisterForm");
  EXPECT_EQ(form->windowTitle(), "リモコンデータ登録");
  EXPECT_EQ(form->size(), QSize(379, 229));
  EXPECT_EQ(form->DefinedGroupBox->title(), "ファイル");
  EXPECT_EQ(form->DataListView->geometry(), QRect(8, 16, 353, 169));
  EXPECT_EQ(form->COMCombo->geometry(), QRect(16, 192, 65, 20));
  EXPECT_EQ(form->AddButton->text(), "Add");
  EXPECT_EQ(form->LoadButton->geometry(), QRect(280, 192, 81, 25));
  EXPECT_EQ(form->font().pixelSize(), 12);
  QHeaderView* header = form->DataListView->header();
  EXPECT_EQ(header->sectionSize(0), 100);
  EXPECT_EQ(header->sectionSize(1), 1792);
  EXPECT_EQ(header->sectionResizeMode(1), QHeaderView::Fixed);
  EXPECT_EQ(form->codeList().headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Data(240Byte)");
  // Tab order: list, Load, Save, port box, Add (the list's own parts sit between).
  const std::vector<QWidget*> controls{form->DataListView, form->LoadButton, form->SaveButton, form->COMCombo,
                                       form->AddButton};
  std::vector<QWidget*> chain;
  for (QWidget* w = form->DataListView; chain.size() < controls.size(); w = w->nextInFocusChain()) {
    if (std::find(controls.begin(), controls.end(), w) != controls.end()) chain.push_back(w);
  }
  EXPECT_EQ(chain, controls);
  EXPECT_FALSE(form->windowIcon().isNull());
}

TEST_F(RegisterFormTest, FirstRunWithoutSettingsRemembersChosenPort) {
  {
    auto form = MakeForm();
    EXPECT_EQ(form->COMCombo->currentText(), "");
    EXPECT_EQ(form->COMCombo->count(), 2);
    EXPECT_TRUE(prompts.errors.isEmpty());
    form->COMCombo->setCurrentIndex(1);
    form->close();
  }
  EXPECT_EQ(ReadBytes(settingsPath()), "[SETTING]\r\nCOM=/dev/ttyUSB0\r\n");
  auto again = MakeForm();
  EXPECT_EQ(again->portText(), "/dev/ttyUSB0");
}

TEST_F(RegisterFormTest, RememberedPortThatIsGoneIsStillShown) {
  WriteBytes(settingsPath(), "; kept\n[Setting]\ncom = /dev/ttyUSB7\n");
  auto form = MakeForm({"/dev/ttyS0"});
  EXPECT_EQ(form->portText(), "/dev/ttyUSB7");
  form->close();
  EXPECT_EQ(ReadBytes(settingsPath()), "; kept\n[Setting]\nCOM=/dev/ttyUSB7\n");
}

TEST_F(RegisterFormTest, EmptyPortBoxIsWrittenAtClose) {
  WriteBytes(settingsPath(), "[SETTING]\r\nCOM=/dev/ttyS1\r\n");
  auto form = MakeForm();
  form->COMCombo->setCurrentText("");
  form->close();
  EXPECT_EQ(ReadBytes(settingsPath()), "[SETTING]\r\nCOM=\r\n");
}

TEST_F(RegisterFormTest, NoSerialPortShowsErrorAndKeepsRememberedText) {
  WriteBytes(settingsPath(), "[SETTING]\r\nCOM=/dev/pts/3\r\n");
  auto form = MakeForm({});
  EXPECT_EQ(prompts.errors, QStringList{"Serial Port is not found."});
  EXPECT_EQ(form->portText(), "/dev/pts/3");
}

TEST_F(RegisterFormTest, UnwritableSettingsSaysSoOnceAndStillCloses) {
  WriteBytes(dir.filePath("file"), "x");
  auto form = std::make_unique<TRegisterForm>(
      RegisterFormEnvironment{dir.filePath("file/brisvel.ini"), [] { return std::vector<std::string>{"/dev/ttyS0"}; }, nullptr});
  form->show();
  EXPECT_TRUE(form->close());
  EXPECT_EQ(prompts.default_errors, QStringList{dir.filePath("file/brisvel.ini") + " に書き込めません"});
  EXPECT_FALSE(form->isVisible());
}

TEST_F(RegisterFormTest, InPlaceEditChangesNameAndRefusesNonShiftJis) {
  auto form = MakeForm();
  form->codeList().appendEntry({"\x83\x65\x83\x8c\x83\x72", std::string(480, 'A')});
  form->show();
  QTreeView* view = form->DataListView;
  const QModelIndex name = form->codeList().index(0, 0);
  EXPECT_EQ(name.data().toString(), "テレビ");
  EXPECT_FALSE(form->codeList().flags(form->codeList().index(0, 1)) & Qt::ItemIsEditable);

  view->setCurrentIndex(name);
  QTest::keyClick(view, Qt::Key_F2);
  auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(name));
  ASSERT_NE(editor, nullptr);
  editor->setText("エアコン 冷房");
  QTest::keyClick(editor, Qt::Key_Return);
  QCoreApplication::processEvents();  // the delegate commits on a queued call
  EXPECT_EQ(form->codeList().nameAt(0), *sjis::FromUtf8("エアコン 冷房"));

  EXPECT_FALSE(form->codeList().setData(name, "TV 📺", Qt::EditRole));
  EXPECT_EQ(form->codeList().nameAt(0), *sjis::FromUtf8("エアコン 冷房"));
  ASSERT_EQ(prompts.errors.size(), 1);
  EXPECT_TRUE(prompts.errors[0].contains("TV 📺"));

  EXPECT_TRUE(form->codeList().setData(name, "", Qt::EditRole));  // an edited name may be empty
  EXPECT_EQ(form->codeList().nameAt(0), "");
}

TEST_F(RegisterFormTest, InvalidShiftJisIsShownReplacedButKeptExact) {
  auto form = MakeForm();
  const std::string odd = "A\xa0\x83";
  form->codeList().appendEntry({odd, "00"});
  EXPECT_EQ(form->codeList().index(0, 0).data().toString(), QString::fromUtf8("A\uFFFD\uFFFD"));
  EXPECT_EQ(form->codeList().nameAt(0), odd);
}

TEST_F(RegisterFormTest, RowWithoutDataGivesListIndexError) {
  auto form = MakeForm();
  form->codeList().appendEntry({"name", std::nullopt});
  try {
    form->codeList().dataAt(0);
    FAIL() << "no error";
  } catch (const ListIndexError& error) {
    EXPECT_STREQ(error.what(), "リストのインデックスが範囲を超えています (0)");
  }
}

}  // namespace
}  // namespace brisvel

// Save and Load through the window's buttons and file dialogs, on real files.
#include <gtest/gtest.h>

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

#include <fstream>
#include <sstream>

#include "app/register_main.h"
#include "file_bytes.h"
#include "scripted_prompts.h"

namespace brisvel {
namespace {

std::string ReadBytes(const QString& path) { return testing_support::ReadFileBytes(path.toStdString()); }

class CodeListCommandsTest : public testing::Test {
 protected:
  void SetUp() override {
    previous_dir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QDir(dir.path()).mkdir("remocon");
    form = std::make_unique<TRegisterForm>(RegisterFormEnvironment{
        dir.filePath("brisvel.ini"), [] { return std::vector<std::string>{"/dev/ttyS0"}; }, nullptr});
  }
  void TearDown() override { QDir::setCurrent(previous_dir); }

  void Save(const QString& path) {
    prompts.file_answers.push_back(path);
    form->SaveButton->click();
  }
  void Load(const QString& path) {
    prompts.file_answers.push_back(path);
    form->LoadButton->click();
  }

  QTemporaryDir dir;
  QString previous_dir;
  testing_support::ScriptedPrompts prompts;
  std::unique_ptr<TRegisterForm> form;
};

TEST_F(CodeListCommandsTest, DialogsAreSetUpForCodeLists) {
  EXPECT_EQ(form->SaveCSVDialog->defaultSuffix(), "csv");
  EXPECT_EQ(form->SaveCSVDialog->nameFilters(), QStringList{"csv (*.csv)"});
  EXPECT_TRUE(form->SaveCSVDialog->testOption(QFileDialog::DontConfirmOverwrite));
  EXPECT_EQ(form->OpenCSVDialog->fileMode(), QFileDialog::AnyFile);
  EXPECT_EQ(form->OpenCSVDialog->nameFilters(), QStringList{"csv (*.csv)"});
}

TEST_F(CodeListCommandsTest, SaveThenLoadRestoresTheList) {
  form->codeList().appendEntry({"a, b", std::string(480, 'F')});
  form->codeList().appendEntry({"\x83\x5c\x83\x7c", "00"});
  const QString file = dir.filePath("remocon/codes.csv");
  Save(file);
  EXPECT_EQ(ReadBytes(file), "\"a, b\",\"" + std::string(480, 'F') + "\"\r\n\"\x83\x5c\x83\x7c\",\"00\"\r\n");
  const auto saved = form->codeList().entries();
  form->codeList().clear();
  Load(file);
  EXPECT_TRUE(prompts.default_errors.isEmpty());
  EXPECT_EQ(form->codeList().entries(), saved);
}

TEST_F(CodeListCommandsTest, DialogsStartInRemoconThenOfferTheLastFolder) {
  QDir(dir.path()).mkdir("elsewhere");
  Save(dir.filePath("elsewhere/one.csv"));
  Save(dir.filePath("elsewhere/two.csv"));
  Load(dir.filePath("elsewhere/one.csv"));
  const QString remocon = QDir(dir.filePath("remocon")).canonicalPath();
  const QString elsewhere = QDir(dir.filePath("elsewhere")).canonicalPath();
  ASSERT_EQ(prompts.dialog_directories.size(), 3);
  EXPECT_EQ(QDir(prompts.dialog_directories[0]).canonicalPath(), remocon);
  EXPECT_EQ(QDir(prompts.dialog_directories[1]).canonicalPath(), elsewhere);
  EXPECT_EQ(QDir(prompts.dialog_directories[2]).canonicalPath(), remocon);  // the open dialog's first use
}

TEST_F(CodeListCommandsTest, CancelledDialogsChangeNothing) {
  form->codeList().appendEntry({"kept", "00"});
  prompts.file_answers.push_back(std::nullopt);
  form->SaveButton->click();
  prompts.file_answers.push_back(std::nullopt);
  form->LoadButton->click();
  EXPECT_EQ(form->codeList().rowCount(), 1);
  EXPECT_TRUE(QDir(dir.filePath("remocon")).isEmpty());
}

TEST_F(CodeListCommandsTest, MissingFileIsReportedAndListKept) {
  form->codeList().appendEntry({"kept", "00"});
  const QString missing = dir.filePath("remocon/none.csv");
  Load(missing);
  ASSERT_EQ(prompts.default_errors.size(), 1);
  EXPECT_TRUE(prompts.default_errors[0].startsWith("ファイル \"" + missing + "\". ")) << prompts.default_errors[0].toStdString();
  EXPECT_TRUE(prompts.default_errors[0].endsWith(" は開けません"));
  EXPECT_EQ(form->codeList().rowCount(), 1);
}

TEST_F(CodeListCommandsTest, LoadThatRunsOutKeepsCompleteRowsAndCanSaveAgain) {
  const QString file = dir.filePath("remocon/blank.csv");
  std::ofstream(file.toStdString(), std::ios::binary) << "\"a\",\"1\"\r\n\r\n\"b\",\"2\"\r\n";
  form->codeList().appendEntry({"replaced", "00"});
  Load(file);
  EXPECT_EQ(prompts.default_errors, QStringList{"リストのインデックスが範囲を超えています (4)"});
  ASSERT_EQ(form->codeList().rowCount(), 2);
  EXPECT_EQ(form->codeList().nameAt(1), "b");
  Save(dir.filePath("remocon/again.csv"));
  EXPECT_EQ(prompts.default_errors.size(), 1);
  EXPECT_EQ(ReadBytes(dir.filePath("remocon/again.csv")), "\"a\",\"1\"\r\n\"b\",\"2\"\r\n");
}

TEST_F(CodeListCommandsTest, FailedSaveLeavesTheOldFile) {
  const QString file = dir.filePath("remocon/codes.csv");
  std::ofstream(file.toStdString(), std::ios::binary) << "old";
  form->codeList().appendEntry({"no data", std::nullopt});
  Save(file);
  EXPECT_EQ(prompts.default_errors, QStringList{"リストのインデックスが範囲を超えています (0)"});
  EXPECT_EQ(ReadBytes(file), "old");
}

}  // namespace
}  // namespace brisvel

// Save and Load wired to the window's buttons and its own file dialogs, on real files.
#include <gtest/gtest.h>

#include <QDir>
#include <QPushButton>
#include <QTreeView>
#include <QTemporaryDir>

#include <fstream>
#include <sstream>

#include "app/register_main.h"
#include "file_bytes.h"
#include "form_environment.h"
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
    form = std::make_unique<TRegisterForm>(testing_support::FormEnvironment(dir));
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
  CodeList& list = form->commands().list();
  list.append({"a, b", std::string(480, 'F')});
  list.append({"\x83\x5c\x83\x7c", "00"});
  const QString file = dir.filePath("remocon/codes.csv");
  Save(file);
  EXPECT_EQ(ReadBytes(file), "\"a, b\",\"" + std::string(480, 'F') + "\"\r\n\"\x83\x5c\x83\x7c\",\"00\"\r\n");
  const auto saved = list.entries();
  list.replaceAll({});
  Load(file);
  EXPECT_TRUE(prompts.default_errors.isEmpty());
  EXPECT_EQ(list.entries(), saved);
  EXPECT_EQ(form->DataListView->model()->rowCount(), 2);
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

}  // namespace
}  // namespace brisvel

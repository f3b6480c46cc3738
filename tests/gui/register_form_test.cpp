#include "app/register_main.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
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

#include "core/formats/sjis.h"
#include "file_bytes.h"
#include "form_environment.h"
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
    return std::make_unique<TRegisterForm>(testing_support::FormEnvironment(dir, std::move(ports)));
  }
  QString settingsPath() const { return dir.filePath("brisvel.ini"); }
  CodeList& list(TRegisterForm& form) { return form.commands().list(); }

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
  EXPECT_EQ(form->DataListView->model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Data(240Byte)");
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

// A listed adapter shows its short name in the 65-pixel box and its whole label in the
// drop-down; it is opened and remembered by its stable name, so the next start selects it
// again. Typed text is used as it stands.
TEST_F(RegisterFormTest, ListedAdapterIsShownShortAndRememberedByItsStableName) {
  const QString by_id = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  auto environment = testing_support::FormEnvironment(dir);
  const std::vector<SerialPortInfo> ports{{"/dev/ttyS0", "ttyS0", "シリアルポート"},
                                          {by_id.toStdString(), "ttyUSB0", "FT232R USB UART (FTDI, S/N A50285BI)"}};
  environment.commands.list_ports = [ports] { return ports; };
  {
    TRegisterForm form(environment);
    form.COMCombo->setCurrentIndex(1);
    EXPECT_EQ(form.COMCombo->currentText(), "ttyUSB0");
    EXPECT_EQ(form.portText(), by_id);
    const QString label = QString::fromStdString(PortLabel(ports[1]));
    QAbstractItemView* dropDown = form.COMCombo->view();
    EXPECT_GE(dropDown->sizeHintForIndex(dropDown->model()->index(1, 0)).width(),
              dropDown->fontMetrics().horizontalAdvance(label))
        << "the drop-down lays the item out for its whole label";
    form.close();
  }
  EXPECT_EQ(ReadBytes(settingsPath()), "[SETTING]\r\nCOM=" + by_id.toStdString() + "\r\n");
  TRegisterForm again(environment);
  EXPECT_EQ(again.COMCombo->currentText(), "ttyUSB0");
  EXPECT_EQ(again.portText(), by_id);
  again.COMCombo->setCurrentText("/tmp/ttyBRISVEL");
  EXPECT_EQ(again.portText(), "/tmp/ttyBRISVEL");
}

TEST_F(RegisterFormTest, UnwritableSettingsSaysSoOnceAndStillCloses) {
  WriteBytes(dir.filePath("file"), "x");
  auto environment = testing_support::FormEnvironment(dir);
  environment.commands.settings_path = dir.filePath("file/brisvel.ini").toStdString();
  auto form = std::make_unique<TRegisterForm>(environment);
  form->show();
  EXPECT_TRUE(form->close());
  EXPECT_EQ(prompts.default_errors, QStringList{dir.filePath("file/brisvel.ini") + " に書き込めません."});
  EXPECT_FALSE(form->isVisible());
}

TEST_F(RegisterFormTest, InPlaceEditReachesTheRenameCommand) {
  auto form = MakeForm();
  list(*form).append({"\x83\x65\x83\x8c\x83\x72", std::string(480, 'A')});
  form->show();
  QTreeView* view = form->DataListView;
  QAbstractItemModel* model = view->model();
  const QModelIndex name = model->index(0, 0);
  EXPECT_EQ(name.data().toString(), "テレビ");
  EXPECT_FALSE(model->flags(model->index(0, 1)) & Qt::ItemIsEditable);

  view->setCurrentIndex(name);
  QTest::keyClick(view, Qt::Key_F2);
  auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(name));
  ASSERT_NE(editor, nullptr);
  editor->setText("エアコン 冷房");
  QTest::keyClick(editor, Qt::Key_Return);
  QCoreApplication::processEvents();  // the delegate commits on a queued call
  EXPECT_EQ(list(*form).at(0).name, *sjis::FromUtf8("エアコン 冷房"));
  EXPECT_EQ(name.data().toString(), "エアコン 冷房");

  EXPECT_FALSE(model->setData(name, "TV 📺", Qt::EditRole));
  EXPECT_EQ(prompts.errors.size(), 1);  // the refusal is shown
}

TEST_F(RegisterFormTest, InvalidShiftJisIsShownReplacedButKeptExact) {
  auto form = MakeForm();
  const std::string odd = "A\xa0\x83";
  list(*form).append({odd, "00"});
  EXPECT_EQ(form->DataListView->model()->index(0, 0).data().toString(), QString::fromUtf8("A\uFFFD\uFFFD"));
  EXPECT_EQ(list(*form).at(0).name, odd);
}

}  // namespace
}  // namespace brisvel

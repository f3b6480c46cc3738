// Add, end to end: the real registration and receive windows against the simulated unit on
// a pseudo-terminal. Only the name dialog and the error dialog are scripted; the flows and
// their failures are the commands' tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/register_main.h"
#include "app/remocondata_receive.h"
#include "app/ui_notifications.h"
#include "core/formats/sjis.h"
#include "file_bytes.h"
#include "form_environment.h"
#include "open_files.h"
#include "scripted_prompts.h"
#include "thread_count.h"
#include "unit_sim_process.h"

namespace brisvel {
namespace {

using namespace testing_support;

// The receive dialog up now, found as the program finds its modal window.
TReceiveForm* ReceiveDialogUp() { return qobject_cast<TReceiveForm*>(QApplication::activeModalWidget()); }

class CaptureTest : public testing::Test {
 protected:
  // Starts the unit and a window whose port box names it.
  void Start(std::vector<std::string> unit_args, int timeout_ms = 2000) {
    unit_args.insert(unit_args.begin(), {"--delay", "0.1"});
    unit = std::make_unique<Simulator>(unit_args);
    device = unit->DevicePath();
    form = std::make_unique<TRegisterForm>(FormEnvironment(dir, {"/dev/ttyS0"}, timeout_ms));
    form->COMCombo->setCurrentText(QString::fromStdString(device));
    form->show();
    threads_before = UnnamedThreadCount();
  }

  void Add(const QString& name) {
    prompts.text_answers.push_back(name);
    form->AddButton->click();
  }

  // After every Add the port is free again and no monitor thread is left behind.
  void ExpectPortReleased() {
    EXPECT_EQ(UnnamedThreadCountSettledAt(threads_before), threads_before);
    serial::Trs232c probe(MakeUiNotificationWindow());
    probe.portname = device;
    EXPECT_TRUE(probe.Open());
  }

  QTemporaryDir dir;
  testing_support::ScriptedPrompts prompts;
  std::unique_ptr<Simulator> unit;
  std::string device;
  std::unique_ptr<TRegisterForm> form;
  size_t threads_before = 0;
};

TEST_F(CaptureTest, CapturedCodeIsListedAndSavedAsALine) {
  const std::string code = "000FA5" + std::string(474, '7');
  Start({"--code", code});
  bool dialog_was_modal = false;
  QTimer::singleShot(50, [&] {
    dialog_was_modal = ReceiveDialogUp() != nullptr;
  });
  Add("テレビ 電源");
  EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join("; ").toStdString();
  EXPECT_TRUE(dialog_was_modal);
  ASSERT_EQ(form->DataListView->model()->rowCount(), 1);
  EXPECT_EQ(form->DataListView->model()->index(0, 0).data().toString(), "テレビ 電源");
  EXPECT_EQ(form->DataListView->model()->index(0, 1).data().toString().toStdString(), code);
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].caption, "リモコンデータ登録");
  ExpectPortReleased();

  prompts.file_answers.push_back(dir.filePath("codes.csv"));
  form->SaveButton->click();
  EXPECT_EQ(ReadFileBytes(dir.filePath("codes.csv").toStdString()), "\"" + *sjis::FromUtf8("テレビ 電源") + "\",\"" + code + "\"\r\n");
}

struct FailureCase {
  const char* label;
  std::vector<std::string> unit_args;
  QString message;
  bool cancel = false;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.label; }

class CaptureFailureTest : public CaptureTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(CaptureFailureTest, ShowsItsTextOnceAndListsNothing) {
  Start(GetParam().unit_args, 500);
  if (GetParam().cancel) {
    QTimer::singleShot(600, [] {
      if (TReceiveForm* dialog = ReceiveDialogUp()) dialog->CancelButton->click();
    });
  }
  Add("name");
  EXPECT_EQ(prompts.errors, QStringList{GetParam().message});
  EXPECT_EQ(form->DataListView->model()->rowCount(), 0);
  ExpectPortReleased();
}

// The adapter is pulled while the dialog waits for the code: the dialog ends at once and
// the error names the device under the read's text.
TEST_F(CaptureTest, UnpluggedAdapterEndsTheDialog) {
  Start({"--hangup"});
  bool cancelled_instead = false;
  QTimer patience;  // dies with the test, so it cannot reach a later test's dialog
  patience.setSingleShot(true);
  QObject::connect(&patience, &QTimer::timeout, [&] {
    TReceiveForm* dialog = ReceiveDialogUp();
    cancelled_instead = dialog != nullptr;
    if (dialog) dialog->CancelButton->click();
  });
  patience.start(3000);
  Add("name");
  EXPECT_FALSE(cancelled_instead);
  ASSERT_EQ(prompts.errors.size(), 1);
  EXPECT_TRUE(prompts.errors[0].startsWith("error -- read\n" + QString::fromStdString(device) + " ")) << prompts.errors[0].toStdString();
  EXPECT_EQ(form->DataListView->model()->rowCount(), 0);
  EXPECT_EQ(UnnamedThreadCountSettledAt(threads_before), threads_before);
  EXPECT_FALSE(HoldsFile(device));
}

// While a silent unit is awaited the window keeps handling events (here a timer's), the
// receive dialog comes up modal so that the user can cancel, and the outcome is as before:
// "error -- read" after the time-out, "cancel" when cancelled.
TEST_F(CaptureTest, SilentUnitIsAwaitedWithTheWindowAlive) {
  struct Case {
    const char* label;
    bool cancel;
    QString message;
  };
  for (const Case& c : {Case{"time-out", false, "error -- read"}, Case{"cancelled", true, "cancel"}}) {
    SCOPED_TRACE(c.label);
    Start({"--silent"}, 1500);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(50);
    bool modal_while_waiting = false;
    QString label_while_waiting;
    QTimer look;
    look.setSingleShot(true);
    look.start(700);
    QObject::connect(&look, &QTimer::timeout, [&] {
      TReceiveForm* dialog = ReceiveDialogUp();
      modal_while_waiting = dialog && dialog->isVisible();
      if (dialog) label_while_waiting = dialog->Label1->text();
      if (c.cancel && dialog) dialog->CancelButton->click();
    });
    Add("name");
    EXPECT_GE(ticks, 5);
    EXPECT_TRUE(modal_while_waiting);
    EXPECT_NE(label_while_waiting, "PC-OP-RS1にデータを送信してください") << "the unit is not ready for a code yet";
    EXPECT_EQ(prompts.errors, QStringList{c.message});
    EXPECT_EQ(form->DataListView->model()->rowCount(), 0);
    ExpectPortReleased();
    prompts.errors.clear();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Unit, CaptureFailureTest,
    testing::Values(FailureCase{"wrong_ack", {"--ack", "0x4E"}, "error -- not Y($59)"},
                    FailureCase{"short_packet_then_cancel", {"--short", "241"}, "cancel", true}),
    [](const auto& p) { return std::string(p.param.label); });

}  // namespace
}  // namespace brisvel

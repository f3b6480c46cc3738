// Add, end to end: the real registration and receive windows against the simulated unit on
// a pseudo-terminal. Only the name dialog and the error dialog are scripted.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/register_main.h"
#include "app/remocondata_receive.h"
#include "app/ui_notifications.h"
#include "core/sjis.h"
#include "file_bytes.h"
#include "scripted_prompts.h"
#include "unit_sim_process.h"

namespace brisvel {
namespace {

using namespace testing_support;

std::string ReadLine(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// Threads that carry the program's own name: Qt names its helper threads, which come and
// go as they please, while a serial monitor thread is an unnamed one.
size_t UnnamedThreadCount() {
  const std::string program = ReadLine("/proc/self/comm");
  size_t count = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    if (ReadLine(task.path() / "comm") == program) ++count;
  }
  return count;
}

class CaptureTest : public testing::Test {
 protected:
  // Starts the unit and a window whose port box names it.
  void Start(std::vector<std::string> unit_args, int timeout_ms = 2000) {
    unit_args.insert(unit_args.begin(), {"--delay", "0.1"});
    unit = std::make_unique<Simulator>(unit_args);
    device = unit->DevicePath();
    form = std::make_unique<TRegisterForm>(RegisterFormEnvironment{
        dir.filePath("brisvel.ini"), [] { return std::vector<std::string>{"/dev/ttyS0"}; },
        [] { return MakeUiNotificationWindow(); }, timeout_ms});
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
    EXPECT_EQ(UnnamedThreadCount(), threads_before);
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
    dialog_was_modal = ReceiveForm && QApplication::activeModalWidget() == ReceiveForm;
  });
  Add("テレビ 電源");
  EXPECT_TRUE(prompts.errors.isEmpty()) << prompts.errors.join("; ").toStdString();
  EXPECT_TRUE(dialog_was_modal);
  ASSERT_EQ(form->codeList().rowCount(), 1);
  EXPECT_EQ(form->codeList().index(0, 0).data().toString(), "テレビ 電源");
  EXPECT_EQ(form->codeList().dataAt(0), code);
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].caption, "リモコンデータ登録");
  EXPECT_EQ(prompts.asked[0].prompt, "データ名を入力");
  EXPECT_EQ(prompts.asked[0].max_bytes, 255);
  ExpectPortReleased();

  prompts.file_answers.push_back(dir.filePath("codes.csv"));
  form->SaveButton->click();
  EXPECT_EQ(ReadFileBytes(dir.filePath("codes.csv").toStdString()), "\"" + *sjis::FromUtf8("テレビ 電源") + "\",\"" + code + "\"\r\n");
}

TEST_F(CaptureTest, SameNameTwiceGivesTwoRowsInOrder) {
  Start({});
  Add("power");
  Add("power");
  ASSERT_EQ(form->codeList().rowCount(), 2);
  EXPECT_EQ(form->codeList().nameAt(0), "power");
  EXPECT_EQ(form->codeList().nameAt(1), "power");
  EXPECT_EQ(form->codeList().dataAt(0).size(), 480u);
  EXPECT_NE(form->codeList().dataAt(0), form->codeList().dataAt(1));  // the unit sends a new code each time
  ExpectPortReleased();
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
      if (ReceiveForm) ReceiveForm->CancelButton->click();
    });
  }
  Add("name");
  EXPECT_EQ(prompts.errors, QStringList{GetParam().message});
  EXPECT_EQ(form->codeList().rowCount(), 0);
  ExpectPortReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Unit, CaptureFailureTest,
    testing::Values(FailureCase{"wrong_ack", {"--ack", "0x4E"}, "error -- not Y($59)"},
                    FailureCase{"wrong_end", {"--end", "0x58"}, "error -- not E($45)"},
                    FailureCase{"silent_unit", {"--silent"}, "error -- read"},
                    FailureCase{"short_packet_then_cancel", {"--short", "241"}, "cancel", true}),
    [](const auto& p) { return std::string(p.param.label); });

TEST_F(CaptureTest, MissingDeviceFailsToOpen) {
  Start({});
  form->COMCombo->setCurrentText("/dev/brisvel-no-such-port");
  Add("name");
  EXPECT_EQ(prompts.errors, QStringList{"error -- open"});
  EXPECT_EQ(form->codeList().rowCount(), 0);
}

TEST_F(CaptureTest, NothingHappensWithoutPortOrName) {
  Start({"--ack", "0x4E"});  // any exchange would show an error
  form->COMCombo->setCurrentText("");
  Add("name");
  EXPECT_TRUE(prompts.asked.empty());
  prompts.text_answers.clear();
  form->COMCombo->setCurrentText(QString::fromStdString(device));
  prompts.text_answers.push_back(std::nullopt);  // cancelled
  form->AddButton->click();
  Add("");
  EXPECT_TRUE(prompts.errors.isEmpty());
  EXPECT_EQ(form->codeList().rowCount(), 0);
  ExpectPortReleased();
}

}  // namespace
}  // namespace brisvel

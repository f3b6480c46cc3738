// Start-up, close and renaming, through the commands with a scripted user.
#include "commands/registration.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "core/errors.h"
#include "core/formats/sjis.h"
#include "file_bytes.h"
#include "port_infos.h"
#include "scratch_dir.h"
#include "scripted_user_interface.h"

namespace brisvel {
namespace {

using testing_support::ReadFileBytes;

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class RegistrationTest : public testing::Test {
 protected:
  Registration& Make(const std::vector<std::string>& paths = {"/dev/ttyS0", "/dev/ttyUSB0"}) {
    return MakeWith(testing_support::PortsAt(paths));
  }
  // Nothing: the system keeps no record of serial ports at all.
  Registration& MakeWith(const std::optional<std::vector<SerialPortInfo>>& ports) {
    commands = std::make_unique<Registration>(
        CommandEnvironment{settings(), [ports] { return ports; }, 30000, dir / "state"}, ui);
    return *commands;
  }
  std::filesystem::path settings() const { return dir / "brisvel.ini"; }

  testing_support::ScratchDir dir;
  testing_support::ScriptedUserInterface ui;
  std::unique_ptr<Registration> commands;
};

TEST_F(RegistrationTest, FirstRunWithoutSettingsRemembersChosenPort) {
  PortChoices first = Make().Start();
  EXPECT_EQ(first.text, "");
  ASSERT_EQ(first.ports.size(), 2u);
  EXPECT_EQ(first.ports[1].path, "/dev/ttyUSB0");
  EXPECT_FALSE(first.selected);
  EXPECT_TRUE(ui.errors.empty());
  commands->Close("/dev/ttyUSB0");
  EXPECT_EQ(ReadFileBytes(settings()), "[SETTING]\r\nCOM=/dev/ttyUSB0\r\n");
  const PortChoices again = Make().Start();
  EXPECT_EQ(again.text, "/dev/ttyUSB0");
  EXPECT_EQ(again.selected, 1u);
}

// An adapter is remembered by its stable name, so the next start selects it again whatever
// tty it has become.
TEST_F(RegistrationTest, RememberedStableNameSelectsItsPortAgain) {
  const std::string by_id = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  Make({"/dev/ttyS0", by_id}).Start();
  commands->Close(by_id);
  const PortChoices again = Make({by_id, "/dev/ttyS0"}).Start();
  ASSERT_TRUE(again.selected);
  EXPECT_EQ(again.ports[*again.selected].path, by_id);
}

TEST_F(RegistrationTest, RememberedPortThatIsGoneIsStillOffered) {
  WriteBytes(settings(), "; kept\n[Setting]\ncom = /dev/ttyUSB7\n");
  const PortChoices choices = Make({"/dev/ttyS0"}).Start();
  EXPECT_EQ(choices.text, "/dev/ttyUSB7");
  EXPECT_FALSE(choices.selected);
  commands->Close("/dev/ttyUSB7");
  EXPECT_EQ(ReadFileBytes(settings()), "; kept\n[Setting]\nCOM=/dev/ttyUSB7\n");
}

TEST_F(RegistrationTest, EmptyPortTextIsWrittenAtClose) {
  WriteBytes(settings(), "[SETTING]\r\nCOM=/dev/ttyS1\r\n");
  Make().Start();
  commands->Close("");
  EXPECT_EQ(ReadFileBytes(settings()), "[SETTING]\r\nCOM=\r\n");
}

TEST_F(RegistrationTest, OnlyNoRecordOfPortsShowsErrorAndRememberedTextStays) {
  struct Case {
    std::optional<std::vector<SerialPortInfo>> ports;
    std::vector<std::string> errors;
  };
  for (const auto& [ports, errors] : {Case{std::nullopt, {"Serial Port is not found."}},
                                      Case{std::vector<SerialPortInfo>{}, {}}}) {
    ui.errors.clear();
    WriteBytes(settings(), "[SETTING]\r\nCOM=/dev/pts/3\r\n");
    EXPECT_EQ(MakeWith(ports).Start().text, "/dev/pts/3");
    EXPECT_EQ(ui.errors, errors) << (ports ? "an empty record" : "no record");
  }
}

TEST_F(RegistrationTest, UnwritableSettingsSaysSoOnce) {
  WriteBytes(dir / "file", "x");
  Registration blocked({dir / "file" / "brisvel.ini", [] { return std::vector<SerialPortInfo>{}; }, 30000, dir / "state"}, ui);
  blocked.Close("/dev/ttyS0");
  EXPECT_EQ(ui.default_errors, std::vector<std::string>{(dir / "file" / "brisvel.ini").string() + " に書き込めません."});
}

TEST_F(RegistrationTest, RenameTakesShiftJisTextAndRefusesTheRest) {
  Registration& r = Make();
  r.list().append({"\x83\x65\x83\x8c\x83\x72", std::string(480, 'A')});
  EXPECT_TRUE(r.Rename(0, "エアコン 冷房"));
  EXPECT_EQ(r.list().at(0).name, *sjis::FromUtf8("エアコン 冷房"));

  EXPECT_FALSE(r.Rename(0, "TV 📺"));
  EXPECT_EQ(r.list().at(0).name, *sjis::FromUtf8("エアコン 冷房"));
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_NE(ui.errors[0].find("TV 📺"), std::string::npos);

  EXPECT_TRUE(r.Rename(0, ""));  // an edited name may be empty
  EXPECT_EQ(r.list().at(0).name, "");
}

// Confirming an edit without changing the text keeps bytes that decode to it, whether they
// are not Shift-JIS at all or the second code of a character (NEC's ED 40 is IBM's FA 5C).
TEST_F(RegistrationTest, RenameWithoutChangeKeepsTheBytes) {
  Registration& r = Make();
  for (const std::string& name : {std::string("A\xa0\x83"), std::string("\xed\x40"), std::string("\x83\x65")}) {
    SCOPED_TRACE(name);
    r.list().replaceAll({{name, "00"}});
    EXPECT_TRUE(r.Rename(0, sjis::ToUtf8(name)));
    EXPECT_EQ(r.list().at(0).name, name);
    EXPECT_FALSE(r.list().modified());
  }
  EXPECT_TRUE(ui.errors.empty());
}

TEST_F(RegistrationTest, RowWithoutDataGivesListIndexError) {
  Registration& r = Make();
  r.list().append({"name", std::nullopt});
  ui.file_answers.push_back(dir / "list.csv");
  EXPECT_FALSE(r.Save());
  EXPECT_EQ(ui.default_errors, std::vector<std::string>{"リストのインデックスが範囲を超えています (0)"});
  EXPECT_FALSE(std::filesystem::exists(dir / "list.csv"));
}

TEST(DefaultErrorBox, AppendsPeriodAfterCharactersAboveIt) {
  const std::pair<std::string, std::string> cases[] = {
      {"error -- read", "error -- read."}, {"ファイル", "ファイル."},        {"index (0)", "index (0)"},
      {"done.", "done."},                  {"ends with comma,", "ends with comma,"},
      {"ends with slash/", "ends with slash/."}, {"", ""},
  };
  for (const auto& [message, shown] : cases) EXPECT_EQ(WithClosingPeriod(message), shown) << message;
}

// Each question as every front end shows it, and what each of its buttons answers.
TEST(QuestionBox, CarriesItsWordsAndMapsEveryButton) {
  struct Recorder : testing_support::ScriptedUserInterface {
    std::size_t ask(const brisvel::Question& question) override {
      seen.push_back(question);
      return button;
    }
    std::vector<brisvel::Question> seen;
    std::size_t button = 0;
  };
  struct Case {
    int (*ask)(UserInterface&);
    Question box;
    std::vector<int> answers;
  };
  const Case cases[] = {
      {[](UserInterface& ui) { return static_cast<int>(ui.UserInterface::askUnsavedChanges("q")); },
       {"リモコンデータ登録", "q", {"保存", "破棄", "キャンセル"}, 0, 2, false}, {0, 1, 2}},
      {[](UserInterface& ui) { return static_cast<int>(ui.UserInterface::askRestore("q")); },
       {"BrisvelRemo", "q", {"復元", "破棄"}, 0, 1, true}, {1, 0}},
      {[](UserInterface& ui) { return static_cast<int>(ui.UserInterface::askOverwrite("q")); },
       {"リモコンデータ登録", "q", {"上書き", "キャンセル"}, 1, 1, false}, {1, 0}},
  };
  for (const Case& c : cases) {
    for (std::size_t button = 0; button < c.answers.size(); ++button) {
      Recorder ui;
      ui.button = button;
      EXPECT_EQ(c.ask(ui), c.answers[button]) << c.box.buttons[button];
      ASSERT_EQ(ui.seen.size(), 1u);
      const brisvel::Question& shown = ui.seen[0];
      EXPECT_EQ(std::tie(shown.caption, shown.text, shown.buttons, shown.default_button, shown.escape_button,
                         shown.before_window),
                std::tie(c.box.caption, c.box.text, c.box.buttons, c.box.default_button, c.box.escape_button,
                         c.box.before_window));
    }
  }
}

}  // namespace
}  // namespace brisvel

// brisvelremo-cli send against the simulated unit on a pseudo-terminal: what reaches the
// unit, and how a refusal or a failed step ends the program.
#include <gtest/gtest.h>

#include "cli_process.h"
#include "core/formats/code_list_file.h"
#include "core/formats/sjis.h"
#include "scratch_dir.h"
#include "unit_sim_process.h"

namespace brisvel {
namespace {

using namespace testing_support;

const std::string kCode = "8000FA5" + std::string(472, 'E') + "1";

class SendCliTest : public testing::Test {
 protected:
  void SetUp() override {
    SaveCodeListFile(file, std::vector<CodeEntry>{{"power", std::string(480, '0')},
                                                  {*sjis::FromUtf8("テレビ 音量"), kCode},
                                                  {"power", std::string(480, '1')}});
  }
  void StartUnit(const std::vector<std::string>& args) {
    unit = std::make_unique<Simulator>(args);
    device = unit->DevicePath();
  }

  ScratchDir dir;
  std::filesystem::path file = dir / "codes.csv";
  std::unique_ptr<Simulator> unit;
  std::string device;
};

TEST_F(SendCliTest, RowChosenByNameReachesTheUnitOnItsOutput) {
  StartUnit({});
  const CliResult cli = RunCli({"send", "--port", device, "--file", file.string(), "--name", "テレビ 音量", "--output", "3"});
  EXPECT_EQ(cli.status, 0) << cli.err;
  EXPECT_EQ(cli.err, "row 2: 送信しました（出力 3）\n");
#ifndef _WIN32
  EXPECT_EQ(unit->StdoutLine(), "output 3 " + kCode);
#endif
}

struct FailureCase {
  const char* label;
  std::vector<std::string> unit_args;
  std::vector<std::string> choice;  // the options after --port
  int status;
  std::string message;  // on stderr
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.label; }

class SendCliFailureTest : public SendCliTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(SendCliFailureTest, EndsWithTheStatusOfWhatWentWrong) {
  StartUnit(GetParam().unit_args);
  std::vector<std::string> args{"send", "--port", device};
  for (const std::string& option : GetParam().choice) args.push_back(option == "FILE" ? file.string() : option);
  const CliResult cli = RunCli(args);
  EXPECT_EQ(cli.status, GetParam().status);
  EXPECT_NE(cli.err.find(GetParam().message), std::string::npos) << cli.err;
}

INSTANTIATE_TEST_SUITE_P(
    Unit, SendCliFailureTest,
    testing::Values(
        FailureCase{"name_on_two_rows", {}, {"--file", "FILE", "--name", "power"}, 1, "rows 1, 3 are all named power; choose one with --row"},
        FailureCase{"no_such_row", {}, {"--file", "FILE", "--row", "4"}, 1, "codes.csv has no row 4 (it has 3)"},
        FailureCase{"output_not_Y", {"--output-ack", "0x4E"}, {"--data", kCode}, 6, "error -- not Y($59)\n"},
        FailureCase{"code_not_E", {"--sent-ack", "0x00"}, {"--data", kCode, "--output", "4"}, 8, "error -- not E($45)\n"},
        FailureCase{"output_5", {}, {"--data", kCode, "--output", "5"}, 64, "brisvelremo-cli: --output is 1, 2, 3 or 4"}),
    [](const auto& p) { return std::string(p.param.label); });

}  // namespace
}  // namespace brisvel

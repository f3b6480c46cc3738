// brisvelremo-cli show and check's hints on a file of a remote's signal and of random bytes.
#include <gtest/gtest.h>

#include <random>

#include "cli_process.h"
#include "core/formats/capture_exchange.h"
#include "core/formats/code_list_file.h"
#include "file_bytes.h"
#include "scratch_dir.h"
#include "signal_render.h"

namespace brisvel {
namespace {

using namespace testing_support;

class ShowCliTest : public testing::Test {
 protected:
  void SetUp() override {
    unit_sim::SignalRecipe nec;
    nec.fields = {0x04, 0x08};
    std::mt19937 random(7);
    unit::Code noise;
    for (auto& byte : noise) byte = static_cast<std::uint8_t>(random());
    SaveCodeListFile(file, std::vector<CodeEntry>{{"power", HexText(unit_sim::Render(nec))}, {"noise", HexText(noise)}});
  }

  ScratchDir dir;
  std::filesystem::path file = dir / "codes.csv";
};

// The NEC leader starts 5 ms in and lasts 9 ms: 2 ms columns 2 to 6, then 4.5 ms of space.
TEST_F(ShowCliTest, EachRowWithItsDecodedLineAndPulses) {
  const CliResult cli = RunCli({"show", file.string()});
  ASSERT_EQ(cli.status, 0) << cli.err;
  const std::string power = "1 power\nNEC  address 0x04  command 0x08\n▁▁█████▁▁█";
  EXPECT_TRUE(cli.out.starts_with(power)) << cli.out;
  EXPECT_NE(cli.out.find("\n2 noise\nunknown"), std::string::npos) << cli.out;
  const std::size_t line_end = cli.out.find('\n', power.size());
  EXPECT_EQ(line_end - (power.size() - 10 * 3), 96u * 3) << "96 columns of 3-byte characters";
}

TEST_F(ShowCliTest, SvgOfOneRowOnly) {
  const auto svg = dir / "power.svg";
  EXPECT_EQ(RunCli({"show", file.string(), "--svg", svg.string()}).status, 64);
  EXPECT_FALSE(std::filesystem::exists(svg));
  EXPECT_EQ(RunCli({"show", file.string(), "--row", "3", "--svg", svg.string()}).status, 1);
  ASSERT_EQ(RunCli({"show", file.string(), "--name", "power", "--svg", svg.string()}).status, 0);
  EXPECT_TRUE(ReadFileBytes(svg).starts_with("<svg")) << ReadFileBytes(svg);
}

TEST_F(ShowCliTest, CheckHintsLeaveItsStatusAlone) {
  const CliResult cli = RunCli({"check", file.string()});
  EXPECT_EQ(cli.status, 0) << cli.out;
  EXPECT_NE(cli.out.find("hint: row 2: the code decodes as no known protocol"), std::string::npos) << cli.out;
  EXPECT_EQ(cli.out.find("hint: row 1"), std::string::npos) << cli.out;
}

}  // namespace
}  // namespace brisvel

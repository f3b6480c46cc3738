// brisvelremo-cli check, export and import on files that are not regular files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "cli_process.h"
#include "core/formats/code_list_file.h"
#include "file_bytes.h"
#include "scratch_dir.h"

namespace brisvel {
namespace {

using namespace testing_support;

class CodeListCliLinuxTest : public testing::Test {
 protected:
  ScratchDir dir;
};

TEST_F(CodeListCliLinuxTest, CheckOfAFolderSaysSo) {
  std::filesystem::create_directory(dir / "folder");
  const CliResult cli = RunCli({"check", (dir / "folder").string()});
  EXPECT_EQ(cli.status, 2);
  EXPECT_EQ(cli.err, "ファイル \"" + (dir / "folder").string() + "\". Is a directory は開けません\n");
  EXPECT_EQ(cli.out, "");
}

// Where the output is a device, a FIFO or a terminal, the text goes into it as a shell's
// redirection would put it; a folder is refused, and stays a folder.
TEST_F(CodeListCliLinuxTest, OutputThatIsNotARegularFileIsWrittenInPlace) {
  const auto list = dir / "list.csv";
  SaveCodeListFile(list, std::vector<CodeEntry>{{"a", std::string(480, '1')}});
  const auto csv = dir / "list-utf8.csv";
  ASSERT_EQ(RunCli({"export", list.string(), "--format", "csv", "-o", csv.string()}).status, 0);
  const auto fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);  // lets the writer's open through
  ASSERT_GE(reader, 0);
  std::filesystem::create_directory(dir / "folder");

  struct Case {
    std::vector<std::string> args;
    std::string output;  // on stdout, or for the FIFO what its reader gets
    int status;
  };
  const Case cases[] = {
      {{"export", list.string(), "--format", "csv", "-o", "-"}, ReadFileBytes(csv), 0},
      {{"export", list.string(), "--format", "csv", "-o", "/dev/stdout"}, ReadFileBytes(csv), 0},
      {{"import", csv.string(), "-o", "-"}, ReadFileBytes(list), 0},
      {{"import", csv.string(), "-o", fifo.string()}, ReadFileBytes(list), 0},
      {{"export", list.string(), "--format", "csv", "-o", (dir / "folder").string()}, "", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    const CliResult cli = RunCli(c.args);
    EXPECT_EQ(cli.status, c.status) << cli.err;
    std::string fifo_text(4096, '\0');
    const ssize_t got = ::read(reader, fifo_text.data(), fifo_text.size());
    fifo_text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    EXPECT_EQ(c.args.back() == fifo.string() ? fifo_text : cli.out, c.output);
  }
  ::close(reader);
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
}

}  // namespace
}  // namespace brisvel

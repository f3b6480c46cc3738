// brisvelremo-cli check, export and import on real files.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <regex>

#include "cli_process.h"
#include "commands/messages.h"
#include "core/formats/code_list_file.h"
#include "core/formats/sjis.h"
#include "file_bytes.h"
#include "scratch_dir.h"

namespace brisvel {
namespace {

using namespace testing_support;

std::string Code(char digit) { return std::string(480, digit); }

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// One row each: a file with all of them costs two program starts per format, which under
// wine is seconds each on a loaded machine.
const std::string kNames[] = {
    "TV power",
    "エアコン 冷房 ～",
    "ﾃﾚﾋﾞ ｵﾝ",
    "say \"hi\", then \"\"bye\"\"",
    "",
    "=HYPERLINK(\"http://example.com\",\"x\")",
    "+1+1",
    "-2",
    "@SUM(1)",
    "\tTab",
    "'quoted",
    "''",
};

class CodeListCliTest : public testing::Test {
 protected:
  ScratchDir dir;
};

// Export to UTF-8 and import back gives the very file we started from, and a program that
// reads the export sees the names as the user typed them.
TEST_F(CodeListCliTest, ExportThenImportGivesTheSameFile) {
  const auto original = dir / "original.csv";
  std::vector<CodeEntry> entries;
  for (const std::string& name : kNames) entries.push_back({*sjis::FromUtf8(name), Code('2')});
  SaveCodeListFile(original, entries);

  for (const std::string format : {"csv", "json"}) {
    SCOPED_TRACE(format);
    const auto exported = dir / ("exported." + format);
    const auto imported = dir / "imported.csv";
    CliResult cli = RunCli({"export", original.string(), "--format", format, "-o", exported.string()});
    ASSERT_EQ(cli.status, 0) << cli.err;
    const std::string text = ReadFileBytes(exported);
    if (format == "json") {
      const auto rows = nlohmann::json::parse(text);
      ASSERT_EQ(rows.size(), std::size(kNames));
      for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i]["name"], kNames[i]);
        EXPECT_EQ(rows[i]["data"], Code('2'));
      }
    } else {
      EXPECT_TRUE(text.starts_with("\xEF\xBB\xBFname,data\r\nTV power,")) << text;
      // Spreadsheets take no cell for a formula.
      for (const char* cell : {"\r\n\"'=HYPERLINK(", "\r\n'+1+1,", "\r\n'-2,", "\r\n'@SUM(1),", "\r\n'\tTab,",
                               "\r\n''quoted,", "\r\n''',"}) {
        EXPECT_NE(text.find(cell), std::string::npos) << cell;
      }
    }

    cli = RunCli({"import", exported.string(), "-o", imported.string()});
    ASSERT_EQ(cli.status, 0) << cli.err;
    EXPECT_EQ(ReadFileBytes(imported), ReadFileBytes(original));
  }
}

// RFC 4180 as a spreadsheet writes it: quotes doubled, a line break inside quotes, LF ends.
TEST_F(CodeListCliTest, ImportReadsSpreadsheetCsv) {
  WriteBytes(dir / "sheet.csv", "name,data\n\"a, \"\"b\"\"\"," + Code('3') + "\n\"two\nlines\"," + Code('4') + "\n\n");
  const CliResult cli = RunCli({"import", (dir / "sheet.csv").string(), "-o", (dir / "list.csv").string()});
  ASSERT_EQ(cli.status, 0) << cli.err;
  const LoadedCodeList loaded = LoadCodeListFile(dir / "list.csv");
  EXPECT_EQ(loaded.entries,
            (std::vector<CodeEntry>{{"a, \"b\"", Code('3')}, {"two\r\nlines", Code('4')}}));
}

TEST_F(CodeListCliTest, ImportRefusesANameShiftJisCannotHoldAndWritesNothing) {
  const auto list = dir / "list.csv";
  WriteBytes(list, "kept");
  for (const char* format : {"csv", "json"}) {
    SCOPED_TRACE(format);
    const auto input = dir / (std::string("in.") + format);
    if (std::string(format) == "json") {
      WriteBytes(input, nlohmann::json{{{"name", "ok"}, {"data", Code('1')}}, {{"name", "TV 📺"}, {"data", Code('2')}}}.dump());
    } else {
      WriteBytes(input, "name,data\r\nok," + Code('1') + "\r\nTV 📺," + Code('2') + "\r\n");
    }
    const CliResult cli = RunCli({"import", input.string(), "-o", list.string()});
    EXPECT_EQ(cli.status, 1);
    EXPECT_EQ(cli.err, "row 2: " + NotShiftJisMessage("TV 📺") + "\n");
    EXPECT_EQ(ReadFileBytes(list), "kept");
  }
}

TEST_F(CodeListCliTest, ExportRefusesANameThatWouldNotComeBack) {
  // 0xA0 is not Shift-JIS; 0xEEEF is NEC's second code for the character IBM puts at 0xFA40.
  for (const std::string& bad_name : {std::string("TV\xA0"), std::string("\xEE\xEF")}) {
    SCOPED_TRACE(bad_name);
    const auto list = dir / "list.csv";
    SaveCodeListFile(list, std::vector<CodeEntry>{{"ok", Code('1')}, {bad_name, Code('2')}});
    const CliResult cli = RunCli({"export", list.string(), "--format", "csv", "-o", (dir / "out.csv").string()});
    EXPECT_EQ(cli.status, 1);
    EXPECT_TRUE(cli.err.starts_with("row 2: the name ")) << cli.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.csv"));
  }
}

struct CheckCase {
  const char* label;
  std::string file;
  int status;
  std::vector<std::string> report;  // lines after the row count
};

void PrintTo(const CheckCase& c, std::ostream* out) { *out << c.label; }

class CheckCliTest : public CodeListCliTest, public testing::WithParamInterface<CheckCase> {};

TEST_P(CheckCliTest, ReportsWhatWouldNotSurvive) {
  const auto list = dir / "list.csv";
  WriteBytes(list, GetParam().file);
  const CliResult cli = RunCli({"check", list.string()});
  EXPECT_EQ(cli.status, GetParam().status) << cli.err;
  std::string expected;
  for (const auto& line : GetParam().report) expected += line + "\n";
  const size_t first_break = cli.out.find('\n');
  ASSERT_NE(first_break, std::string::npos) << cli.out;
  // These rows' codes are no remote's signal; the hints about that are tested with real ones.
  const std::regex hints("hint: [^\n]*\n");
  EXPECT_EQ(std::regex_replace(cli.out.substr(first_break + 1), hints, ""), expected);
}

const std::string kA = "\"a\",\"" + Code('A') + "\"\r\n";
const std::string kB = "\"b\",\"" + Code('B') + "\"\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, CheckCliTest,
    testing::Values(
        CheckCase{"clean", kA + kB, 0, {}},
        CheckCase{"empty_file", "", 0, {}},
        CheckCase{"lf_line_ends", "\"a\",\"" + Code('A') + "\"\n\"b\",\"" + Code('B') + "\"\n", 1,
                  {"lines 1-2: saving would write differently"}},
        CheckCase{"blank_line_between", kA + "\r\n" + kB + kA, 1,
                  {"line 2: saving would write differently",
                   "row 4: no name and no data text; loading stops there "
                   "(リストのインデックスが範囲を超えています (6))",
                   "rows 1, 3: the same code (\"a\", \"a\")"}},
        CheckCase{"missing_data", kA + "\"b\"\r\n", 1,
                  {"line 2: saving would write differently",
                   "row 2: no data text; loading stops there (リストのインデックスが範囲を超えています (3))"}},
        CheckCase{"empty_and_short_data", kA + "\"b\",\"\"\r\n\"c\",\"12AB\"\r\n\"d\",\"" + std::string(480, 'G') + "\"\r\n",
                  1,
                  {"row 2: no data text", "rows 3-4: data text is not 480 hexadecimal digits"}},
        CheckCase{"same_code_three_times", kA + kB + "\"\x83\x65\x83\x8c\x83\x72\",\"" + Code('A') + "\"\r\n" + kA, 1,
                  {"rows 1, 3-4: the same code (\"a\", \"テレビ\", \"a\")"}}),
    [](const auto& p) { return std::string(p.param.label); });

TEST_F(CodeListCliTest, CheckOfAFileThatCannotBeReadSaysWhy) {
  const CliResult cli = RunCli({"check", (dir / "absent.csv").string()});
  EXPECT_EQ(cli.status, 2);
  EXPECT_NE(cli.err.find("は開けません"), std::string::npos) << cli.err;
}

}  // namespace
}  // namespace brisvel

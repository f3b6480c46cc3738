// Property views and word tables, without a port.

#include <gtest/gtest.h>

#include "pty_support.h"
#include "serial/rs232c.h"

namespace brisvel::serial {
namespace {

TEST(ParityWords, EveryWordSelectsItsCode) {
  const std::vector<std::pair<std::string, int>> table = {
      {"無し", 0},     {"なし", 0},     {"奇数", 1},     {"きすう", 1},   {"ODD", 1},
      {"odd", 1},      {"ＯＤＤ", 1},   {"ｏｄｄ", 1},   {"偶数", 2},     {"ぐうすう", 2},
      {"EVEN", 2},     {"even", 2},     {"ＥＶＥＮ", 2}, {"ｅｖｅｎ", 2}, {"マーク", 3},
      {"まーく", 3},   {"MARK", 3},     {"mark", 3},     {"ＭＡＲＫ", 3}, {"ｍａｒｋ", 3},
      {"スペース", 4}, {"すぺーす", 4}, {"SPACE", 4},    {"space", 4},    {"ＳＰＡＣＥ", 4},
      {"ｓｐａｃｅ", 4}};
  for (const auto& [word, code] : table) EXPECT_EQ(parityCodeOf(word), code) << word;
}

TEST(ParityWords, NearMissesSelectNothing) {
  for (std::string word : {"Odd", "odd ", " odd", "ＯＤＤ ", "Ｏｄｄ", "none", "", "無",
                           "\x96\xb3\x82\xb5" /* Shift-JIS bytes of 無し */})
    EXPECT_EQ(parityCodeOf(word), -1) << word;
}

TEST(StopBits, OnlyTheThreeTexts) {
  EXPECT_EQ(stopBitCodeOf("1"), 0);
  EXPECT_EQ(stopBitCodeOf("1.5"), 1);
  EXPECT_EQ(stopBitCodeOf("2"), 2);
  for (std::string text : {"3", "1.0", " 1", "", "2 "}) EXPECT_EQ(stopBitCodeOf(text), -1) << text;
}

TEST(Flow, ViewOfTheLowFifteenBits) {
  testing::PumpLog log;
  Trs232c port(std::make_unique<testing::PumpedWindow>(log));
  port.set_flow({dfBinary, dfOutX});
  EXPECT_EQ(port.flowflag, 0x101u);

  port.flowflag = 0x8001;
  EXPECT_EQ(port.flow(), rsflowset{dfBinary});

  port.flowflag = 0xffffffff;
  port.set_flow(port.flow());
  EXPECT_EQ(port.flowflag, 0x7fffu);
  EXPECT_TRUE(port.flow().contains(dfAbortOnError));

  port.set_flow({});
  EXPECT_EQ(port.flowflag, 0u);
}

TEST(Defaults, AsConstructed) {
  testing::PumpLog log;
  Trs232c port(std::make_unique<testing::PumpedWindow>(log));
  EXPECT_EQ(port.charbit, 8);
  EXPECT_EQ(port.stopbit, "1");
  EXPECT_EQ(port.bps, 9600);
  EXPECT_EQ(port.portname, "COM1");
  EXPECT_EQ(port.rxbuffsize, 1024);
  EXPECT_EQ(port.txbuffsize, 1024);
  EXPECT_EQ(port.readinterval, 0);
  EXPECT_EQ(port.txtimeout, 30000);
  EXPECT_EQ(port.rxtimeout, 30000);
  EXPECT_EQ(port.paritymode, "無し");
  EXPECT_EQ(port.flowflag, 1u);
  EXPECT_EQ(port.packetsize, 0);
  EXPECT_FALSE(port.debug);
  EXPECT_EQ(port.XonChar, 17);
  EXPECT_EQ(port.XoffChar, 19);
  EXPECT_EQ(port.ErrorChar + port.EofChar + port.EvtChar + port.XonLim + port.XoffLim, 0);
  EXPECT_FALSE(port.IsOpen());
}

}  // namespace
}  // namespace brisvel::serial

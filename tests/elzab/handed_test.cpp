// The summary of what the host has of a register's day, kept while a failed import is
// recovered: it must read back exactly as written, and a file the driver did not write must
// never be taken for one.
#include <gtest/gtest.h>

#include "elzab/elxhanded.h"
#include "testutil/TempDir.h"

namespace {

using records::FormatSummary;
using records::ParseSummary;

TEST(ReadSummary, ReadsBackExactlyAsWritten) {
  ReadSummary s;
  s.identity = "7 LAN 10.0.0.5:1001";
  s.day = 46364;
  s.receiptsFunction = 6;
  s.receiptLines = 123456789012;
  s.receiptHash = 0xfedcba9876543210ull;
  s.hasSales = true;
  s.sales = {{"12", {1500, 350}}, {"0007", {0.1 * 3 * 1000, -0.07}}, {"a;b", {1e300, 0}}};
  s.hasReturns = false;
  s.settings = PassSettings{true, true, true};
  ReadSummary back;
  ASSERT_TRUE(ParseSummary(FormatSummary(s), back)) << FormatSummary(s);
  EXPECT_EQ(back.identity, s.identity);
  EXPECT_EQ(back.day, s.day);
  EXPECT_EQ(back.receiptsFunction, 6);
  EXPECT_EQ(back.receiptLines, s.receiptLines);
  EXPECT_EQ(back.receiptHash, s.receiptHash);
  EXPECT_TRUE(back.hasSales);
  EXPECT_FALSE(back.hasReturns);
  EXPECT_EQ(back.settings, s.settings);
  ASSERT_EQ(back.sales.size(), 3u);
  for (const auto& [code, sum] : s.sales) {
    EXPECT_EQ(back.sales[code].quantity, sum.quantity) << code;
    EXPECT_EQ(back.sales[code].value, sum.value) << code;
  }
  EXPECT_FALSE(back.Empty());
}

TEST(ReadSummary, AFileTheDriverDidNotWriteIsRefused) {
  const std::string head = "kasa=1 COM1\r\ndzien=2026-12-08\r\n";
  ReadSummary s;
  ASSERT_TRUE(ParseSummary(head + "paragony=5;3;00000000000000ff\r\n", s));
  for (const char* bad : {"paragony=7;3;00ff\r\n", "paragony=5;-3;00ff\r\n", "paragony=5;3\r\n",
                          "paragony=5;3;xyz\r\n", "sprzedaz=12;1.5\r\n", "sprzedaz=12;1,5;350\r\n",
                          "zwroty=12;1.5;\r\n", "kasa\r\n", "dzien=wczoraj\r\n", "inne=1\r\n",
                          "ustawienia=2;0;0\r\n", "ustawienia=1;0\r\n", "ustawienia=0;1;x\r\n"}) {
    EXPECT_FALSE(ParseSummary(head + bad, s)) << bad;
  }
  EXPECT_FALSE(ParseSummary("dzien=2026-12-08\r\n", s));
  EXPECT_FALSE(ParseSummary("kasa=1 COM1\r\n", s));
}

TEST(ReadSummary, HashesTheReceiptBuffersDataLinesUpToALimit) {
  testutil::TempDir dir("handed");
  testutil::WriteFile(dir.File("all.out"), "#1\r\n#\r\n#\r\n$1\ta\r\n$4\tb\r\n$1\tc\r\n");
  testutil::WriteFile(dir.File("two.out"), "#9\r\n$1\ta\r\n\r\n$4\tb\r\n");
  int64_t lines = 0, two = 0;
  uint64_t hashAll = 0, hashTwo = 0, hashFirstTwo = 0;
  ASSERT_TRUE(HashDataLines(dir.File("all.out"), -1, lines, hashAll));
  EXPECT_EQ(lines, 3);
  ASSERT_TRUE(HashDataLines(dir.File("all.out"), 2, lines, hashFirstTwo));
  EXPECT_EQ(lines, 2);
  ASSERT_TRUE(HashDataLines(dir.File("two.out"), -1, two, hashTwo));
  EXPECT_EQ(two, 2);
  EXPECT_EQ(hashFirstTwo, hashTwo);
  EXPECT_NE(hashAll, hashTwo);
  EXPECT_FALSE(HashDataLines(dir.File("none.out"), -1, lines, hashAll));
}

}  // namespace

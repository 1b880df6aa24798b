// The host library's number and date tools read and write the same bytes whatever locale the
// host switched its process to: each case runs in the C locale, then in a decimal-comma one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostlib/TdtTools.h"
#include "hostlib/TxTools.h"
#include "hostlib/TxfTools.h"
#include "testutil/DecimalComma.h"

namespace {

class DecimalComma : public ::testing::Test {
 protected:
  testutil::CLocaleAfterwards restore_;
};

std::vector<double> ReadDecimals() {
  std::vector<double> out;
  for (const char* text : {"1.500", "12.50", " -1.5kg", "4.3125", ".5", "3.", "12,50", "1e5"}) {
    out.push_back(TxfTools::ParseLeading(text));
  }
  out.push_back(TxfTools::StrToDecimal(" 0.001 "));
  double value = -1;
  out.push_back(TxfTools::TryStrToDecimal("12,5", value) ? 1 : 0);
  out.push_back(TxfTools::Round(2.675, 2));
  out.push_back(TxfTools::Round(1234.5678, 3));
  return out;
}

std::vector<std::string> WrittenDecimals() {
  return {
      TxfTools::Format(1.5, 3),
      TxfTools::Format(-4.3125, 2),
      TxTools::Format("%f|%.2f|%8.3f|%-6.1f|%+.0f", 1.5, 2.675, -0.5, 7.25, 9.5),
      // 0.005L is a hair below 0.005 in binary.
      TxTools::Format("%.02Lf zł|%.0Lf|%.2Lf", 12345.0L / 100, 1250.0L, 0.005L),
      TxTools::Format("%d;%5d;%u;%lld", -12, 42, 7u, 1234567890123LL),
      TxTools::IntToStr(-9876543210LL),
  };
}

std::vector<std::string> DatesAndIntegers() {
  std::vector<std::string> out;
  for (const char* text : {"2026-03-09", "09.03.2026 14:05", "20260309140506789", "9/3/2026"}) {
    double date = 0;
    const bool ok = TdtTools::ParseHostDate(text, date);
    out.push_back(ok ? TdtTools::FormatCompressed(date) : "-");
  }
  const double date = TdtTools::EncodeDate(2026, 3, 9) + 0.25;
  out.push_back(TdtTools::FormatReadable(date));
  out.push_back(TdtTools::FormatDate(date));
  out.push_back(TdtTools::FormatHour(date));
  out.push_back(TxTools::IntToStr(TxTools::StrToIntDef(" -17", 0)));
  out.push_back(TxTools::IntToStr(TxTools::LeadingInt("23,00")));
  return out;
}

}  // namespace

TEST_F(DecimalComma, DecimalsAreReadWithAPoint) {
  const std::vector<double> inC = ReadDecimals();
  ASSERT_NO_FATAL_FAILURE(testutil::SwitchToDecimalComma());
  EXPECT_EQ(ReadDecimals(), inC);
  EXPECT_EQ(
      inC, (std::vector<double>{1.5, 12.5, -1.5, 4.3125, 0.5, 3, 12, 1, 0.001, 0, 2.68, 1234.568}));
}

TEST_F(DecimalComma, DecimalsAreWrittenWithAPoint) {
  const std::vector<std::string> inC = WrittenDecimals();
  ASSERT_NO_FATAL_FAILURE(testutil::SwitchToDecimalComma());
  EXPECT_EQ(WrittenDecimals(), inC);
  EXPECT_EQ(inC, (std::vector<std::string>{"1.500", "-4.31", "1.500000|2.67|  -0.500|7.2   |+10",
                                           "123.45 zł|1250|0.00", "-12;   42;7;1234567890123",
                                           "-9876543210"}));
}

TEST_F(DecimalComma, DatesAndIntegersAreReadAndWrittenAlike) {
  const std::vector<std::string> inC = DatesAndIntegers();
  ASSERT_NO_FATAL_FAILURE(testutil::SwitchToDecimalComma());
  EXPECT_EQ(DatesAndIntegers(), inC);
  EXPECT_EQ(inC, (std::vector<std::string>{"20260309000000000", "20260309140500000",
                                           "20260309140506789", "20260309000000000",
                                           "2026-03-09 06:00:00", "2026-03-09", "6", "-17", "23"}));
}

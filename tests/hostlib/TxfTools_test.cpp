#include "hostlib/TxfTools.h"

#include <gtest/gtest.h>

#include <limits>

#include "hostlib/Exceptions.h"

TEST(TxfTools, ParseLeadingTakesTheLongestLeadingNumber) {
  EXPECT_DOUBLE_EQ(TxfTools::ParseLeading("12.50"), 12.5);
  EXPECT_DOUBLE_EQ(TxfTools::ParseLeading(" -1.5kg"), -1.5);
  EXPECT_DOUBLE_EQ(TxfTools::ParseLeading("3."), 3.0);
  EXPECT_DOUBLE_EQ(TxfTools::ParseLeading(".5"), 0.5);
  EXPECT_DOUBLE_EQ(TxfTools::ParseLeading("12,50"), 12.0);  // a comma is no separator
  EXPECT_DOUBLE_EQ(TxfTools::ParseLeading("abc"), 0.0);
  EXPECT_DOUBLE_EQ(TxfTools::ParseLeading(""), 0.0);
  EXPECT_DOUBLE_EQ(TxfTools::ParseLeading("-"), 0.0);
  EXPECT_DOUBLE_EQ(TxfTools::ParseLeading("1e5"), 1.0);
}

TEST(TxfTools, ParseLeadingReadsTheDecimalExactly) {
  EXPECT_EQ(TxfTools::ParseLeading("0.1"), 0.1);
  EXPECT_EQ(TxfTools::ParseLeading("+2.675"), 2.675);
  EXPECT_EQ(TxfTools::ParseLeading("-0.3x"), -0.3);
  EXPECT_EQ(TxfTools::ParseLeading("9007199254740993"), 9007199254740992.0);  // to even
  EXPECT_EQ(TxfTools::ParseLeading("123456789.123456789"), 123456789.123456789);
}

TEST(TxfTools, ANumberTooLargeForADoubleIsNoNumber) {
  const std::string huge = "1" + std::string(400, '0');
  EXPECT_EQ(TxfTools::ParseLeading(huge), 0.0);
  double value = 5;
  EXPECT_FALSE(TxfTools::TryStrToDecimal(huge + ".5", value));
  EXPECT_EQ(value, 5.0);
  // Too small to tell from 0 is 0.
  EXPECT_TRUE(TxfTools::TryStrToDecimal("0." + std::string(400, '0') + "1", value));
  EXPECT_EQ(value, 0.0);
}

TEST(TxfTools, StrictConversionRefusesAnythingButANumber) {
  EXPECT_DOUBLE_EQ(TxfTools::StrToDecimal(" 4.3125 "), 4.3125);
  EXPECT_DOUBLE_EQ(TxfTools::StrToDecimal("+1.5"), 1.5);
  EXPECT_DOUBLE_EQ(TxfTools::StrToDecimal("-.5"), -0.5);
  EXPECT_DOUBLE_EQ(TxfTools::StrToDecimal("7."), 7.0);
  EXPECT_THROW(TxfTools::StrToDecimal("."), EConvertError);
  EXPECT_THROW(TxfTools::StrToDecimal("+"), EConvertError);
  EXPECT_THROW(TxfTools::StrToDecimal("1e5"), EConvertError);
  EXPECT_THROW(TxfTools::StrToDecimal(""), EConvertError);
  EXPECT_THROW(TxfTools::StrToDecimal("1.2.3"), EConvertError);
  EXPECT_THROW(TxfTools::StrToDecimal("12,5"), EConvertError);
}

TEST(TxfTools, RoundsHalvesAwayFromZero) {
  EXPECT_DOUBLE_EQ(TxfTools::Round(2.5, 0), 3.0);
  EXPECT_DOUBLE_EQ(TxfTools::Round(-2.5, 0), -3.0);
  EXPECT_DOUBLE_EQ(TxfTools::Round(2.675, 2), 2.68);  // 267.4999... in binary
  EXPECT_DOUBLE_EQ(TxfTools::Round(1.005, 2), 1.01);
  EXPECT_DOUBLE_EQ(TxfTools::Round(4.3125, 2), 4.31);
  EXPECT_DOUBLE_EQ(TxfTools::Round(1234567.0, 0), 1234567.0);
  EXPECT_DOUBLE_EQ(TxfTools::Round(0.285, 2), 0.29);
  EXPECT_DOUBLE_EQ(TxfTools::Round(-0.285, 2), -0.29);
  EXPECT_DOUBLE_EQ(TxfTools::Round(1.23456789e20, 2), 1.23456789e20);
  EXPECT_DOUBLE_EQ(TxfTools::Round(125.0, -1), 130.0);
  EXPECT_EQ(TxfTools::Round(std::numeric_limits<double>::infinity(), 2),
            std::numeric_limits<double>::infinity());
}

TEST(TxfTools, FormatsWithAPointAndFixedDecimals) {
  EXPECT_EQ(TxfTools::Format(4.3125, 2), "4.31");
  EXPECT_EQ(TxfTools::Format(2.5, 0), "3");
  EXPECT_EQ(TxfTools::Format(-0.001, 2), "0.00");
  EXPECT_EQ(TxfTools::Format(2.675, 2), "2.68");
  EXPECT_EQ(TxfTools::Format(-1234567.125, 3), "-1234567.125");
  EXPECT_EQ(TxfTools::Format(0.5, 0), "1");
  EXPECT_EQ(TxfTools::Format(12.5, -1), "13");  // no decimals below none
}

TEST(TxfTools, WholeNumbersKeepTheirSignAndEveryDigit) {
  EXPECT_EQ(TxfTools::Format(-1234.4, 0), "-1234");
  EXPECT_EQ(TxfTools::Format(-0.4, 0), "0");
  EXPECT_EQ(TxfTools::Format(123456789012.0, 0), "123456789012");
  EXPECT_EQ(TxfTools::Format(1e17, 0), "100000000000000000");
}

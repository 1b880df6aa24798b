#include "hostlib/TxfTools.h"

#include <gtest/gtest.h>

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

TEST(TxfTools, StrictConversionRefusesAnythingButANumber) {
  EXPECT_DOUBLE_EQ(TxfTools::StrToDecimal(" 4.3125 "), 4.3125);
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
}

TEST(TxfTools, FormatsWithAPointAndFixedDecimals) {
  EXPECT_EQ(TxfTools::Format(4.3125, 2), "4.31");
  EXPECT_EQ(TxfTools::Format(2.5, 0), "3");
  EXPECT_EQ(TxfTools::Format(-0.001, 2), "0.00");
}

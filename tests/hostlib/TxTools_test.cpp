#include "hostlib/TxTools.h"

#include <gtest/gtest.h>

#include "hostlib/Exceptions.h"

TEST(TxTools, SelectWordCountsFromZeroAndGivesEmptyPastTheEnd) {
  EXPECT_EQ(TxTools::SelectWord("ASS;12;Napoje", 0, ';'), "ASS");
  EXPECT_EQ(TxTools::SelectWord("ASS;12;Napoje", 2, ';'), "Napoje");
  EXPECT_EQ(TxTools::SelectWord("ASS;12;Napoje", 3, ';'), "");
  EXPECT_EQ(TxTools::SelectWord("a;;b", 1, ';'), "");
  EXPECT_EQ(TxTools::SelectWord("a;b", -1, ';'), "");
  EXPECT_EQ(TxTools::SelectWord("", 0, ';'), "");
}

TEST(TxTools, DeleteCharsRemovesEveryCharacterOfTheSet) {
  EXPECT_EQ(TxTools::DeleteChars("21???45", "?"), "2145");
  EXPECT_EQ(TxTools::DeleteChars("05.03.14 08:30", ".: "), "0503140830");
  EXPECT_EQ(TxTools::DeleteChars("abc", ""), "abc");
}

TEST(TxTools, TrimRemovesBlanksAndControlCharacters) {
  EXPECT_EQ(TxTools::Trim(" \t\r\n x y \x01"), "x y");
  EXPECT_EQ(TxTools::Trim("   "), "");
  EXPECT_EQ(TxTools::TrimSpaces(" \tx "), "\tx");
}

TEST(TxTools, UpperAndLowerCaseKnowPolishLetters) {
  EXPECT_EQ(TxTools::UpperCase("elzab k10 online"), "ELZAB K10 ONLINE");
  EXPECT_EQ(TxTools::UpperCase("zażółć gęślą jaźń"), "ZAŻÓŁĆ GĘŚLĄ JAŹŃ");
  EXPECT_EQ(TxTools::LowerCase("ZAŻÓŁĆ GĘŚLĄ JAŹŃ"), "zażółć gęślą jaźń");
}

TEST(TxTools, StrictIntegersAcceptOnlyASignedNumber) {
  EXPECT_EQ(TxTools::StrToInt("12"), 12);
  EXPECT_EQ(TxTools::StrToInt("-7"), -7);
  EXPECT_EQ(TxTools::StrToInt(" 5"), 5);
  EXPECT_THROW(TxTools::StrToInt(""), EConvertError);
  EXPECT_THROW(TxTools::StrToInt("12a"), EConvertError);
  EXPECT_THROW(TxTools::StrToInt("1.5"), EConvertError);
  EXPECT_THROW(TxTools::StrToInt("99999999999"), EConvertError);
  EXPECT_EQ(TxTools::StrToIntDef("x", 0), 0);
  EXPECT_EQ(TxTools::StrToIntDef("2147483647", 0), 2147483647);
  EXPECT_EQ(TxTools::StrToIntDef("-2147483648", 0), -2147483647 - 1);
}

TEST(TxTools, LeadingIntReadsDigitsUpToTheFirstOtherCharacter) {
  EXPECT_EQ(TxTools::LeadingInt("2300"), 2300);
  EXPECT_EQ(TxTools::LeadingInt("  -12abc"), -12);
  EXPECT_EQ(TxTools::LeadingInt("23.00"), 23);
  EXPECT_EQ(TxTools::LeadingInt("abc"), 0);
  EXPECT_EQ(TxTools::LeadingInt(""), 0);
  EXPECT_EQ(TxTools::LeadingInt("99999999999999999999"), 2147483647);
}

TEST(TxTools, SplitLinesAtCrLfOrCrLf) {
  EXPECT_TRUE(TxTools::SplitLines("").empty());
  EXPECT_EQ(TxTools::SplitLines("A\r\nB"), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(TxTools::SplitLines("A\rB\nC"), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(TxTools::SplitLines("A\r\n"), (std::vector<std::string>{"A"}));
  EXPECT_EQ(TxTools::SplitLines("A\r\n\r\nB"), (std::vector<std::string>{"A", "", "B"}));
}

TEST(TxTools, FormatLikePrintf) {
  EXPECT_EQ(TxTools::Format("$%d\t%-4s|", 3, "kg"), "$3\tkg  |");
  EXPECT_EQ(TxTools::Format("%s", ""), "");
}

#include "hostlib/TxTools.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

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
  EXPECT_EQ(TxTools::Format("100%% ok"), "100% ok");
}

TEST(TxTools, FormatWritesIntegersWithFlagsWidthAndPrecision) {
  EXPECT_EQ(TxTools::Format("%04d%02d%02d", 2026, 3, 9), "20260309");
  EXPECT_EQ(TxTools::Format("[%5d|%-5d|%05d|%+d|% d|%+d]", 42, 42, -42, 7, 7, -7),
            "[   42|42   |-0042|+7| 7|-7]");
  EXPECT_EQ(TxTools::Format("[%.3d|%6.3d|%.0d]", 5, -5, 0), "[005|  -005|]");
  EXPECT_EQ(TxTools::Format("[%*d|%-*d|%.*d]", 4, 1, 3, 2, 2, 3), "[   1|2  |03]");
  EXPECT_EQ(TxTools::Format("[%*d]", -4, 1), "[1   ]");
  EXPECT_EQ(TxTools::Format("%i %u %u", -3, 3u, static_cast<unsigned>(-1)), "-3 3 4294967295");
  EXPECT_EQ(TxTools::Format("%ld %lld %lld", -123456L, LLONG_MAX, LLONG_MIN),
            "-123456 9223372036854775807 -9223372036854775808");
  // The narrowing of "hh" and "h" is the formatter's own: it gets the promoted int, which
  // clang's format check would rather see narrowed already.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wformat"
#endif
  EXPECT_EQ(TxTools::Format("%hhd %hd %hhu %zu %llu", 200, 40000, 300, static_cast<size_t>(12),
                            ULLONG_MAX),
            "-56 -25536 44 12 18446744073709551615");
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
  EXPECT_EQ(TxTools::Format("%x %X %#x %#X %#x %o %#o %#o", 255u, 255u, 255u, 255u, 0u, 8u, 8u, 0u),
            "ff FF 0xff 0XFF 0 10 010 0");
  EXPECT_EQ(TxTools::Format("%08X", 0xBEEFu), "0000BEEF");
  EXPECT_EQ(TxTools::Format("KSElzabSGetErrMsstr_%05u", 17u), "KSElzabSGetErrMsstr_00017");
}

TEST(TxTools, FormatWritesTextsAndCharacters) {
  EXPECT_EQ(TxTools::Format("[%5s|%-5s|%.2s|%-6.3s]", "ab", "ab", "abc", "abcdef"),
            "[   ab|ab   |ab|abc   ]");
  EXPECT_EQ(TxTools::Format("%c%c%3c", 'P', 'L', 'U'), "PL  U");
  EXPECT_EQ(TxTools::Format("%s", static_cast<const char*>(nullptr)), "(null)");
  // With a precision a text is not read past it, so it need not end within.
  const char unterminated[3] = {'a', 'b', 'c'};
  EXPECT_EQ(TxTools::Format("%.3s", unterminated), "abc");
  EXPECT_EQ(TxTools::Format("%.*s", 2, "xyz"), "xy");
  EXPECT_EQ(TxTools::Format("a%cb", 0), std::string("a\0b", 3));
}

TEST(TxTools, FormatWritesDecimalsWithAPointRoundedFromTheBinaryValue) {
  EXPECT_EQ(TxTools::Format("%f", 1.5), "1.500000");
  EXPECT_EQ(TxTools::Format("%.2f %.02f %.0f", 1234.5, 0.5, 2.5), "1234.50 0.50 2");
  // 2.675 is 2.67499999... in binary; 0.125 and 0.375 are exact halves, rounded to even.
  EXPECT_EQ(TxTools::Format("%.2f %.2f %.2f", 2.675, 0.125, 0.375), "2.67 0.12 0.38");
  EXPECT_EQ(TxTools::Format("%.2f %.2f", -1.005, -0.0), "-1.00 -0.00");
  EXPECT_EQ(TxTools::Format("[%8.2f|%-8.2f|%08.2f|%+.1f|% .1f|%#.0f]", 3.14159, 3.14159, -3.14159,
                            2.0, 2.0, 3.0),
            "[    3.14|3.14    |-0003.14|+2.0| 2.0|3.]");
  EXPECT_EQ(TxTools::Format("%.*f", 3, 0.1), "0.100");
  EXPECT_EQ(TxTools::Format("%.25f", 0.1), "0.1000000000000000055511151");
  EXPECT_EQ(TxTools::Format("%.0f", 1e23), "99999999999999991611392");
  EXPECT_EQ(TxTools::Format("%.3f", 5e-324), "0.000");
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(TxTools::Format("%f %F %5f %-5f| %+f", inf, -inf, inf, inf, inf),
            "inf -INF   inf inf  | +inf");
  EXPECT_EQ(TxTools::Format("%f %F", std::nan(""), std::nan("")), "nan NAN");
}

TEST(TxTools, FormatWritesLongDoublesExactlyToTheirOwnPrecision) {
  EXPECT_EQ(TxTools::Format("%.02Lf zł", 12345.0L / 100), "123.45 zł");
  EXPECT_EQ(TxTools::Format("%.0Lf;%.0Lf;%.0Lf", 2.5L, 3.5L, -1250.0L), "2;4;-1250");
  EXPECT_EQ(TxTools::Format("%Lf", 0.0L), "0.000000");
  EXPECT_EQ(TxTools::Format("%.2Lf %.0Lf", -0.0L, -0.4L), "-0.00 -0");
  EXPECT_EQ(TxTools::Format("[%10.2Lf|%-10.2Lf|%010.2Lf]", 9.999L, 1.0L, -2.5L),
            "[     10.00|1.00      |-000002.50]");
  if (std::numeric_limits<long double>::digits == 64) {
    // A long double is more precise than a double and is written as what it is.
    EXPECT_EQ(TxTools::Format("%.0Lf", 1e23L), "100000000000000000000000");
    EXPECT_EQ(TxTools::Format("%.25Lf", 0.1L), "0.1000000000000000000013553");
    EXPECT_EQ(TxTools::Format("%.3Lf", std::numeric_limits<long double>::denorm_min()), "0.000");
    const std::string largest = TxTools::Format("%.1Lf", std::numeric_limits<long double>::max());
    EXPECT_EQ(largest.size(), 4935u);
    EXPECT_EQ(largest.substr(0, 10), "1189731495");
    EXPECT_EQ(largest.substr(largest.size() - 2), ".0");
  }
  EXPECT_EQ(TxTools::Format("%Lf %LF", std::numeric_limits<long double>::infinity(),
                            -std::numeric_limits<long double>::infinity()),
            "inf -INF");
}

// Values of every size, from raw bits (the same on every machine).
std::vector<double> SampleDoubles() {
  std::mt19937_64 bits(20260309);
  std::vector<double> values = {0.5, 1.005, 2.675, 123.455, 1e15 + 0.5, 0.045, 9.995};
  while (values.size() < 1500) {
    const uint64_t b = bits();
    double d = 0;
    std::memcpy(&d, &b, sizeof(d));
    if (!std::isfinite(d) || std::fabs(d) > 1e30 || std::fabs(d) < 1e-12) continue;
    values.push_back(d);
  }
  return values;
}

TEST(TxTools, LongDoublesAndDoublesOfTheSameValueAreWrittenAlike) {
  for (double d : SampleDoubles()) {
    for (int precision : {0, 2, 6, 17}) {
      ASSERT_EQ(TxTools::Format("%.*Lf", precision, static_cast<long double>(d)),
                TxTools::Format("%.*f", precision, d))
          << precision;
    }
  }
}

TEST(TxTools, DecimalsAreWrittenAsTheCRuntimeWritesThemInTheCLocale) {
  ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  char buf[512];
  for (double d : SampleDoubles()) {
    for (int precision : {0, 2, 4}) {
      std::snprintf(buf, sizeof(buf), "%.*f", precision, d);
      ASSERT_EQ(TxTools::Format("%.*f", precision, d), buf);
      // The long double nearest to a tenth of the value: more bits than any double.
      const long double tenth = static_cast<long double>(d) / 10;
      std::snprintf(buf, sizeof(buf), "%.*Lf", precision, tenth);
      ASSERT_EQ(TxTools::Format("%.*Lf", precision, tenth), buf);
    }
  }
}

TEST(TxTools, FormatRefusesAConversionItDoesNotWrite) {
  EXPECT_THROW(TxTools::Format("%e", 1.0), Exception);
  EXPECT_THROW(TxTools::Format("%g", 1.0), Exception);
}

TEST(TxTools, IntToStrWritesEveryLongLong) {
  EXPECT_EQ(TxTools::IntToStr(0), "0");
  EXPECT_EQ(TxTools::IntToStr(-42), "-42");
  EXPECT_EQ(TxTools::IntToStr(LLONG_MIN), "-9223372036854775808");
}

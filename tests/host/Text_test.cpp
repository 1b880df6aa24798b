#include "host/Text.h"

#include <gtest/gtest.h>

namespace tvkhost {
namespace {

// The Polish letters in Windows-1250, written as bytes so the test does not depend on the
// compiler's execution character set.
const std::string kPolishCp1250 =
    "\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF";
const std::string kPolishUtf8 =
    "\xC4\x85\xC4\x87\xC4\x99\xC5\x82\xC5\x84\xC3\xB3\xC5\x9B\xC5\xBA\xC5\xBC\xC4\x84\xC4\x86\xC4"
    "\x98\xC5\x81\xC5\x83\xC3\x93\xC5\x9A\xC5\xB9\xC5\xBB";

TEST(Cp1250ToUtf8, ConvertsEveryPolishLetter) {
  EXPECT_EQ(Cp1250ToUtf8(kPolishCp1250), kPolishUtf8);
  // Literals in our sources are compiled to Windows-1250, the driver's own bytes.
  EXPECT_EQ(Cp1250ToUtf8("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ"), kPolishUtf8);
}

TEST(Cp1250ToUtf8, LeavesAsciiAloneAndMarksUndefinedBytes) {
  EXPECT_EQ(Cp1250ToUtf8("PLU;12 ok"), "PLU;12 ok");
  EXPECT_EQ(Cp1250ToUtf8("\x80 \x81"), "\xE2\x82\xAC \xEF\xBF\xBD");  // euro sign, U+FFFD
}

TEST(Utf8ToCp1250, IsTheInverseAndReplacesWhatTheCodePageLacks) {
  EXPECT_EQ(Utf8ToCp1250(kPolishUtf8), kPolishCp1250);
  EXPECT_EQ(Utf8ToCp1250("a\xE2\x98\x83z"), "a?z");  // a snowman has no Windows-1250 byte
}

TEST(LooksLikeUtf8, TellsUtf8FromWindows1250) {
  EXPECT_TRUE(LooksLikeUtf8(kPolishUtf8));
  EXPECT_FALSE(LooksLikeUtf8(kPolishCp1250));
  EXPECT_FALSE(LooksLikeUtf8("plain ASCII"));
}

TEST(SameName, IgnoresCaseAndBlanksButNeverMatchesEmptyNames) {
  EXPECT_TRUE(SameName("  elzabstxport ", "ElzabSTXPort"));
  EXPECT_FALSE(SameName("", " "));
}

TEST(SplitLines, AcceptsEveryLineEnd) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
}

}  // namespace
}  // namespace tvkhost

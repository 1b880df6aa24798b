#include "support/TLJWords.h"

#include <gtest/gtest.h>

TEST(TLJWords, SplitsAtTheSeparatorWithoutATrailingEmptyWord) {
  TLJWords w(";");
  EXPECT_EQ(w.Init("x;;y;"), 3);
  EXPECT_EQ(w[0], "x");
  EXPECT_EQ(w[1], "");
  EXPECT_EQ(w[2], "y");
  EXPECT_EQ(w.Init(""), 0);
  EXPECT_EQ(w.Init(";"), 1);
  EXPECT_EQ(w[0], "");
  EXPECT_EQ(w.Init("alone"), 1);
  EXPECT_EQ(w.Init("a;b"), 2);
  EXPECT_EQ(w.Init("a;b;"), 2);
}

TEST(TLJWords, TabSeparatedLinesOfTheRegister) {
  TLJWords w("\t");
  w = std::string("1\t2\t\tK10");
  ASSERT_EQ(w.GetCount(), 4);
  EXPECT_EQ(w[3], "K10");
}

TEST(TLJWords, TheEndFlagMarksReadsAtOrPastTheLastWord) {
  TLJWords w(";");
  w.Init("a;b");
  EXPECT_EQ(w[1], "b");
  EXPECT_FALSE(w.Eof());
  EXPECT_EQ(w.Get(1), "b");
  EXPECT_TRUE(w.Eof());
  w.Init("a;b");
  EXPECT_EQ(w[2], "");
  EXPECT_TRUE(w.Eof());
  w.Init("a;b");
  EXPECT_EQ(w.Get(2), "");
  EXPECT_TRUE(w.Eof());
  w.Init("a;b");
  EXPECT_EQ(w[-1], "");
  EXPECT_EQ(w.Get(-1), "");
  EXPECT_FALSE(w.Eof());
  EXPECT_EQ(w.Get(0), "a");
  EXPECT_FALSE(w.Eof());
}

TEST(TLJWords, PutReplacesOrAppendsOneWord) {
  TLJWords w(";");
  w.Init("a;b");
  w.Put(1, "B");
  w.Put(2, "c");
  w.Put(7, "d");
  w.Put(-1, "never");
  ASSERT_EQ(w.GetCount(), 4);
  EXPECT_EQ(static_cast<std::string>(w), "a;B;c;d");
}

TEST(TLJWords, JoiningFitsWordsToTheirWidths) {
  TLJWords w(";");
  w.Init("x;abcdef;plain");
  w.SetSize(0, 3);
  w.SetSize(1, 4);
  EXPECT_EQ(w.GetSize(2), -1);
  EXPECT_EQ(static_cast<std::string>(w), "  x;abcd;plain");
  w.Init("x;abcdef");
  EXPECT_EQ(w.GetSize(0), -1);  // Init drops the widths
  EXPECT_EQ(static_cast<std::string>(w), "x;abcdef");
}

#include "hostlib/TMFile.h"

#include <gtest/gtest.h>

#include "hostlib/Exceptions.h"
#include "platform/FakeEnv.h"
#include "testutil/TempDir.h"

using testutil::TempDir;

TEST(TMFile, WritesLinesWithTheGivenLineEndAndCreatesTheFile) {
  TempDir tmp;
  TMFile f(tmp.File("a.txt"));
  f.Open();
  f.WriteLine("#1");
  f.WriteLine("$x", "\n");
  f.Write("raw");
  f.Close();
  EXPECT_EQ(testutil::ReadFile(tmp.File("a.txt")), "#1\r\n$x\nraw");
}

TEST(TMFile, ReadsLinesUpToCrLfAndTheLastLineWithoutOne) {
  TempDir tmp;
  testutil::WriteFile(tmp.File("r.txt"), "one\r\ntwo\nthree\r\n\r\nlast");
  TMFile f(tmp.File("r.txt"));
  f.SetReadOnly(true);
  f.Open();
  std::vector<std::string> lines;
  std::string line;
  while (f.ReadLine(line)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "", "last"}));
  EXPECT_FALSE(f.ReadLine(line));
  EXPECT_EQ(line, "");
}

TEST(TMFile, KeepsNulBytesLongLinesAndALastLineOfNulBytes) {
  TempDir tmp;
  const std::string longLine(1500, 'x');
  const std::string withNul("a\0b", 3);
  const std::string lastNul("z\0", 2);
  testutil::WriteFile(tmp.File("n.txt"), withNul + "\r\n" + longLine + "\n" +
                                             std::string(510, 'y') + "\r\n" + lastNul);
  TMFile f(tmp.File("n.txt"));
  f.SetReadOnly(true);
  f.Open();
  std::vector<std::string> lines;
  std::string line;
  while (f.ReadLine(line)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{withNul, longLine, std::string(510, 'y'), lastNul}));
  EXPECT_TRUE(line.empty());
}

TEST(TMFile, ALineFillingTheReadBlockExactlyEndsTheFile) {
  TempDir tmp;
  for (size_t size : {510u, 511u, 512u, 1022u}) {
    const std::string text(size, 'q');
    testutil::WriteFile(tmp.File("b.txt"), text);
    TMFile f(tmp.File("b.txt"));
    f.SetReadOnly(true);
    f.Open();
    std::string line;
    EXPECT_TRUE(f.ReadLine(line));
    EXPECT_EQ(line, text) << size;
    EXPECT_FALSE(f.ReadLine(line));
  }
}

TEST(TMFile, ReadsUpToAnOtherLineEnd) {
  TempDir tmp;
  testutil::WriteFile(tmp.File("r.txt"), "a|b|c");
  TMFile f(tmp.File("r.txt"));
  f.SetReadOnly(true);
  f.Open();
  std::string line;
  ASSERT_TRUE(f.ReadLine(line, "|"));
  EXPECT_EQ(line, "a");
  ASSERT_TRUE(f.ReadLine(line, "|"));
  EXPECT_EQ(line, "b");
  ASSERT_TRUE(f.ReadLine(line, "|"));
  EXPECT_EQ(line, "c");
}

TEST(TMFile, AppendsAtTheEndAndTruncates) {
  TempDir tmp;
  testutil::WriteFile(tmp.File("p.dat"), "12\r\n");
  TMFile f(tmp.File("p.dat"));
  f.Open();
  f.GotoEnd();
  f.WriteLine("13");
  EXPECT_EQ(f.Size(), 8);
  f.GotoStart();
  std::string line;
  ASSERT_TRUE(f.ReadLine(line));
  EXPECT_EQ(line, "12");
  f.Truncate();
  f.Close();
  EXPECT_EQ(testutil::ReadFile(tmp.File("p.dat")), "12\r\n");
  f.Open();
  f.Truncate();
  f.Close();
  EXPECT_EQ(testutil::ReadFile(tmp.File("p.dat")), "");
}

TEST(TMFile, ErrorsNameThePath) {
  TempDir tmp;
  TMFile f(tmp.File("missing.txt"));
  f.SetReadOnly(true);
  try {
    f.Open();
    FAIL() << "opened a missing file";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find(tmp.File("missing.txt")), std::string::npos) << e.Message();
  }
  TMFile inMissingDir(tmp.File("no dir") + "/x/y.txt");
  EXPECT_THROW(inMissingDir.Open(), Exception);
  TMFile closed(tmp.File("c.txt"));
  std::string line;
  EXPECT_THROW(closed.ReadLine(line), Exception);
  EXPECT_THROW(closed.WriteLine("x"), Exception);
}

// What stdio buffered is written at the close: a full disk shows only there, and a file is
// complete only when Close returned. The destructor says nothing.
TEST(TMFile, AWriteThatFailsAtTheCloseIsAnErrorNamingThePath) {
  TempDir tmp;
  platform::FakeEnv env;
  platform::ScopedEnv scope(&env);
  env.failingCloses = {"full.txt"};
  {
    TMFile f(tmp.File("full.txt"));
    f.Open();
    f.WriteLine("line");
    try {
      f.Close();
      FAIL();
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Błąd zapisu pliku '" + tmp.File("full.txt") + "'");
    }
    EXPECT_FALSE(f.IsOpen());
  }
  {
    TMFile quiet(tmp.File("full.txt"));
    quiet.Open();
    quiet.WriteLine("line");
  }
  // Read-only, nothing was to be stored.
  TMFile read(tmp.File("full.txt"));
  read.SetReadOnly(true);
  read.Open();
  EXPECT_NO_THROW(read.Close());
#ifndef _WIN32
  // The real thing, where the system has it.
  if (std::FILE* probe = std::fopen("/dev/full", "r+b")) {
    std::fclose(probe);
    TMFile full("/dev/full");
    full.Open();
    full.WriteLine("a sale");
    EXPECT_THROW(full.Close(), Exception);
  }
#endif
}

#ifdef __linux__
// A disk that is really full says so: the shop can free space once told.
TEST(TMFileTest, AFullDiskNamesItsReason) {
  TMFile f("/dev/full");
  f.Open();
  f.WriteLine("line");
  try {
    f.Close();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Błąd zapisu pliku '/dev/full': brak miejsca na dysku (kod 28)");
  }
}
#endif

TEST(TMFile, AReadOnlyFileRefusesWrites) {
  TempDir tmp;
  testutil::WriteFile(tmp.File("ro.txt"), "x");
  TMFile f(tmp.File("ro.txt"));
  f.SetReadOnly(true);
  f.Open();
  EXPECT_THROW(f.WriteLine("y"), Exception);
  f.Close();
  EXPECT_EQ(testutil::ReadFile(tmp.File("ro.txt")), "x");
}

TEST(TMFile, LastByteIsTheFilesLastByteOrMinusOneWhenEmpty) {
  TempDir tmp;
  testutil::WriteFile(tmp.File("e.txt"), "");
  testutil::WriteFile(tmp.File("lf.txt"), "a\r\nb\n");
  testutil::WriteFile(tmp.File("high.txt"), std::string("x\xB9", 2));
  auto last = [&](const char* name) {
    TMFile f(tmp.File(name));
    f.SetReadOnly(true);
    f.Open();
    return f.LastByte();
  };
  EXPECT_EQ(last("e.txt"), -1);
  EXPECT_EQ(last("lf.txt"), '\n');
  EXPECT_EQ(last("high.txt"), 0xB9);  // a byte, never a negative char
  // The position is left at the end: what is written next is appended.
  TMFile f(tmp.File("lf.txt"));
  f.Open();
  EXPECT_EQ(f.LastByte(), '\n');
  f.Write("c\r\n");
  f.Close();
  EXPECT_EQ(testutil::ReadFile(tmp.File("lf.txt")), "a\r\nb\nc\r\n");
}

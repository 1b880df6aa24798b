#include "support/TLTools.h"

#include <gtest/gtest.h>

#include "hostlib/Exceptions.h"
#include "platform/FakeEnv.h"
#include "testutil/TempDir.h"

using testutil::TempDir;

TEST(PlString, Windows1250ToCodePage852AndBack) {
  TLTools t;
  t.pltype_in = 2;
  t.pltype_out = 0;
  std::string text = "ł l";
  EXPECT_EQ(t.plstring(text), "\x88 l");
  EXPECT_EQ(text, "\x88 l");  // converted in place
  std::string all = "ĄĆĘŁŃÓŚŻŹąćęłńóśżź";
  t.plstring(all);
  EXPECT_EQ(all, "\xa4\x8f\xa8\x9d\xe3\xe0\x97\xbd\x8d\xa5\x86\xa9\x88\xe4\xa2\x98\xbe\xab");
  t.pltype_in = 0;
  t.pltype_out = 2;
  t.plstring(all);
  EXPECT_EQ(all, "ĄĆĘŁŃÓŚŻŹąćęłńóśżź");
}

TEST(PlString, EachCharacterIsConvertedOnceAndTheDefaultChangesNothing) {
  TLTools t;  // 2 -> 2
  std::string text = "Zażółć";
  EXPECT_EQ(t.plstring(text), "Zażółć");
  // 852 -> 1250: the byte of 852's "Ć" (8f) is 1250's "Ź"; it must not be converted again.
  t.pltype_in = 0;
  t.pltype_out = 2;
  std::string tricky = "\x8f\xa5";
  EXPECT_EQ(t.plstring(tricky), "Ćą");
  t.pltype_in = 2;
  t.pltype_out = 6;
  std::string plain = "Łódź";
  EXPECT_EQ(t.plstring(plain), "Lodz");
}

// A row that lists a byte twice (letters without diacritics: Z for both Ż and Ź) converts
// it by its first place; bytes that are no letter of the row pass unchanged.
TEST(PlString, ABytePresentTwiceInTheSourceRowTakesItsFirstPlace) {
  TLTools t;
  t.pltype_in = 6;
  t.pltype_out = 2;
  std::string text = "Zz Q\x01";
  t.PlConvert(text);
  EXPECT_EQ(text, "Żż Q\x01");
}

// The guard converts for its scope only, and nested guards put back each one before them.
TEST(PlString, TheCodePageGuardPutsBackTheConversionBeforeIt) {
  TLTools t;
  std::string text;
  try {
    TLTools::CodePages towards(t, TLTools::plCp1250, TLTools::plCp852);
    {
      TLTools::CodePages back(t, TLTools::plCp852, TLTools::plCp1250);
      text = "\x88";
      EXPECT_EQ(t.plstring(text), "ł");
    }
    text = "ł";
    EXPECT_EQ(t.plstring(text), "\x88");
    throw Exception("failed");
  } catch (const Exception&) {
  }
  text = "ł";
  EXPECT_EQ(t.plstring(text), "ł");
  EXPECT_EQ(t.pltype_in, TLTools::plCp1250);
  EXPECT_EQ(t.pltype_out, TLTools::plCp1250);
}

TEST(StrMax, CutsAndMarksTheCutWithAnEllipsis) {
  EXPECT_EQ(TLTools::StrMax("0123456789", 8, true), "01234...");
  EXPECT_EQ(TLTools::StrMax("0123456789", 3, true), "012");
  EXPECT_EQ(TLTools::StrMax("0123456789", 8, false), "01234567");
  EXPECT_EQ(TLTools::StrMax("short", 8, true), "short");
}

TEST(StrSize, CutsOrPadsOnTheChosenSide) {
  std::string a = "12345";
  EXPECT_EQ(TLTools::StrSize(a, 3, '0', TLTools::left, TLTools::left), "345");
  std::string b = "12345";
  EXPECT_EQ(TLTools::StrSize(b, 3, '0', TLTools::left, TLTools::right), "123");
  std::string c = "12";
  EXPECT_EQ(TLTools::StrSize(c, 6, '0', TLTools::left, TLTools::right), "000012");
  EXPECT_EQ(c, "000012");
  std::string d = "ab";
  EXPECT_EQ(TLTools::StrSize(d, 4, ' ', TLTools::right, TLTools::right), "ab  ");
}

TEST(Ean13, AppendsTheGs1CheckDigit) {
  std::string code = "590123412345";
  TLTools::KorygujCyfreKontrolnaEAN13(code);
  EXPECT_EQ(code, "5901234123457");
  std::string wrong = "4006381333930";
  TLTools::KorygujCyfreKontrolnaEAN13(wrong);
  EXPECT_EQ(wrong, "4006381333931");
  std::string dashed = "12-34";
  TLTools::KorygujCyfreKontrolnaEAN13(dashed);
  // 123400000000: odd positions from the right weigh 3 -> sum 1*1+2*3+3*1+4*3 = 22 -> 8
  EXPECT_EQ(dashed, "1234000000008");
  std::string empty;
  TLTools::KorygujCyfreKontrolnaEAN13(empty);
  EXPECT_EQ(empty, "0000000000000");
}

TEST(ArchiveFile, AppendsTheSourceUnderAnImportHeader) {
  platform::FakeEnv fake;
  fake.now = 46364.5;  // 2026-12-08 12:00:00
  platform::ScopedEnv scope(&fake);
  TempDir tmp;
  testutil::WriteFile(tmp.File("RAPORT.TXT"), "line1\r\nline2");
  testutil::WriteFile(tmp.File("RAPORT.arc"), "old\r\n");
  TLTools t;
  t.ArchiveFile(tmp.File("RAPORT.TXT"), tmp.File("RAPORT.arc"), nullptr, false, -1, true, "");
  EXPECT_EQ(testutil::ReadFile(tmp.File("RAPORT.arc")),
            "old\r\n\r\n------------ [IMPORT WYKONANY DNIA: 2026-12-08 12:00:00] ------------\r\n"
            "line1\r\nline2\r\n");
  EXPECT_TRUE(testutil::Exists(tmp.File("RAPORT.TXT")));  // the source stays
}

TEST(ArchiveFile, ExportHeaderWithModeLineAndExtraLine) {
  platform::FakeEnv fake;
  fake.now = 46364.5;
  platform::ScopedEnv scope(&fake);
  TempDir tmp;
  testutil::WriteFile(tmp.File("zgrupa.in"), "#1\r\n");
  TLTools t;
  t.ArchiveFile(tmp.File("zgrupa.in"), tmp.File("zgrupa.arc"), nullptr, true, 2, true, "extra");
  EXPECT_EQ(testutil::ReadFile(tmp.File("zgrupa.arc")),
            "\r\n----------- [EKSPORT WYKONANY DNIA: 2026-12-08 12:00:00] ------------\r\n"
            "WSZYSTKIE\r\nextra\r\n#1\r\n");
  t.ArchiveFile(tmp.File("zgrupa.in"), tmp.File("plain.arc"), nullptr, true, -1, false, "");
  EXPECT_EQ(testutil::ReadFile(tmp.File("plain.arc")), "#1\r\n");
}

TEST(ArchiveFile, AMissingSourceDoesNothingAndAnUnwritableArchiveNamesItsPath) {
  TempDir tmp;
  TLTools t;
  t.ArchiveFile(tmp.File("none.in"), tmp.File("none.arc"), nullptr, true, -1, true, "");
  EXPECT_FALSE(testutil::Exists(tmp.File("none.arc")));
  testutil::WriteFile(tmp.File("src.in"), "x\r\n");
  std::string bad = tmp.File("missing dir") + "/x.arc";
  try {
    t.ArchiveFile(tmp.File("src.in"), bad, nullptr, true, -1, true, "");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find(bad), std::string::npos) << e.Message();
  }
}

TEST(BufToFile, WritesTheBytesAndNothingElse) {
  TempDir tmp;
  testutil::WriteFile(tmp.File("o.txt"), "a much longer old content");
  TLTools t;
  t.BufToFile("PAR;1\r\n", tmp.File("o.txt"));
  EXPECT_EQ(testutil::ReadFile(tmp.File("o.txt")), "PAR;1\r\n");
  EXPECT_THROW(t.BufToFile("x", tmp.File("no dir") + "/o.txt"), Exception);
}

TEST(BinariesDirectory, ComesFromTheRegistryWithATrailingSeparator) {
  platform::FakeEnv fake;
  platform::ScopedEnv scope(&fake);
  EXPECT_EQ(TLTools::WczytajSciezkeDoBinariow(), "");
  fake.registry["SOFTWARE\\KALMORA\\TVKWin\\Instalacja|Binaria"] = "  C:\\TvkWin\\Bin  ";
  std::string sep(1, platform::kPathSeparator);
  std::string expected = std::string("C:\\TvkWin\\Bin") + sep;
  EXPECT_EQ(TLTools::WczytajSciezkeDoBinariow(), expected);
}

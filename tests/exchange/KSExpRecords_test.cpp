#include "exchange/KSExpRecords.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "hostlib/Exceptions.h"
#include "hostlib/TMLgExtTools.h"
#include "hostlib/TdtTools.h"

namespace {

// A language link that answers every text with its module and key, to show which was asked.
int EchoKey(void*, const char* module, const char* key, const char*, char* buffer, int size) {
  const std::string text = std::string(module) + "/" + key;
  buffer[text.copy(buffer, static_cast<size_t>(size) - 1)] = '\0';
  return 1;
}

template <class F>
std::string ErrorOf(F action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(no error)";
}

const std::string kFormatError = "Nieprawidłowy format pliku eksportowego";

// The first `count` words of a full goods line (20 is the shortest valid line), with
// `changes` applied by word number.
std::string PluLine(size_t count, const std::vector<std::pair<size_t, std::string>>& changes = {}) {
  std::vector<std::string> words = {
      "PLU", "12", "0", "5901234123457", "Mleko 2%", "349", "300", "399", "451", "23", "1", "T",
      "0", "f", "F", "t", "5900000000017", "", "3", "DOD",
      // optional: descriptions, PKWiU, SWW, term, price level, scale
      "opis 1", "opis 2", "10.51.11", "SWW1", "14dni", "0", "1000",
      // descriptions, discount, rate in hundredths, full name, unit count, notes
      "opis 3", "opis 4", "2.5", "850", "Mleko UHT 2% 1l", "6.9", "chłodzić"};
  for (const auto& [index, word] : changes) words.at(index) = word;
  std::string line = words[0];
  for (size_t i = 1; i < count; ++i) line += ";" + words[i];
  return line;
}

KSTowRec Goods(size_t count, const std::vector<std::pair<size_t, std::string>>& changes = {}) {
  KSTowRec rec;
  rec.FromLine(PluLine(count, changes), nullptr);
  return rec;
}

}  // namespace

// --- goods ---------------------------------------------------------------------------------

TEST(GoodsLine, MandatoryWordsFillTheirFields) {
  KSTowRec rec = Goods(20, {{17, "40"}});
  EXPECT_EQ(rec.plu, 12);
  EXPECT_EQ(rec.nazwa, "Mleko 2%");
  EXPECT_EQ(rec.cena_dod, 451);
  EXPECT_FALSE(rec.wagowo_ilosciowy);  // "f"
  EXPECT_TRUE(rec.cena_otwarta);       // "t"
  EXPECT_EQ(rec.plu_opakowania, 40);
  EXPECT_EQ(rec.nr_asort, 3);
  EXPECT_EQ(rec.org_barcode, "5901234123457");
  EXPECT_EQ(rec.org_status, stDod);
  EXPECT_EQ(Goods(20, {{19, "USU"}}).status, stUsu);
  EXPECT_EQ(Goods(20, {{17, ""}}).plu_opakowania, 0);
}

TEST(GoodsLine, ABadStatusOrLetterFieldIsTheFormatError) {
  EXPECT_EQ(ErrorOf([] { Goods(20, {{19, "dod"}}); }), kFormatError);
  EXPECT_EQ(ErrorOf([] { Goods(20, {{11, ""}}); }), kFormatError);
  TMLgExtTools echo(nullptr, &EchoKey);
  KSTowRec rec;
  EXPECT_EQ(ErrorOf([&] {
              rec.FromLine(PluLine(20, {{19, "NUL"}}), &echo);
            }),
            "kstools_KSExpBuf/KSTowRecFromLineExceptio");
  EXPECT_EQ(ErrorOf([&] {
              rec.FromLine(PluLine(20, {{15, "N"}}), &echo);
            }),
            "kstools_KSExpBuf/KSTowRecBoolExceptio");
}

TEST(GoodsLine, AMalformedIntegerIsTheConversionError) {
  EXPECT_THROW(Goods(20, {{1, "12a"}}), EConvertError);
  EXPECT_THROW(Goods(20, {{17, "x"}}), EConvertError);
  EXPECT_THROW(Goods(5), EConvertError);  // the line ends before its integers
}

TEST(GoodsLine, ATwentyWordLineTakesTheDefaultsEvenAfterALongerLine) {
  KSTowRec rec;
  rec.FromLine(PluLine(34, {{25, "1"}, {26, "500"}}), nullptr);
  rec.FromLine(PluLine(20), nullptr);
  EXPECT_EQ(rec.poziom_cen, -1);
  EXPECT_EQ(rec.ile_w_kodzie, 1000);
  EXPECT_EQ(rec.TerminW, 0);
  EXPECT_EQ(rec.stawkaPrec, 2300);
  EXPECT_EQ(rec.PKWiU + rec.SWW + rec.opis1 + rec.opis2 + rec.opis3 + rec.opis4, "");
  EXPECT_EQ(rec.notatki, "");
  EXPECT_EQ(rec.cena, 349);
}

TEST(GoodsLine, EveryWordOfAFullLineIsRead) {
  KSTowRec rec = Goods(34);
  EXPECT_EQ(rec.SWW, "SWW1");
  EXPECT_EQ(rec.TerminW, 14);
  EXPECT_EQ(rec.opis4, "opis 4");
  EXPECT_DOUBLE_EQ(rec.dod_rabat_tow, 2.5);
  EXPECT_EQ(rec.stawkaPrec, 850);
  EXPECT_EQ(rec.nazwa_pelna, "Mleko UHT 2% 1l");
  EXPECT_EQ(rec.ile_jedn, 6);
  EXPECT_EQ(rec.notatki, "chłodzić");
}

TEST(GoodsLine, OptionalGroupsStopAtTheLastWord) {
  KSTowRec rec = Goods(21);  // the two descriptions are one group
  EXPECT_EQ(rec.opis1, "opis 1");
  EXPECT_EQ(rec.PKWiU, "");
  rec = Goods(23, {{22, "x"}});
  EXPECT_EQ(rec.SWW, "");
  EXPECT_EQ(rec.poziom_cen, -1);
  rec = Goods(27, {{24, "abc"}, {25, ""}, {26, " "}});  // empty numbers: defaults
  EXPECT_EQ(rec.TerminW, 0);
  EXPECT_EQ(rec.poziom_cen, -1);
  EXPECT_EQ(rec.ile_w_kodzie, 1000);
}

// A price level or a price scale that is not wholly a number changes the price the register
// gets (2x read as no level sells at the retail price): it is an error of the line.
TEST(GoodsLine, APriceLevelOrScaleThatIsNoNumberIsTheConversionError) {
  EXPECT_THROW(Goods(27, {{25, "2x"}}), EConvertError);
  EXPECT_THROW(Goods(27, {{26, "500x"}}), EConvertError);
  EXPECT_EQ(Goods(27, {{25, " 2 "}}).poziom_cen, 2);
}

TEST(GoodsLine, RateInHundredthsComesFromWord30OrTheWholeRate) {
  EXPECT_EQ(Goods(30, {{9, "-1"}}).stawkaPrec, -1);
  EXPECT_EQ(Goods(30, {{9, "8"}}).stawkaPrec, 800);
  EXPECT_EQ(Goods(31, {{9, "-1"}}).stawkaPrec, 850);
  // An empty word is the whole rate's; one that is no number would program 0 %.
  EXPECT_EQ(Goods(31, {{9, "8"}, {30, ""}}).stawkaPrec, 800);
  EXPECT_THROW(Goods(31, {{30, "8OO"}}), EConvertError);
}

TEST(GoodsLine, AbsurdNumbersAreHeldAtTheIntegerLimit) {
  EXPECT_EQ(Goods(20, {{9, "2000000000"}}).stawkaPrec, INT32_MAX);
  EXPECT_EQ(Goods(34, {{32, "99999999999999"}}).ile_jedn, INT32_MAX);
}

TEST(GoodsPrice, TheLinesLevel2IsTheAdditionalPriceUnlikeCenaAkt) {
  KSTowRec rec = Goods(26, {{25, "2"}});
  EXPECT_EQ(rec.cena, 451);
  EXPECT_EQ(rec.CenaAkt(2), 399);
  EXPECT_EQ(Goods(26, {{25, "3"}}).cena, 399);
  EXPECT_EQ(rec.CenaAkt(1), 300);
  EXPECT_EQ(rec.CenaAkt(3), 451);
}

TEST(GoodsPrice, AScaleOf500HalvesAllFourPricesToWholeNumbers) {
  KSTowRec rec = Goods(27, {{26, "500"}});
  EXPECT_EQ(rec.cena, 175);  // 174.5: halves away from zero
  EXPECT_EQ(rec.cena_hurt, 150);
  EXPECT_EQ(rec.cena_noc, 200);
  EXPECT_EQ(rec.cena_dod, 226);
  EXPECT_DOUBLE_EQ(Goods(27, {{5, "3.49"}}).cena, 3.49);  // unscaled prices keep fractions
}

// --- contractors, assortments ---------------------------------------------------------------

TEST(ContractorLine, ReadsEveryFieldAndPointsOnlyWhenPresent) {
  const std::string line =
      "KONA;5;Hurtownia;Hurt;ul. Polna 1;00-001;Warszawa;221234567;5260001246;12345;"
      "20311231235959000;t;7.5;2";
  KSKontrRec rec;
  rec.FromLine(line + ";150", nullptr);
  EXPECT_EQ(rec.Miasto, "Warszawa");
  EXPECT_EQ(TdtTools::FormatCompressed(rec.TermWaznKarty), "20311231235959000");
  EXPECT_TRUE(rec.KartaAktywna);
  EXPECT_DOUBLE_EQ(rec.RabatOdbiorcy, 7.5);
  EXPECT_EQ(rec.PoziomRabatu, 2);
  EXPECT_EQ(rec.IloscPunktow, 150);
  rec.FromLine(line, nullptr);
  EXPECT_EQ(rec.IloscPunktow, 0);
  rec.tr_ok = true;
  rec.FromLine("KON;6;;;;;;;;;2031-12-31;F;0;0;sto", nullptr);  // unreadable: no expiry
  EXPECT_EQ(rec.TermWaznKarty, 0);
  EXPECT_EQ(rec.IloscPunktow, 0);
  EXPECT_FALSE(rec.tr_ok);
}

TEST(ContractorLine, MalformedFieldsRaise) {
  TMLgExtTools echo(nullptr, &EchoKey);
  KSKontrRec rec;
  EXPECT_EQ(ErrorOf([&] { rec.FromLine("KON;5;;;;;;;;;;N;0;0", &echo); }),
            "kstools_KSExpBuf/KSKontrRBoolExceptio");
  EXPECT_EQ(ErrorOf([&] { rec.FromLine("KON;5;;;;;;;;;;;0;0", nullptr); }), kFormatError);
  EXPECT_THROW(rec.FromLine("KON;A5;;;;;;;;;;T;0;0", nullptr), EConvertError);
  EXPECT_THROW(rec.FromLine("KON;5;;;;;;;;;;T;0;II", nullptr), EConvertError);
}

TEST(AssortmentLine, ReadsNumberAndName) {
  KSAsort as;
  as.FromLine("ASS;12;Nabiał");
  EXPECT_EQ(as.nr, 12);
  EXPECT_EQ(as.nazwa, "Nabiał");
  EXPECT_THROW(as.FromLine("ASS;dwanaście;Nabiał"), EConvertError);
}

// --- cashiers, currencies ------------------------------------------------------------------

TEST(Cashier, GettersReadTheirWordsAndTheSecondConstructorFormsTheEntry) {
  KSKasjer k(-7, "Kowalska", 2, "ID07", "", nullptr);
  EXPECT_EQ(k.Entry(), "-7;Kowalska;2;ID07;");
  EXPECT_EQ(k.GetNumer(), -7);
  EXPECT_EQ(k.GetNazwisko(), "Kowalska");
  EXPECT_EQ(k.GetPoziomUprawnien(), 2);
  EXPECT_EQ(k.GetIdentyfikator(), "ID07");
  EXPECT_EQ(k.GetKodKarty(), "");
}

TEST(Cashier, AnUnreadableNumberRaisesTheGettersOwnMessage) {
  TMLgExtTools echo(nullptr, &EchoKey);
  KSKasjer k("siedem;Kowalska;admin", nullptr), translated("x", &echo);
  EXPECT_EQ(ErrorOf([&] { k.GetPoziomUprawnien(); }), "Błąd odczytu poziomu uprawnień kasjera");
  EXPECT_EQ(ErrorOf([&] { translated.GetNumer(); }), "kstools_KSExpBuf/KSKasjerGetNumerExceptio");
}

TEST(Currency, GettersReadTheirWordsAndYesIsExactlyT) {
  KSWaluta w("EUR;Euro;43125;T;t", nullptr);
  EXPECT_EQ(w.GetKod(), "EUR");
  EXPECT_EQ(w.GetNazwa(), "Euro");
  EXPECT_EQ(w.GetKurs(), 43125);
  EXPECT_TRUE(w.GetCzyDomyslna());
  EXPECT_FALSE(w.GetCzyMoznaWydawacReszte());
  KSWaluta bad("EUR;Euro;4.3125", nullptr);
  EXPECT_EQ(ErrorOf([&] { bad.GetKurs(); }), "Błąd odczytu kursu waluty");
  EXPECT_FALSE(bad.GetCzyDomyslna());
}

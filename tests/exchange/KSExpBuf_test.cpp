#include "exchange/KSExpBuf.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "hostlib/Exceptions.h"
#include "platform/FakeEnv.h"
#include "testutil/TempDir.h"

namespace {

using testutil::ReadFile;
using testutil::WriteFile;

// Records the progress messages a buffer sends.
class RecordingSink : public MessageSink {
 public:
  void MsgAdd(const std::string& text, LPVState state, int max) override {
    log.push_back("add " + text + " " + std::to_string(state) + " " + std::to_string(max));
  }
  void MsgP(int progress) override { log.push_back("p " + std::to_string(progress)); }
  void MsgS(LPVState state) override { log.push_back("s " + std::to_string(state)); }
  TMLgExtTools* GetLgLink() const override { return nullptr; }
  std::vector<std::string> log;
};

// A goods line: PLU, ordinal, code, name, retail price, VAT, package flag, status.
std::string Goods(int plu, const std::string& code, const std::string& status,
                  const std::string& name = "Chleb żytni", const char* package = "F") {
  return "PLU;" + std::to_string(plu) + ";0;" + code + ";" + name + ";450;400;420;430;5;0;F;0;F;" +
         package + ";F;0;;3;" + status;
}

class ExpBufTest : public ::testing::Test {
 protected:
  ExpBufTest() : scope_(&env) {}
  std::string Write(const std::string& lines) {
    const std::string path = dir.File("kasa.exp");
    WriteFile(path, lines);
    return path;
  }
  KSExpBuf& Read(const std::string& lines) {
    buf.ReadFromFile(Write(lines), false, -1);
    return buf;
  }
  platform::FakeEnv env;
  platform::ScopedEnv scope_;
  testutil::TempDir dir{"expbuf"};
  RecordingSink sink;
  KSExpBuf buf{&sink};
};

TEST_F(ExpBufTest, SkipsCommentsHeadersAndBlankLinesAndReadsVatRatesInBothUnits) {
  Read("# eksport\r\n[TOWARY]\r\n\r\nVAT;23\r\nVAT;-1\r\nVAT;8;850\r\nVAT;x\r\n");
  EXPECT_EQ(buf.il_rec, 0);
  EXPECT_EQ(buf.stawki, (std::vector<std::string>{"23", "-1", "8", "x"}));
  EXPECT_EQ(buf.stawkiPrec, (std::vector<std::string>{"2300", "-1", "850", "0"}));
  EXPECT_EQ(buf.NumerStawki(8), 3);
  EXPECT_EQ(buf.NumerStawkiPrec(2300), 1);
  EXPECT_EQ(buf.NumerStawki(7), 0);
}

// Found by fuzzing: the hundredths of a rate too large for an integer were converted out of
// range (undefined; in practice a negative number, so the line read as an exempt rate).
TEST_F(ExpBufTest, AWholePercentRateTooLargeForAnIntegerIsKeptAsWrittenAndMatchesNoRate) {
  const std::string huge = "1" + std::string(80, '0');
  Read("VAT;" + huge + "\r\nVAT;23\r\nVAT;21474836.48\r\n");
  EXPECT_EQ(buf.stawkiPrec, (std::vector<std::string>{huge, "2300", "21474836.48"}));
  EXPECT_EQ(buf.NumerStawkiPrec(-1), 0);
  EXPECT_EQ(buf.NumerStawkiPrec(2300), 2);
}

TEST_F(ExpBufTest, ReadsEveryLineKindIntoItsTableOrList) {
  Read("  " + Goods(1, "5901234123457", "DOD") + "  \r\n" + Goods(2, "2", "AKT") + "\r\n" +
       Goods(3, "3", "CEN", "Butelka", "T") + "\r\n" + Goods(4, "4", "USU") + "\r\n" +
       "JM;0;0;szt.\r\nJM;1;3;kg\r\n"
       "OPER;1;Anna Żak;2;AZ;1234\r\nWAL;EUR;Euro;43125;N;T\r\n"
       "ASS;7;Pieczywo\r\nEURO;43125\r\n"
       "KONA;12;Jan Kowalski;JK;Polna 1;00-950;Warszawa;123;5260250274;777;"
       "20310705000000000;T;2.5;3;40\r\n"
       "XYZ;ignored\r\n");
  EXPECT_EQ(buf.il_rec, 4);
  EXPECT_EQ(buf.il_dod, 1);
  EXPECT_EQ(buf.il_akt, 1);
  EXPECT_EQ(buf.il_cen, 1);
  EXPECT_EQ(buf.il_usu, 1);
  EXPECT_EQ(buf.il_opak, 1);
  KSTowRec rec;
  buf.CzytajRec(0, &rec);
  EXPECT_EQ(rec.plu, 1);
  EXPECT_EQ(rec.kod, "5901234123457");
  EXPECT_EQ(rec.nazwa, "Chleb żytni");
  EXPECT_EQ(rec.cena, 450);
  EXPECT_EQ(rec.nr_buf, 0);
  EXPECT_EQ(rec.org_status, stDod);
  buf.CzytajRec(3, &rec);
  EXPECT_EQ(rec.nr_buf, 3);
  EXPECT_EQ(rec.status, stUsu);

  EXPECT_EQ(buf.jmiary, (std::vector<std::string>{"0;0;szt.", "1;3;kg"}));
  EXPECT_EQ(buf.NazwaJedn(1), "kg");
  EXPECT_EQ(buf.NazwaJedn(9), "szt.");
  EXPECT_EQ(buf.IdxJednId(1), 1);
  EXPECT_EQ(buf.IdxJednPrec(1), 3);
  EXPECT_EQ(buf.IdxJednNazwa(1), "kg");
  ASSERT_EQ(buf.KasjerCount(), 1);
  EXPECT_EQ(buf.kasjerzy[0].first, "1;Anna Żak;2;AZ;1234");
  EXPECT_EQ(buf.GetKasjer(0)->GetNazwisko(), "Anna Żak");
  ASSERT_EQ(buf.WalutaCount(), 1);
  EXPECT_EQ(buf.GetWaluta(0)->GetKod(), "EUR");
  ASSERT_EQ(buf.CountAsort(), 1);
  KSAsort as;
  buf.CzytajAsort(0, &as);
  EXPECT_EQ(as.nr, 7);
  EXPECT_EQ(as.nazwa, "Pieczywo");
  EXPECT_DOUBLE_EQ(buf.FKursEURO, 4.3125);
  ASSERT_EQ(buf.il_kontr, 1);
  EXPECT_FALSE(buf.zm_listy_kontr);
  KSKontrRec k;
  buf.CzytajRec(0, &k);
  EXPECT_EQ(k.KontrId, 12);
  EXPECT_EQ(k.Nazwa, "Jan Kowalski");
  EXPECT_EQ(k.IloscPunktow, 40);
  EXPECT_EQ(k.nr_buf, 0);
}

TEST_F(ExpBufTest, OutOfRangeListIndexesRaiseTheirMessages) {
  Read("JM;0;0;szt.\r\n");
  auto message = [](auto&& call) {
    try {
      call();
    } catch (const Exception& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { buf.GetKasjer(0); }), "Nieprawidłowy numer kasjera");
  EXPECT_EQ(message([&] { buf.GetWaluta(-1); }), "Nieprawidłowy numer waluty");
  EXPECT_EQ(message([&] { buf.IdxJednId(1); }), "Indeks jednostki miary poza zakresem");
  EXPECT_EQ(message([&] { buf.IdxJednPrec(-1); }), "Indeks jednostki miary poza zakresem");
  EXPECT_EQ(message([&] { buf.IdxJednNazwa(5); }), "Indeks jednostki miary poza zakresem");
}

TEST_F(ExpBufTest, UnitAndRateLookupsAnswerForTheirOwnBufferOnly) {
  Read("JM;1;0;kg\r\nVAT;23\r\nVAT;8\r\n");
  EXPECT_EQ(buf.NazwaJedn(1), "kg");
  EXPECT_EQ(buf.NumerStawki(8), 2);
  // A second export in the same process, with other units and rates.
  KSExpBuf next(nullptr);
  WriteFile(dir.File("next.exp"), "JM;1;0;l\r\nVAT;8\r\n");
  next.ReadFromFile(dir.File("next.exp"), false, -1);
  EXPECT_EQ(next.NazwaJedn(1), "l");
  EXPECT_EQ(next.NumerStawki(8), 1);
}

TEST_F(ExpBufTest, AMalformedRecordEndsTheReadKeepingTheRowsBefore) {
  const std::string path =
      Write(Goods(1, "1", "DOD") + "\r\n" + Goods(2, "2", "dod") + "\r\n" + Goods(3, "3", "DOD"));
  try {
    buf.ReadFromFile(path, false, -1);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Nieprawidłowy format pliku eksportowego");
  }
  EXPECT_EQ(buf.il_rec, 1);
}

TEST_F(ExpBufTest, AMissingFileIsAnError) {
  EXPECT_THROW(buf.ReadFromFile(dir.File("none.exp"), false, -1), Exception);
  EXPECT_FALSE(testutil::Exists(dir.File("ARCH2.EXP")));
}

TEST_F(ExpBufTest, ArchivesTheFileBesideItUnderAnExportHeader) {
  Read("VAT;23\r\n");
  Read("VAT;8\r\n");
  const std::string archive = ReadFile(dir.File("ARCH2.EXP"));
  EXPECT_NE(archive.find("\r\n----------- [EKSPORT WYKONANY DNIA: "), std::string::npos);
  EXPECT_NE(archive.find("VAT;23\r\n"), std::string::npos);
  EXPECT_NE(archive.find("VAT;8\r\n"), std::string::npos);
}

TEST_F(ExpBufTest, ReportsReadingAndAnalysisAsTwoSteps) {
  Read("VAT;23\r\nVAT;8\r\n");
  EXPECT_EQ(sink.log, (std::vector<std::string>{"add Wczytywanie listy towarów 5 100", "s 0",
                                                "add Analiza listy towarów 3 2", "p 2", "s 0"}));
}

TEST_F(ExpBufTest, RewritingARowMovesItsStatusCount) {
  Read(Goods(1, "1", "CEN") + "\r\n");
  KSTowRec rec;
  buf.CzytajRec(0, &rec);
  rec.status = stAkt;
  buf.ZapiszRec(0, &rec);
  EXPECT_EQ(buf.il_cen, 0);
  EXPECT_EQ(buf.il_akt, 1);
  rec.status = stNull;
  buf.ZapiszRec(0, &rec);
  EXPECT_EQ(buf.il_akt, 0);
  EXPECT_EQ(buf.il_rec, 1);
}

TEST_F(ExpBufTest, TheResultListsOnlyAcceptedGoodsAsTheHostSentThem) {
  Read(Goods(1, "590", "DOD") + "\r\n" + Goods(2, "21???", "CEN") + "\r\n" + Goods(0, "0", "DOD") +
       "\r\n" + Goods(4, "4", "USU") + "\r\n" + Goods(5, "5", "AKT") + "\r\n" +
       Goods(6, "6", "AKT") + "\r\n");
  KSTowRec rec;
  for (int row = 0; row < buf.il_rec; ++row) buf.SetTrOk(row, row != 4);
  // A withdrawn goods keeps its original status for nothing: stNull is never written.
  buf.CzytajRec(3, &rec);
  rec.org_status = stNull;
  buf.ZapiszRec(3, &rec);
  buf.CzytajRec(5, &rec);
  rec.add_rec = true;
  buf.ZapiszRec(5, &rec);
  // The sent record's own code does not matter: the host gets its own barcode back.
  buf.CzytajRec(1, &rec);
  rec.kod = "21";
  rec.status = stAkt;
  buf.ZapiszRec(1, &rec);
  sink.log.clear();
  buf.ZapiszWynikEksp(dir.File("wynik.exp"));
  EXPECT_EQ(ReadFile(dir.File("wynik.exp")), "PLU;1;0;590;DOD\r\nPLU;2;0;21???;CEN\r\n");
  EXPECT_EQ(buf.effect_exp, 2);
  EXPECT_EQ(sink.log.front(), "add Zapis wyniku eksportu: 3 6");
  EXPECT_EQ(sink.log.back(), "s 0");
}

TEST_F(ExpBufTest, FindsGoodsByBarcodeThroughTheSortedIndex) {
  Read(Goods(1, "300", "DOD") + "\r\n" + Goods(2, "100", "DOD") + "\r\n" + Goods(3, "200", "DOD") +
       "\r\n");
  EXPECT_EQ(buf.FindRec("100", 0), -1);
  EXPECT_EQ(buf.FindRec("200", 3), 2);
  EXPECT_EQ(buf.FindRec("300", 3), 0);
  EXPECT_EQ(buf.FindRec("400", 3), -1);

  KSExpBuf sorted(nullptr);
  sorted.ReadFromFile(dir.File("kasa.exp"), true, -1);
  EXPECT_TRUE(sorted.Sorted);
  EXPECT_EQ(sorted.FindRec("100", 3), 1);
}

TEST_F(ExpBufTest, ComparingWithTheRegisterTurnsTheTableIntoWhatMustChange) {
  Read(Goods(1, "100", "CEN") + "\r\n" + Goods(2, "200", "USU") + "\r\n" + Goods(3, "300", "AKT") +
       "\r\n" + Goods(4, "400", "USU") + "\r\n");
  buf.AddInPlu("000100", "");  // on the register and in the host: becomes an update
  buf.AddInPlu("400", "");     // to be deleted, and on the register: stays a deletion
  buf.AddInPlu("999", "");     // only on the register: to be deleted
  buf.AddInPlu("0000", "");    // no code
  buf.AnalizujCancelBufor(false);
  KSTowRec rec;
  buf.CzytajRec(0, &rec);
  EXPECT_EQ(rec.status, stAkt);
  EXPECT_TRUE(rec.flag);
  buf.CzytajRec(1, &rec);
  EXPECT_EQ(rec.status, stNull);  // deleting what the register does not hold
  buf.CzytajRec(2, &rec);
  EXPECT_EQ(rec.status, stDod);  // an update of what the register lacks adds it
  buf.CzytajRec(3, &rec);
  EXPECT_EQ(rec.status, stUsu);
  ASSERT_EQ(buf.il_rec, 5);
  buf.CzytajRec(4, &rec);
  EXPECT_EQ(rec.kod, "999");
  EXPECT_EQ(rec.status, stUsu);
  EXPECT_TRUE(rec.from_ecr);
  EXPECT_EQ(buf.il_usu, 2);
  EXPECT_EQ(buf.il_dod, 1);
  EXPECT_EQ(buf.il_akt, 1);
}

TEST_F(ExpBufTest, NumericCodesAreComparedAndKeptWithoutLeadingZeros) {
  Read(Goods(1, "100", "DOD") + "\r\n");
  buf.AddInPlu("0999", "");
  buf.ComparePLUSets(true);
  KSTowRec rec;
  buf.CzytajRec(1, &rec);
  EXPECT_EQ(rec.kod, "999");
}

TEST_F(ExpBufTest, ContractorsBecomeLoyaltyCardGoods) {
  Read(
      "VAT;23\r\nJM;0;0;szt.\r\n"
      "KON;12;Jan Kowalski;JK;Polna 1;00-950;Warszawa;123;5260250274;12;"
      "20310705000000000;T;2.5;3;40\r\n");
  EXPECT_TRUE(buf.zm_listy_kontr);
  std::string debug;
  buf.UtworzTowaryZKontrahentow(1000, "kkkkkk", debug);
  ASSERT_EQ(buf.il_rec, 1);
  EXPECT_EQ(buf.il_tow_z_kontr, 1);
  KSTowRec rec;
  buf.CzytajRec(0, &rec);
  EXPECT_EQ(rec.plu, 1012);
  EXPECT_EQ(rec.kod, "000012");
  EXPECT_EQ(rec.nazwa, "Jan Kowalski");
  EXPECT_EQ(rec.cena, 4000);
  EXPECT_EQ(rec.cena_dod, 4000);
  EXPECT_EQ(rec.stawka, 23);
  EXPECT_EQ(rec.stawkaPrec, 2300);
  EXPECT_EQ(rec.status, stDod);
  EXPECT_TRUE(rec.tow_z_kontr);
  EXPECT_EQ(debug.rfind("----------- [DEBUG KONWERSJI DANYCH KONTRAHENTA NA KOD KARTY RABATOWEJ] "
                        "------------\r\n",
                        0),
            0u);
  EXPECT_NE(debug.find("000012 (kod po konwersji)\r\n"), std::string::npos);

  KSExpBuf noRates(nullptr);
  WriteFile(dir.File("k.exp"), "KON;1;A;A;;;;;;1;20310705000000000;T;0;0;1\r\n");
  noRates.ReadFromFile(dir.File("k.exp"), false, -1);
  EXPECT_THROW(noRates.UtworzTowaryZKontrahentow(0, "kkkk", debug), Exception);
}

// Found by fuzzing: a first VAT rate too large for hundredths of a percent overflowed.
TEST_F(ExpBufTest, ContractorGoodsOfAHugeFirstRateHoldTheLargestHundredths) {
  Read("VAT;24031000\r\nJM;0;0;szt.\r\nKON;13;Anna;AN;;;;;;1;20310705000000000;T;2.5;3;40\r\n");
  std::string debug;
  buf.UtworzTowaryZKontrahentow(0, "kkkk", debug);
  ASSERT_EQ(buf.il_rec, 1);
  KSTowRec rec;
  buf.CzytajRec(0, &rec);
  EXPECT_EQ(rec.stawka, 24031000);
  EXPECT_EQ(rec.stawkaPrec, INT32_MAX);
}

}  // namespace

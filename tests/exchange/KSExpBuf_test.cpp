#include "exchange/KSExpBuf.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

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

// A euro rate or a unit number that is not wholly a number is refused, not read by its
// leading digits: 50000x would program a rate of 5,00, and 2x would rename unit 0.
TEST_F(ExpBufTest, AEuroRateOrAUnitNumberThatIsNoNumberEndsTheRead) {
  for (const char* line : {"EURO;50000x\r\n", "EURO;x\r\n", "JM;2x;3;kg\r\n", "JM;;3;kg\r\n"}) {
    KSExpBuf fresh(nullptr);
    const std::string path = Write(line);
    EXPECT_THROW(fresh.ReadFromFile(path, false, -1), EConvertError) << line;
  }
  KSExpBuf fresh(nullptr);
  fresh.ReadFromFile(Write("EURO;43125\r\n"), false, -1);
  EXPECT_DOUBLE_EQ(fresh.FKursEURO, 4.3125);
  KSExpBuf empty(nullptr);
  empty.ReadFromFile(Write("EURO;\r\n"), false, -1);
  EXPECT_DOUBLE_EQ(empty.FKursEURO, 0);  // no rate, which the euro's programming says
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

// Every member of a goods and of a contractor reaches its own column and comes back from it:
// each is given a value no other member has, so two members swapped in the copying fail.
TEST_F(ExpBufTest, EveryMemberOfARecordReadsBackFromItsOwnColumn) {
  KSTowRec g;
  int n = 100;
  for (int32_t* m :
       {&g.plu, &g.koldod, &g.stawka, &g.stawkaPrec, &g.jedn, &g.precyzja, &g.plu_opakowania,
        &g.nr_asort, &g.TerminW, &g.poziom_cen, &g.ile_w_kodzie, &g.ile_jedn, &g.nr_src_buf}) {
    *m = ++n;
  }
  for (double* m : {&g.cena, &g.cena_hurt, &g.cena_noc, &g.cena_dod, &g.dod_rabat_tow}) {
    *m = ++n + 0.25;
  }
  for (std::string* m :
       {&g.kod, &g.nazwa, &g.kod_opakowania, &g.opis1, &g.opis2, &g.opis3, &g.opis4, &g.PKWiU,
        &g.SWW, &g.nazwa_pelna, &g.notatki, &g.plu_rec, &g.org_barcode}) {
    *m = "t" + std::to_string(++n);
  }
  g.status = stCen;
  g.org_status = stUsu;
  // The flags, one set at a time, each against all the others clear.
  std::vector<bool KSTowRec::*> flags = {&KSTowRec::czy_wazony, &KSTowRec::wagowo_ilosciowy,
                                         &KSTowRec::opakowanie, &KSTowRec::cena_otwarta,
                                         &KSTowRec::tr_ok,      &KSTowRec::flag,
                                         &KSTowRec::add_rec,    &KSTowRec::from_ecr,
                                         &KSTowRec::tow_z_kontr};
  for (size_t set = 0; set < flags.size(); ++set) {
    SCOPED_TRACE(set);
    for (size_t f = 0; f < flags.size(); ++f) g.*flags[f] = f == set;
    buf.Clear();
    buf.DodajRec(&g);
    KSTowRec back;
    buf.CzytajRec(0, &back);
    for (size_t f = 0; f < flags.size(); ++f) EXPECT_EQ(back.*flags[f], f == set) << f;
    EXPECT_EQ(back.nr_buf, 0);
    EXPECT_EQ(back.status, stCen);
    EXPECT_EQ(back.org_status, stUsu);
    const KSTowRec& a = g;
    const KSTowRec& b = back;
    EXPECT_EQ(
        std::tie(a.plu, a.koldod, a.stawka, a.stawkaPrec, a.jedn, a.precyzja, a.plu_opakowania,
                 a.nr_asort, a.TerminW, a.poziom_cen, a.ile_w_kodzie, a.ile_jedn, a.nr_src_buf),
        std::tie(b.plu, b.koldod, b.stawka, b.stawkaPrec, b.jedn, b.precyzja, b.plu_opakowania,
                 b.nr_asort, b.TerminW, b.poziom_cen, b.ile_w_kodzie, b.ile_jedn, b.nr_src_buf));
    EXPECT_EQ(std::tie(a.cena, a.cena_hurt, a.cena_noc, a.cena_dod, a.dod_rabat_tow),
              std::tie(b.cena, b.cena_hurt, b.cena_noc, b.cena_dod, b.dod_rabat_tow));
    EXPECT_EQ(std::tie(a.kod, a.nazwa, a.kod_opakowania, a.opis1, a.opis2, a.opis3, a.opis4,
                       a.PKWiU, a.SWW, a.nazwa_pelna, a.notatki, a.plu_rec, a.org_barcode),
              std::tie(b.kod, b.nazwa, b.kod_opakowania, b.opis1, b.opis2, b.opis3, b.opis4,
                       b.PKWiU, b.SWW, b.nazwa_pelna, b.notatki, b.plu_rec, b.org_barcode));
  }

  KSKontrRec k;
  k.KontrId = 1;
  k.PoziomRabatu = 2;
  k.IloscPunktow = 3;
  k.TermWaznKarty = 46364.5;
  k.RabatOdbiorcy = 4.25;
  n = 0;
  for (std::string* m :
       {&k.Nazwa, &k.Skrot, &k.Ulica, &k.Kod, &k.Miasto, &k.Telefon, &k.NIP, &k.KodKarty}) {
    *m = "k" + std::to_string(++n);
  }
  for (const bool active : {false, true}) {
    k.KartaAktywna = active;
    buf.Clear();
    buf.DodajRec(&k);
    KSKontrRec b;
    buf.CzytajRec(0, &b);
    EXPECT_EQ(std::tie(b.KontrId, b.PoziomRabatu, b.IloscPunktow, b.nr_buf, b.KartaAktywna),
              std::tie(k.KontrId, k.PoziomRabatu, k.IloscPunktow, k.nr_buf, active));
    EXPECT_EQ(b.nr_buf, 0);
    EXPECT_EQ(std::tie(b.TermWaznKarty, b.RabatOdbiorcy),
              std::tie(k.TermWaznKarty, k.RabatOdbiorcy));
    EXPECT_EQ(std::tie(b.Nazwa, b.Skrot, b.Ulica, b.Kod, b.Miasto, b.Telefon, b.NIP, b.KodKarty),
              std::tie(k.Nazwa, k.Skrot, k.Ulica, k.Kod, k.Miasto, k.Telefon, k.NIP, k.KodKarty));
  }
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

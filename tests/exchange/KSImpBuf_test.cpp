#include "exchange/KSImpBuf.h"

#include <gtest/gtest.h>

#include <cmath>

#include "hostlib/Exceptions.h"
#include "hostlib/TMFile.h"
#include "hostlib/TdtTools.h"
#include "platform/FakeEnv.h"
#include "testutil/TempDir.h"

namespace {

// 2026-12-08, the sale date of the tests' buffers: "20261208000000000".
double SaleDate() {
  return TdtTools::EncodeDate(2026, 12, 8);
}

double At(int hour, int minute) {
  return SaleDate() + (hour * 60 + minute) / 1440.0;
}

// What the five "[FINANSOWE]" lines after the taxes hold when nothing was added.
const char* const kZeroFinance =
    "WPLATY;0\r\nWYPLATY;0\r\nRABATY;0\r\nZWROT_OPAKOWAN;0\r\nSPRZEDAZ_OPAKOWAN;0\r\n"
    "FPLATN_BON;0\r\nFPLATN_CZEK;0\r\nFPLATN_KARTA;0\r\nFPLATN_INNE;0\r\n"
    "IL_KOSZYKOW;0\r\nIL_LINII_PAR;0\r\n";

const char* const kDefaultFlags =
    "\r\n[FLAGI]\r\nDATA_SPRZEDAZY;20261208000000000\r\n"
    "FISK_Z_PLU;N\r\nNADPISZ_FISK;N\r\nNADPISZ_OPAK;T\r\nPODSUMUJ_OPAK;N\r\nNADPISZ_PLU;N\r\n"
    "DOKLEJ_PLU;N\r\n";

class ImpBufTest : public ::testing::Test {
 protected:
  ImpBufTest() : scope_(&env) { buf.data = SaleDate(); }
  // The whole import file the buffer writes.
  std::string Saved(bool stripZeros = false) {
    buf.Save(dir.File("kasa.imp"), stripZeros);
    return testutil::ReadFile(dir.File("kasa.imp"));
  }
  // The lines of one section, from its header up to the next empty line.
  std::string Section(const std::string& header) {
    const std::string text = Saved();
    const size_t from = text.find(header + "\r\n");
    if (from == std::string::npos) return "<no " + header + ">";
    const size_t body = from + header.size() + 2;
    if (text.compare(body, 2, "\r\n") == 0) return "";
    const size_t end = text.find("\r\n\r\n", body);
    return text.substr(body, end == std::string::npos ? std::string::npos : end + 2 - body);
  }
  platform::FakeEnv env;
  platform::ScopedEnv scope_;
  testutil::TempDir dir{"impbuf"};
  KSImpBuf buf;
};

// ----- The import file --------------------------------------------------------------------

TEST_F(ImpBufTest, EmptyBufferWritesEverySectionButTheCashierStateWithZeros) {
  EXPECT_EQ(Saved(), std::string("[TOWAROWE]\r\n"
                                 "\r\n[OPERACJE]\r\n"
                                 "\r\n[RAPORT_GODZINOWY]\r\n"
                                 "\r\n[RAPORT_WALUTOWY]\r\n"
                                 "\r\n[FINANSOWE]\r\n") +
                         kZeroFinance + kDefaultFlags);
}

TEST_F(ImpBufTest, FullBufferWritesEverySectionInOrder) {
  buf.ds_tax.push_back({1, 8130, 1870, 10000});
  buf.AddPlu("12", 1500, 675, id_plu);
  buf.AddPlu("5901234123457", 1000, 450, id_barcode);
  buf.AddParameter("NR_RAPORTU", "15");
  buf.AddGodzinowy(9, 1125, 2, 3);
  buf.FWymiany.Add(KSWymiana("EUR", 43125, 1000));
  buf.AddPayIn(5000);
  buf.AddPayOut(2000);
  buf.AddDiscount(-40, true);
  buf.AddBottlesTurned(-50);
  buf.AddBottlesSaled(30);
  buf.AddBony(100);
  buf.AddCzeki(200);
  buf.AddKarty(300);
  buf.AddInne(400);
  buf.il_koszykow = 2;
  buf.il_linii_par = 3;
  buf.Kas_ActiveKasjerSection();
  buf.Kas_SetNumer(3);
  buf.Kas_SetNazwisko("Anna Żak");
  buf.Kas_SetStankasy(12345);
  buf.Kas_AddWaluta(1, "Euro", 43125, 1000, 0);
  buf.par_szczeg = true;
  auto receipt = std::make_unique<TVKParagon>();
  receipt->FnrPar = 7;
  auto pay = std::make_unique<TVKPayment>();
  pay->Fkod = 0;
  pay->Fwartosc = 500;
  *receipt + std::move(pay);
  buf.AddReceipt(std::move(receipt));
  auto other = std::make_unique<TVKOther>(op_wypl);
  other->nrKasjera = 3;
  other->dataCzas = At(10, 15);
  buf.AddReceiptOtherInfo(std::move(other));

  EXPECT_EQ(Saved(),
            "[TOWAROWE]\r\n"
            "PLU;12;;1500;675\r\n"
            "PLU;;5901234123457;1000;450\r\n"
            "\r\n[OPERACJE]\r\n"
            "KASPAR;NR_RAPORTU;15\r\n"
            "\r\n[RAPORT_GODZINOWY]\r\n"
            "GODZ;9;1125;2;3\r\n"
            "\r\n[RAPORT_WALUTOWY]\r\n"
            "WALUTA;EUR;43125;1000\r\n"
            "\r\n[FINANSOWE]\r\n"
            "VAT;1;8130;1870;10000\r\n"
            "WPLATY;5000\r\nWYPLATY;2000\r\nRABATY;40\r\nZWROT_OPAKOWAN;50\r\n"
            "SPRZEDAZ_OPAKOWAN;30\r\nFPLATN_BON;100\r\nFPLATN_CZEK;200\r\nFPLATN_KARTA;300\r\n"
            "FPLATN_INNE;400\r\nIL_KOSZYKOW;2\r\nIL_LINII_PAR;3\r\n"
            "\r\n[STAN_KASY]\r\n"
            "KAS_NUMER;3\r\nKAS_NAZWISKO;Anna Żak\r\nKAS_STANKASY;12345\r\n"
            "KAS_WAL1_NAZWA;Euro\r\nKAS_WAL1_KURS;43125\r\nKAS_WAL1_STAN;1000\r\n"
            "KAS_WAL1_BILANS;0\r\n"
            "\r\n[FLAGI]\r\nDATA_SPRZEDAZY;20261208000000000\r\n"
            "FISK_Z_PLU;N\r\nNADPISZ_FISK;N\r\nNADPISZ_OPAK;T\r\nPODSUMUJ_OPAK;N\r\n"
            "NADPISZ_PLU;N\r\nDOKLEJ_PLU;N\r\n"
            // The receipt, then the other operation, each in its own text.
            "\r\n[Paragon nr 7]\r\nKSK;-1;7;0;1;;;;;18991230000000000;0;-1\r\n"
            "PMT;0;500;1;-1;-1;-1;1;0;;18991230000000000\n"
            "\n[INNA_OPER]\nOP_WYPL;;;0;0;3;-1;;0;20261208101500000;;-1\r\n");
}

TEST_F(ImpBufTest, SavingReplacesTheWholeFile) {
  testutil::WriteFile(dir.File("kasa.imp"), std::string(5000, 'x'));
  EXPECT_EQ(Saved().substr(0, 12), "[TOWAROWE]\r\n");
  EXPECT_EQ(Saved().find('x'), std::string::npos);
}

TEST_F(ImpBufTest, ReceiptsAndOtherOperationsAreWrittenOnlyWithDetails) {
  buf.AddReceipt(std::make_unique<TVKParagon>());
  buf.AddReceiptOtherInfo(std::make_unique<TVKOther>(op_wpl));
  const std::string text = Saved();
  EXPECT_EQ(text.substr(text.size() - 14), "DOKLEJ_PLU;N\r\n");
  EXPECT_EQ(buf.GetReceiptsCount(), 1);
  EXPECT_EQ(buf.GetReceiptsOtherCount(), 1);
}

TEST_F(ImpBufTest, FlagsAreWrittenAsTAndN) {
  buf.fisk_z_plu = true;
  buf.nadpisz_fisk = true;
  buf.nadpisz_opak = false;
  buf.podsumuj_opak = true;
  buf.nadpisz_plu = true;
  buf.doklej_plu = true;
  EXPECT_EQ(Section("[FLAGI]"),
            "DATA_SPRZEDAZY;20261208000000000\r\nFISK_Z_PLU;T\r\nNADPISZ_FISK;T\r\n"
            "NADPISZ_OPAK;N\r\nPODSUMUJ_OPAK;T\r\nNADPISZ_PLU;T\r\nDOKLEJ_PLU;T\r\n");
}

TEST_F(ImpBufTest, AmountsAreRoundedToWholeNumbers) {
  buf.AddPlu("1", 1499.6, 0.4, id_plu);
  buf.AddPayIn(-12.7);
  EXPECT_EQ(Section("[TOWAROWE]"), "PLU;1;;1500;0\r\n");
  EXPECT_EQ(Section("[FINANSOWE]").substr(0, 12), "WPLATY;-13\r\n");
}

TEST_F(ImpBufTest, FileThatCannotBeOpenedIsTheCallersError) {
  EXPECT_THROW(buf.Save(dir.File("brak") + "/x/kasa.imp", false), Exception);
}

// ----- Goods section ----------------------------------------------------------------------

TEST_F(ImpBufTest, LinesWithoutQuantityOrNotToBeSavedAreLeftOut) {
  buf.AddPlu("1", 0, 999, id_plu);
  buf.AddPlu("2", 1000, 100, id_plu);
  buf.AddPlu("3", 2000, 200, id_plu);
  buf.ds_plu[2].save = 0;
  EXPECT_EQ(Section("[TOWAROWE]"), "PLU;2;;1000;100\r\n");
  KSImpTowRec rec;
  buf.GetPlu(2, rec);
  EXPECT_FALSE(rec.save);
}

TEST_F(ImpBufTest, SameCodeAsPluNumberAndAsBarcodeGivesTwoLinesInTheirColumns) {
  buf.AddToPlu("123", 1000, 100, id_plu);
  buf.AddToPlu("123", 2000, 200, id_barcode);
  buf.AddToPlu("123", 500, 50, id_plu);
  buf.AddToPlu("123", 500, 50, id_barcode);
  EXPECT_EQ(buf.CountPlu(), 2);
  EXPECT_EQ(Section("[TOWAROWE]"), "PLU;123;;1500;150\r\nPLU;;123;2500;250\r\n");
}

TEST_F(ImpBufTest, GlobalCodesGoToTheBarcodeColumnOnlyWhenIdentBarcodeIsSet) {
  buf.AddPlu("0042", 1000, 100, id_global);
  EXPECT_EQ(Section("[TOWAROWE]"), "PLU;0042;;1000;100\r\n");
  buf.ident_barcode = true;
  EXPECT_EQ(Section("[TOWAROWE]"), "PLU;;0042;1000;100\r\n");
}

TEST_F(ImpBufTest, StripZerosShortensBarcodesToAtLeastOneCharacter) {
  buf.AddPlu("000123", 1000, 1, id_barcode);
  buf.AddPlu("000", 1000, 1, id_barcode);
  buf.AddPlu("0077", 1000, 1, id_plu);
  const std::string goods =
      "[TOWAROWE]\r\nPLU;;123;1000;1\r\nPLU;;0;1000;1\r\nPLU;0077;;1000;1\r\n\r\n";
  EXPECT_EQ(Saved(true).substr(0, goods.size()), goods);
  EXPECT_NE(Saved(false).find("PLU;;000123;"), std::string::npos);
}

TEST_F(ImpBufTest, InvalidIdentifierEndsTheWriteAndKeepsWhatWasWritten) {
  buf.AddPlu("1", 1000, 100, id_plu);
  buf.AddPlu("2", 1000, 100, static_cast<e_identifier>(7));
  try {
    buf.Save(dir.File("kasa.imp"), false);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "KSExpBuf::WriteToFile() - nieprawidłowy ident");
  }
  EXPECT_EQ(testutil::ReadFile(dir.File("kasa.imp")), "[TOWAROWE]\r\nPLU;1;;1000;100\r\n");
}

TEST_F(ImpBufTest, InvalidIdentifierWithoutQuantityIsNotLookedAt) {
  buf.AddPlu("2", 0, 100, static_cast<e_identifier>(7));
  EXPECT_NO_THROW(Saved());
}

// A clock that moves by a fixed step whenever it is read.
class TickingEnv : public platform::FakeEnv {
 public:
  double Now() override {
    const double t = now;
    now += step;
    return t;
  }
  double step = 0.3e-6;
};

TEST(ImpBufYieldTest, GoodsWriterPausesAfterEveryIntervalOnceItHasTakenATenthOfASecond) {
  TickingEnv env;
  platform::ScopedEnv scope(&env);
  testutil::TempDir dir("impbuf");
  KSImpBuf buf;
  for (int i = 0; i < 20; ++i) buf.AddPlu(std::to_string(i), i % 2 == 0 ? 1000 : 0, 1, id_plu);
  buf.Save(dir.File("kasa.imp"), false);
  // Read at the start and after each line: more than 1.16e-6 day has passed after line 4, so
  // the writer pauses after lines 8, 12, 16 and 20, written or not.
  EXPECT_EQ(env.sleeps, (std::vector<int>{20, 20, 20, 20}));
}

TEST_F(ImpBufTest, GoodsWriterDoesNotPauseWhileItIsQuick) {
  for (int i = 0; i < 1000; ++i) buf.AddPlu(std::to_string(i), 1000, 1, id_plu);
  Saved();
  EXPECT_TRUE(env.sleeps.empty());
}

// ----- Goods lines and their index --------------------------------------------------------

// Counts the comparisons the buffer makes, to show how its lookups scale.
class CountingImpBuf : public KSImpBuf {
 public:
  long long finds = 0;
  long long sorts = 0;

 protected:
  int FindCompare(int i) override {
    ++finds;
    return KSImpBuf::FindCompare(i);
  }
  int SortCompare(int i, int j) override {
    ++sorts;
    return KSImpBuf::SortCompare(i, j);
  }
};

TEST(ImpBufIndexTest, FindRecOnAnEmptyBufferFindsNothingAndLeavesItUnsorted) {
  KSImpBuf buf;
  EXPECT_EQ(buf.FindRec("1"), -1);
  EXPECT_FALSE(buf.Sorted);
  buf.AddPlu("1", 1, 1, id_plu);
  EXPECT_EQ(buf.FindRec("1"), 0);
  EXPECT_TRUE(buf.Sorted);
}

TEST(ImpBufIndexTest, IndexStaysInCodeOrderAcrossInsertionsAndClear) {
  KSImpBuf buf;
  for (const char* code : {"50", "10", "30"}) buf.AddPlu(code, 1, 1, id_plu);
  EXPECT_EQ(buf.FindRec("10"), 1);
  for (const char* code : {"40", "05", "60", "20"}) buf.AddPlu(code, 1, 1, id_plu);
  ASSERT_EQ(buf.ds_index.size(), 7);
  std::vector<std::string> ordered;
  for (int32_t row : buf.ds_index.ToVector())
    ordered.push_back(buf.ds_plu[static_cast<size_t>(row)].plu);
  EXPECT_EQ(ordered, (std::vector<std::string>{"05", "10", "20", "30", "40", "50", "60"}));
  EXPECT_EQ(buf.FindRec("20"), 6);
  EXPECT_EQ(buf.FindRec("25"), -1);
  EXPECT_EQ(buf.FindRec("99"), -1);
  EXPECT_EQ(buf.FindRec(""), -1);

  buf.Clear();
  EXPECT_TRUE(buf.Sorted);
  buf.AddPlu("B", 1, 1, id_plu);
  buf.AddPlu("A", 1, 1, id_plu);
  EXPECT_EQ(buf.ds_index.ToVector(), (std::vector<int32_t>{1, 0}));
  EXPECT_EQ(buf.FindRec("A"), 1);
}

TEST(ImpBufIndexTest, CodeAddedAgainAfterSortingIsIndexedAndTheFirstLineIsFound) {
  // Returns summed with AddToPlu sort the index; sales appended afterwards may repeat a code.
  KSImpBuf buf;
  buf.AddToPlu("7", -1000, -50, id_global);
  buf.AddToPlu("8", -1000, -50, id_global);
  buf.AddPlu("7", 3000, 150, id_global);
  buf.AddPlu("6", 1000, 10, id_global);
  EXPECT_EQ(buf.ds_index.ToVector(), (std::vector<int32_t>{3, 0, 2, 1}));
  EXPECT_EQ(buf.FindRec("7"), 0);
  buf.ExclAddToPlu("7", -1000, -50);
  KSImpTowRec rec;
  buf.GetPlu(0, rec);
  EXPECT_EQ(rec.quantity, -2000);
  buf.GetPlu(2, rec);
  EXPECT_EQ(rec.quantity, 3000);
}

TEST(ImpBufIndexTest, AddToPluFindsTheLineOfItsIdentifierAmongLinesOfTheSameCode) {
  KSImpBuf buf;
  buf.AddPlu("5", 1, 1, id_plu);
  buf.AddPlu("5", 1, 1, id_barcode);
  buf.AddPlu("5", 1, 1, id_barcode);
  buf.AddToPlu("5", 10, 10, id_barcode);
  buf.AddToPlu("5", 100, 100, id_global);
  EXPECT_EQ(buf.CountPlu(), 4);
  KSImpTowRec rec;
  buf.GetPlu(1, rec);
  EXPECT_EQ(rec.quantity, 11);
  buf.GetPlu(2, rec);
  EXPECT_EQ(rec.quantity, 1);
  buf.GetPlu(3, rec);
  EXPECT_EQ(rec.plu, "5");
  EXPECT_EQ(rec.identifier, id_global);
}

TEST(ImpBufIndexTest, ExclAddToPluIgnoresUnknownCodes) {
  KSImpBuf buf;
  buf.ExclAddToPlu("1", 5, 5);
  EXPECT_EQ(buf.CountPlu(), 0);
  buf.AddPlu("1", 1, 2, id_barcode);
  buf.ExclAddToPlu("1", 5, 5);
  buf.ExclAddToPlu("2", 5, 5);
  EXPECT_EQ(buf.CountPlu(), 1);
  KSImpTowRec rec(id_plu);
  buf.GetPlu(0, rec);
  EXPECT_EQ(rec.quantity, 6);
  EXPECT_EQ(rec.value, 7);
  EXPECT_EQ(rec.identifier, id_barcode);
}

TEST(ImpBufIndexTest, SummingManyLinesSortsOnceAndSearchesLogarithmically) {
  CountingImpBuf buf;
  constexpr int kCodes = 4096;
  constexpr int kLines = 100000;
  for (int i = 0; i < kLines; ++i) {
    // A spread of codes in no particular order, most of them repeated.
    buf.AddToPlu(std::to_string((i * 2654435761u) % kCodes), 1000, 1, id_plu);
  }
  EXPECT_EQ(buf.CountPlu(), kCodes);
  // A lookup and, for a new code, an insertion: about 2 × log2(4096) = 24 comparisons each.
  EXPECT_LT(buf.finds, 30LL * kLines);
  // The index was sorted once, with a single line in it; later codes were inserted in place.
  EXPECT_EQ(buf.sorts, 0);
  double quantity = 0;
  KSImpTowRec rec;
  for (int i = 0; i < buf.CountPlu(); ++i) {
    buf.GetPlu(i, rec);
    quantity += rec.quantity;
  }
  EXPECT_EQ(quantity, 1000.0 * kLines);
}

TEST(ImpBufIndexTest, FirstLookupSortsTheWholeTable) {
  CountingImpBuf buf;
  for (int i = 0; i < 1000; ++i) buf.AddPlu(std::to_string(999 - i), 1, 1, id_plu);
  EXPECT_EQ(buf.FindRec("500"), 499);
  EXPECT_GT(buf.sorts, 0);
  const std::vector<int32_t> index = buf.ds_index.ToVector();
  ASSERT_EQ(index.size(), 1000u);
  for (size_t i = 1; i < index.size(); ++i) {
    EXPECT_LT(buf.ds_plu[static_cast<size_t>(index[i - 1])].plu,
              buf.ds_plu[static_cast<size_t>(index[i])].plu);
  }
}

TEST(ImpIndexTest, BehavesAsOneSequenceAcrossItsBlocks) {
  KSImpIndex index;
  std::vector<int32_t> model;
  index.assign_identity(3000);
  for (int32_t i = 0; i < 3000; ++i) model.push_back(i);
  // Insertions at the front, the end and spread over the middle split blocks many times.
  for (int32_t i = 0; i < 6000; ++i) {
    const int pos = i % 3 == 0 ? 0 : (i % 3 == 1 ? index.size() : (i * 7919) % index.size());
    index.insert(pos, 10000 + i);
    model.insert(model.begin() + pos, 10000 + i);
  }
  ASSERT_EQ(index.size(), 9000);
  EXPECT_EQ(index.ToVector(), model);
  for (int pos : {0, 1, 1023, 1024, 2047, 2048, 4500, 8999}) {
    EXPECT_EQ(index[pos], model[static_cast<size_t>(pos)]) << pos;
  }
  std::swap(index[0], index[8999]);
  EXPECT_EQ(index[0], model.back());
  EXPECT_THROW(index[9000], Exception);
  EXPECT_THROW(index.insert(9001, 1), Exception);
  index.clear();
  EXPECT_TRUE(index.empty());
  index.insert(0, 5);
  EXPECT_EQ(index.ToVector(), (std::vector<int32_t>{5}));
}

TEST(ImpTowRecTest, ClearKeepsTheIdentifier) {
  KSImpTowRec rec(id_barcode);
  rec.plu = "1";
  rec.quantity = 2;
  rec.value = 3;
  rec.save = false;
  rec.Clear();
  EXPECT_EQ(rec.plu, "");
  EXPECT_EQ(rec.quantity, 0);
  EXPECT_EQ(rec.value, 0);
  EXPECT_TRUE(rec.save);
  EXPECT_EQ(rec.identifier, id_barcode);
  EXPECT_EQ(KSImpTowRec().identifier, id_global);
}

// ----- Totals -----------------------------------------------------------------------------

TEST_F(ImpBufTest, TotalValueComesFromGoodsToBeSavedOrFromTaxRows) {
  buf.AddPlu("1", 1000, 150, id_plu);
  buf.AddPlu("2", 1000, 100, id_plu);
  buf.AddPlu("3", 0, 7, id_plu);
  buf.ds_plu[1].save = 0;
  EXPECT_EQ(buf.GetTotalValue(), 0);
  buf.fisk_z_plu = true;
  EXPECT_EQ(buf.GetTotalValue(), 157);
  buf.fisk_z_plu = false;
  buf.ds_tax.push_back({1, 80, 20, 100});
  buf.ds_tax.push_back({2, 40, 10, 50});
  EXPECT_EQ(buf.GetTotalValue(), 150);
}

TEST_F(ImpBufTest, WithFiskZPluNoVatLineIsWritten) {
  buf.ds_tax.push_back({1, 80, 20, 100});
  EXPECT_EQ(Section("[FINANSOWE]").substr(0, 17), "VAT;1;80;20;100\r\n");
  buf.fisk_z_plu = true;
  EXPECT_EQ(Section("[FINANSOWE]"), kZeroFinance);
}

TEST_F(ImpBufTest, DiscountsAndPackagingAddAsTheirRulesSay) {
  buf.AddDiscount(-30, false);
  buf.AddDiscount(-20, true);
  buf.AddBottlesTurned(-15);
  buf.AddBottlesTurned(5);
  buf.AddBottlesSaled(-7);
  EXPECT_EQ(buf.discount, -10);
  EXPECT_EQ(buf.bottles_turned, 20);
  EXPECT_EQ(buf.bottles_saled, 7);
}

TEST_F(ImpBufTest, HourlyReportWritesHoursWithValueOnlyAndIgnoresOtherHours) {
  buf.AddGodzinowy(0, 100, 1, 2);
  buf.AddGodzinowy(23, 50, 1, 1);
  buf.AddGodzinowy(23, 25, 1, 4);
  buf.AddGodzinowy(12, 0, 5, 5);
  buf.AddGodzinowy(24, 999, 9, 9);
  buf.AddGodzinowy(-1, 999, 9, 9);
  EXPECT_EQ(Section("[RAPORT_GODZINOWY]"), "GODZ;0;100;1;2\r\nGODZ;23;75;2;5\r\n");
  EXPECT_EQ(buf.godz_ilkoszykow[12], 5);
}

TEST_F(ImpBufTest, PaymentsAddTheirRatedAmountToTheirForm) {
  const std::pair<int, double KSImpBuf::*> forms[] = {
      {1, &KSImpBuf::fp_bony},
      {2, &KSImpBuf::fp_czeki},
      {3, &KSImpBuf::fp_karty},
      {4, &KSImpBuf::fp_inne},
  };
  for (const auto& [code, total] : forms) {
    KSImpBuf b;
    TVKPayment pay;
    pay.Fkod = code;
    pay.Fwartosc = 199;
    pay.Fkurs = 50;
    b + pay;
    EXPECT_EQ(b.*total, 99) << code;
    pay.Fwartosc = -199;
    b + &pay;
    EXPECT_EQ(b.*total, 0) << code;  // -99.5 is cut toward zero as well
  }
  TVKPayment cash;
  cash.Fkod = 0;
  cash.Fwartosc = 500;
  cash.Fkurs = 100;
  buf + cash;
  EXPECT_EQ(buf.fp_bony + buf.fp_czeki + buf.fp_karty + buf.fp_inne, 0);
}

TEST_F(ImpBufTest, PositionsFeedGoodsLinesHoursAndPackaging) {
  TVKPosition byCode;
  byCode.Fplu = 3;
  byCode.Fkod = " 590123 ";
  byCode.Filosc = 2000;
  byCode.Fwartosc = 300;
  byCode.Fdata_czas = At(7, 45);
  TVKPosition byPlu;
  byPlu.Fplu = 3;
  byPlu.Filosc = 1000;
  byPlu.Fwartosc = 50;
  byPlu.Fdata_czas = At(14, 0);
  byPlu.FTyp = ptBottleSale;
  TVKPosition returned = byPlu;
  returned.Fwartosc = -20;
  returned.FTyp = ptBottleReturn;
  buf + byCode + byPlu + &returned;
  buf + static_cast<const TVKPosition*>(nullptr);
  EXPECT_EQ(Section("[TOWAROWE]"), "PLU;;590123;2000;300\r\nPLU;3;;2000;30\r\n");
  EXPECT_EQ(Section("[RAPORT_GODZINOWY]"), "GODZ;7;300;0;0\r\nGODZ;14;30;0;0\r\n");
  EXPECT_EQ(buf.bottles_saled, 50);
  EXPECT_EQ(buf.bottles_turned, 20);
}

TEST_F(ImpBufTest, ReceiptFeedsTheBufferOnlyWithSalesFromReceipts) {
  auto make = [] {
    auto receipt = std::make_unique<TVKParagon>();
    receipt->Fdata_czas = At(16, 30);
    receipt->Frabat = -25;
    auto pos = std::make_unique<TVKPosition>();
    pos->Fplu = 8;
    pos->Filosc = 1000;
    pos->Fwartosc = 400;
    pos->Fdata_czas = At(16, 30);
    *receipt + std::move(pos);
    auto pay = std::make_unique<TVKPayment>();
    pay->Fkod = 3;
    pay->Fwartosc = 400;
    pay->Fkurs = 100;
    *receipt + std::move(pay);
    return receipt;
  };
  buf.AddReceipt(make());
  EXPECT_EQ(buf.CountPlu(), 0);
  EXPECT_EQ(buf.fp_karty, 0);
  EXPECT_EQ(buf.GetReceiptsCount(), 1);

  buf.sprzedaz_z_paragonow = true;
  buf.AddReceipt(make());
  EXPECT_EQ(Section("[TOWAROWE]"), "PLU;8;;1000;400\r\n");
  EXPECT_EQ(Section("[RAPORT_GODZINOWY]"), "GODZ;16;400;1;1\r\n");
  EXPECT_EQ(buf.fp_karty, 400);
  EXPECT_EQ(buf.discount, 25);
  EXPECT_EQ(buf.GetReceiptsCount(), 2);
}

TEST_F(ImpBufTest, ReceiptIsPostProcessedBeforeItIsAdded) {
  struct Late : TVKParagon {
    void PostProcess() override {
      auto pos = std::make_unique<TVKPosition>();
      pos->Fkod = "77";
      pos->Filosc = 1000;
      pos->Fwartosc = 9;
      *this + std::move(pos);
    }
  };
  buf.sprzedaz_z_paragonow = true;
  buf.AddReceipt(std::make_unique<Late>());
  EXPECT_EQ(buf.FindRec("77"), 0);
}

TEST_F(ImpBufTest, ClearZeroesTotalsButKeepsReceiptsParametersFlagsAndDate) {
  buf.AddPlu("1", 1, 1, id_plu);
  buf.AddPayIn(5);
  buf.AddGodzinowy(3, 1, 1, 1);
  buf.AddLiniaParEx("1", 1, 1, 1, "x", 0, 1, 1, id_plu);
  buf.Kas_ActiveKasjerSection();
  buf.AddParameter("A", "1");
  buf.AddReceiptOtherInfo(std::make_unique<TVKOther>());
  buf.doklej_plu = true;
  buf.Clear();
  EXPECT_EQ(buf.CountPlu(), 0);
  EXPECT_EQ(buf.payin, 0);
  EXPECT_EQ(buf.godzinowy[3], 0);
  EXPECT_EQ(buf.godz_ilkoszykow[3], 0);
  EXPECT_EQ(buf.paragony, "");
  EXPECT_FALSE(buf.Kas_IsActiveKasjerSection());
  EXPECT_EQ(buf.FParametry.size(), 1u);
  EXPECT_EQ(buf.GetReceiptsOtherCount(), 1);
  EXPECT_TRUE(buf.doklej_plu);
  EXPECT_EQ(buf.data, SaleDate());
}

// ----- Cashier section --------------------------------------------------------------------

TEST_F(ImpBufTest, ActiveSectionWithoutCashierNumberHoldsOnlyTheNumber) {
  buf.Kas_ActiveKasjerSection();
  buf.Kas_SetNazwisko("Jan");
  buf.Kas_SetStankasy(100);
  EXPECT_EQ(Section("[STAN_KASY]"), "KAS_NUMER;0\r\n");
}

TEST_F(ImpBufTest, CashierSectionWritesTheSetFieldsInTheirOrder) {
  buf.Kas_ActiveKasjerSection();
  buf.Kas_SetNumer(2);
  buf.Kas_SetWartStorno(11);
  buf.Kas_SetIlStorno(10);
  buf.Kas_SetWartParAnulowanych(9);
  buf.Kas_SetIlParAnulowanych(8);
  buf.Kas_SetParagonow(7);
  buf.Kas_SetInnefplat(6);
  buf.Kas_SetDodfplat(5);
  buf.Kas_SetPrzelewy(4);
  buf.Kas_SetCzeki(3);
  buf.Kas_SetBony(2);
  buf.Kas_SetKarty(1);
  buf.Kas_SetStankasy(12345.5);
  buf.Kas_SetBiez(At(18, 5));
  buf.Kas_SetZmstart(At(6, 0));
  buf.Kas_SetUprawn(3);
  buf.Kas_SetNazwisko("Kowalski; Jan\r\nkierownik");
  buf.Kas_SetNrKasjera(2);
  buf.kas_wal.push_back("KAS_WAL1_NAZWA;EUR\r\n");
  EXPECT_EQ(Section("[STAN_KASY]"),
            "KAS_NUMER;2\r\nKAS_NR_KASJERA;2\r\nKAS_NAZWISKO;Kowalski  Jan  kierownik\r\n"
            "KAS_UPRAWN;3\r\nKAS_ZMSTART;20261208060000000\r\nKAS_BIEZ;20261208180500000\r\n"
            "KAS_STANKASY;12346\r\nKAS_KARTY;1\r\nKAS_BONY;2\r\nKAS_CZEKI;3\r\n"
            "KAS_PRZELEWY;4\r\nKAS_DODFPLAT;5\r\nKAS_INNEFPLAT;6\r\nKAS_PARAGONOW;7\r\n"
            "KAS_IL_PAR_ANULOWANYCH;8\r\nKAS_WART_PAR_ANULOWANYCH;9\r\nKAS_IL_STORNO;10\r\n"
            "KAS_WART_STORNO;11\r\nKAS_WAL1_NAZWA;EUR\r\n");
  buf.Kas_Clear();
  EXPECT_FALSE(buf.kas_is_nazwisko);
  EXPECT_TRUE(buf.kas_wal.empty());
  EXPECT_EQ(buf.kas_numer, 0);
}

TEST_F(ImpBufTest, AddedStateLinesAreWrittenUnlessTheSectionIsRebuilt) {
  buf.AddLinieStanuKasy("KAS_NUMER;4");
  buf.AddLinieStanuKasy("KAS_X;1");
  EXPECT_EQ(buf.StanKasyStr, "KAS_NUMER;4\r\nKAS_X;1\r\n");
  EXPECT_EQ(Section("[STAN_KASY]"), "KAS_NUMER;4\r\nKAS_X;1\r\n");
  buf.Kas_ActiveKasjerSection();
  buf.Kas_SetNumer(5);
  EXPECT_EQ(Section("[STAN_KASY]"), "KAS_NUMER;5\r\n");
}

TEST_F(ImpBufTest, CurrencyGroupOfTheCashierSection) {
  buf.Kas_AddWaluta(2, "Dolar;US\n", 40000, 1500.4, -20);
  ASSERT_EQ(buf.kas_wal.size(), 1u);
  EXPECT_EQ(buf.kas_wal[0],
            "KAS_WAL2_NAZWA;Dolar US \r\nKAS_WAL2_KURS;40000\r\nKAS_WAL2_STAN;1500\r\n"
            "KAS_WAL2_BILANS;-20\r\n");
}

// ----- Parameters, exchange lines and PAR lines -------------------------------------------

TEST_F(ImpBufTest, ParametersAreWrittenOncePerNameWithEveryEqualsSignReplaced) {
  buf.AddParameter("RAPORT", "1");
  buf.AddParameter("WZOR", "a=b");
  buf.AddParameter("RAPORT", "2");
  EXPECT_EQ(Section("[OPERACJE]"), "KASPAR;RAPORT;2\r\nKASPAR;WZOR;a;b\r\n");
}

TEST_F(ImpBufTest, ExchangeLinesAreSummedPerCurrencyAndRate) {
  buf.FWymiany.Add(KSWymiana("EUR", 43000, 100));
  buf.FWymiany + KSWymiana("USD", 40000, 5) + KSWymiana("EUR", 43000, 20);
  buf.FWymiany.Add(KSWymiana("EUR", 43100, 1));
  buf.FWymiany.Add(KSWymiana("USD", 40000, 2147483647));
  EXPECT_EQ(buf.FWymiany.Count(), 3);
  EXPECT_EQ(Section("[RAPORT_WALUTOWY]"),
            "WALUTA;EUR;43000;120\r\nWALUTA;USD;40000;2147483652\r\nWALUTA;EUR;43100;1\r\n");
  EXPECT_THROW(buf.FWymiany.GetTexts(3), Exception);
}

TEST_F(ImpBufTest, ParLinesResolveTheIdentifierAndLeaveNegativeNumbersEmpty) {
  buf.AddLiniaParEx("12", 1500, 675, 10, "Bułka; duża", At(8, 0), 3, -1, id_plu);
  buf.AddLiniaParEx("590", 1000, 100, 0, "", At(8, 1), -1, 0, id_barcode);
  buf.ident_barcode = true;
  buf.AddLiniaParEx("7", 1000, 100, 0, "", At(8, 2), 1, 2, id_global);
  EXPECT_EQ(buf.paragony,
            "PAR;12;;1500;675;10;Bułka  duża;20261208080000000;3;\r\n"
            "PAR;;590;1000;100;0;;20261208080100000;;0\r\n"
            "PAR;;7;1000;100;0;;20261208080200000;1;2\r\n");
  buf.SaveOneParag(dir.File("par.txt"));
  EXPECT_EQ(testutil::ReadFile(dir.File("par.txt")), buf.paragony);
}

TEST_F(ImpBufTest, ParLineWithInvalidIdentifierIsAnErrorAndAddsNothing) {
  try {
    buf.AddLiniaParEx("1", 1, 1, 1, "", 0, 1, 1, static_cast<e_identifier>(3));
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "KSExpBuf::AddLiniaParEx() - nieprawidłowy _ident");
  }
  EXPECT_EQ(buf.paragony, "");
}

}  // namespace

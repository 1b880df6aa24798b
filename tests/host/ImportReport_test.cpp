// The import summary and the check against the register's counters, from the stored import
// files a back office has.
#include "host/ImportReport.h"

#include <gtest/gtest.h>

namespace tvkhost {
namespace {

// An import file as the driver writes it, with a cashier section and, after the flags, a
// receipt, an invoice and two other operations.
const std::string kFile =
    "[TOWAROWE]\r\n"
    "PLU;40;;-2500;-125\r\n"
    "PLU;12;;2000;700\r\n"
    "PLU;;5900000000011;1000;649\r\n"
    "PLU;13;;abc;300\r\n"
    "\r\n[OPERACJE]\r\nKASPAR;DataImportu;2026-12-08\r\n"
    "\r\n[RAPORT_GODZINOWY]\r\nGODZ;10;700;1;2\r\n"
    "\r\n[RAPORT_WALUTOWY]\r\n"
    "\r\n[FINANSOWE]\r\n"
    "WPLATY;5000\r\nWYPLATY;2000\r\nRABATY;0\r\nZWROT_OPAKOWAN;125\r\nSPRZEDAZ_OPAKOWAN;150\r\n"
    "FPLATN_BON;0\r\nFPLATN_CZEK;0\r\nFPLATN_KARTA;0\r\nFPLATN_INNE;0\r\n"
    "IL_KOSZYKOW;0\r\nIL_LINII_PAR;0\r\n"
    "\r\n[STAN_KASY]\r\n"
    "KAS_NUMER;1\r\nKAS_NAZWISKO;Anna Żak\r\nKAS_ZMSTART;20261208083000000\r\n"
    "KAS_STANKASY;12000\r\nKAS_PARAGONOW;3\r\n"
    "\r\n[FLAGI]\r\n"
    "DATA_SPRZEDAZY;20261208000000000\r\nFISK_Z_PLU;T\r\nDOKLEJ_PLU;N\r\n"
    "\n[PARAGON nr 1]\nTRN;1;1;2;5;1;1;123;0;20261208101500000\nZAW;12;;2000;650;50;1;x\n\r\n"
    "\n[INNA_OPER]\nOP_WPL;;;0;1;1;1;;0;20261208110000000;;-1\r\nPMT;0;5000;100\n"
    "\n[INNA_OPER]\nOP_WYPL;;;0;1;1;1;;0;20261208110500000;;-1\r\n"
    "\n[INNA_OPER]\nOP_STORNO;7;2;1;0;1;1;;0;20261208111000000\nZAW;13;;1000;300;0;1;x\n\r\n"
    "\n[INNA_OPER]\nOP_STORNO;7;2;1;0;1;1;;0;20261208111000000\nZAW;12;;1000;350;0;1;x\n\r\n"
    "\n[INNA_OPER]\nOP_ANUL;8;3;1;0;1;1;;0;20261208112000000\nZAW;12;;1000;350;0;1;x\n\r\n"
    "\n[FAKTURA nr 3]\nFV;5;3;1;1;1;1;;0;20261208134000000\n"
    "[STAN_KASY]\r\nKAS_NUMER;9\r\n";

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  for (const std::string& l : lines) {
    if (l == line) return true;
  }
  return false;
}

std::string Dump(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

TEST(ImportFileTest, ReadsTheGoodsLinesAndTheirValue) {
  ImportFile f = ReadImportFile(kFile);
  ASSERT_EQ(f.goods.size(), 3u);
  EXPECT_EQ(f.goods[0].plu, "40");
  EXPECT_EQ(f.goods[0].quantity, -2500);
  EXPECT_EQ(f.goods[0].value, -125);
  EXPECT_EQ(f.goods[2].plu, "");
  EXPECT_EQ(f.goods[2].barcode, "5900000000011");
  EXPECT_EQ(f.goodsValue, -125 + 700 + 649);
  EXPECT_EQ(f.unreadableGoods, 1);
}

TEST(ImportFileTest, ReadsTheFinanceAndCashierSectionsAndTheSaleDate) {
  ImportFile f = ReadImportFile(kFile);
  long long v = 0;
  EXPECT_TRUE(f.Finance("WPLATY", v));
  EXPECT_EQ(v, 5000);
  EXPECT_TRUE(f.Finance("SPRZEDAZ_OPAKOWAN", v));
  EXPECT_EQ(v, 150);
  EXPECT_FALSE(f.Finance("NIEMA", v));
  EXPECT_EQ(f.saleDate, "20261208000000000");
  ASSERT_TRUE(f.hasCashierSection);
  ASSERT_EQ(f.cashier.size(), 5u);
  EXPECT_EQ(f.cashier[1].first, "KAS_NAZWISKO");
  EXPECT_EQ(f.cashier[1].second, "Anna Żak");
}

// The records after the flags are counted; their lines (and a section header among them)
// change neither the goods nor the cashier section.
TEST(ImportFileTest, CountsReceiptsInvoicesAndOtherOperationsAfterTheFlags) {
  ImportFile f = ReadImportFile(kFile);
  EXPECT_EQ(f.receipts, 1);
  EXPECT_EQ(f.invoices, 1);
  EXPECT_EQ(f.otherOperations, 5);
  EXPECT_EQ(f.deposits, 1);
  EXPECT_EQ(f.withdrawals, 1);
  EXPECT_EQ(f.voids, 2);
  EXPECT_EQ(f.cancelled, 1);
  EXPECT_EQ(f.otherRecords, 1);
  EXPECT_EQ(f.cashier.size(), 5u);
}

TEST(ImportFileTest, AFileWithoutSectionsReadsAsEmpty) {
  ImportFile f = ReadImportFile("PLU;1;;1000;100\r\ngarbage\r\n");
  EXPECT_TRUE(f.goods.empty());
  EXPECT_EQ(f.goodsValue, 0);
  EXPECT_TRUE(f.saleDate.empty());
  EXPECT_FALSE(f.hasCashierSection);
}

TEST(ImportTextTest, ShowsDatesAndZloty) {
  EXPECT_EQ(CompressedDateText("20261208000000000"), "2026-12-08");
  EXPECT_EQ(CompressedDateText("20261208083000000"), "2026-12-08 08:30:00");
  EXPECT_EQ(CompressedDateText("2026-12-08"), "2026-12-08");
  EXPECT_EQ(ZlotyText(123456), "1234.56");
  EXPECT_EQ(ZlotyText(-5), "-0.05");
  EXPECT_EQ(ZlotyText(0), "0.00");
}

TEST(ImportSummaryTest, TellsEachStoredFile) {
  std::vector<StoredImport> imports = {{"/out/kasa-1.imp", ReadImportFile(kFile)}};
  std::vector<std::string> s = ImportSummary(imports, OperationOutcome{});
  EXPECT_TRUE(Has(s, "tvkhost: import summary")) << Dump(s);
  EXPECT_TRUE(Has(s, "  sale date          2026-12-08")) << Dump(s);
  EXPECT_TRUE(Has(s, "  goods              3 lines, 12.24 z\xB3 (1 unreadable line left out)"))
      << Dump(s);
  EXPECT_TRUE(Has(s, "  deposits           50.00 z\xB3")) << Dump(s);
  EXPECT_TRUE(Has(s, "  withdrawals        20.00 z\xB3")) << Dump(s);
  EXPECT_TRUE(Has(s, "  packaging          returned 1.25 z\xB3, sold 1.50 z\xB3")) << Dump(s);
  EXPECT_TRUE(Has(s, "    KAS_NUMER                 1")) << Dump(s);
  EXPECT_TRUE(Has(s, "    KAS_NAZWISKO              Anna Żak")) << Dump(s);
  EXPECT_TRUE(Has(s, "    KAS_ZMSTART               2026-12-08 08:30:00")) << Dump(s);
  EXPECT_TRUE(Has(s, "    KAS_STANKASY              120.00 z\xB3")) << Dump(s);
  EXPECT_TRUE(Has(s,
                  "  records            1 receipt, 1 invoice, 5 other operations, 1 other "
                  "records"))
      << Dump(s);
  EXPECT_TRUE(Has(s,
                  "  other operations   2 voided lines, 1 cancelled receipt, 1 deposit, "
                  "1 withdrawal"))
      << Dump(s);
  EXPECT_TRUE(Has(s, "  stored as          /out/kasa-1.imp")) << Dump(s);
  EXPECT_FALSE(Has(s, "  import file 1 of 1")) << Dump(s);
}

TEST(ImportSummaryTest, NumbersTheFilesWhenThereAreSeveral) {
  std::vector<StoredImport> imports = {{"a.imp", ReadImportFile("[FLAGI]\r\n")},
                                       {"b.imp", ReadImportFile("[FINANSOWE]\r\nWPLATY;1\r\n")}};
  std::vector<std::string> s = ImportSummary(imports, OperationOutcome{});
  EXPECT_TRUE(Has(s, "  import file 2 of 2")) << Dump(s);
  EXPECT_TRUE(Has(s, "  sale date          (not in the file)")) << Dump(s);
  EXPECT_TRUE(Has(s, "  deposits           (not in the file)")) << Dump(s);
  EXPECT_TRUE(Has(s, "  deposits           0.01 z\xB3")) << Dump(s);
  EXPECT_TRUE(Has(s, "  cashier            none in the file")) << Dump(s);
}

TEST(ImportSummaryTest, SaysWhyNothingWasStored) {
  OperationOutcome failed;
  failed.errorLines = 1;
  EXPECT_TRUE(
      Has(ImportSummary({}, failed), "  no import file stored: the import ended with an error"));
  EXPECT_TRUE(Has(ImportSummary({}, OperationOutcome{}),
                  "  no import file stored: the register had nothing to take in"));
}

const char kCounters[] =
    "Sales counters:\n"
    "  PLU 12 sold 2.000 for 7,00\n"
    "  PLU 40 sold 3.000 for 1,50\n"
    "  PLU 40 returned 2.500 for 1,25\n";

TEST(RegisterCountersTest, ReadsSalesAndReturns) {
  std::vector<RegisterCounter> c;
  ASSERT_TRUE(ReadRegisterCounters(kCounters, c));
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0].plu, 12);
  EXPECT_EQ(c[0].quantity, 2000);
  EXPECT_EQ(c[0].value, 700);
  EXPECT_TRUE(c[2].returned);
  EXPECT_EQ(c[2].value, 125);
  EXPECT_FALSE(ReadRegisterCounters("Goods (0):\n", c));
  EXPECT_FALSE(ReadRegisterCounters("Sales counters:\n  PLU x sold 1 for 2\n", c));
}

StoredImport Imported(const std::string& goods) {
  return StoredImport{"kasa.imp", ReadImportFile("[TOWAROWE]\r\n" + goods)};
}

TEST(CompareCountersTest, AgreesWhenEveryPluMatches) {
  std::vector<RegisterCounter> c;
  ASSERT_TRUE(ReadRegisterCounters(kCounters, c));
  EXPECT_TRUE(CompareCountersWithImports(
                  c, {Imported("PLU;40;;-2500;-125\r\nPLU;12;;1000;350\r\nPLU;12;;1000;350\r\n"
                               "PLU;40;;3000;150\r\n")})
                  .empty());
}

TEST(CompareCountersTest, NamesWhatDiffers) {
  std::vector<RegisterCounter> c;
  ASSERT_TRUE(ReadRegisterCounters(kCounters, c));
  std::vector<std::string> d =
      CompareCountersWithImports(c, {Imported("PLU;12;;2000;690\r\nPLU;13;;1000;300\r\n")});
  EXPECT_TRUE(Has(d, "PLU 12 sold 2.000 for 7.00 on the register, imported 2.000 for 6.90"))
      << Dump(d);
  EXPECT_TRUE(Has(d, "PLU 40 sold 3.000 for 1.50 on the register, not imported")) << Dump(d);
  EXPECT_TRUE(Has(d, "PLU 40 returned 2.500 for 1.25 on the register, not imported")) << Dump(d);
  EXPECT_TRUE(Has(d, "PLU 13 sold 1.000 for 3.00 imported, not rung up")) << Dump(d);
  EXPECT_TRUE(Has(d, "total: rung up 7.25 z\xB3, imported 9.90 z\xB3")) << Dump(d);
}

}  // namespace
}  // namespace tvkhost

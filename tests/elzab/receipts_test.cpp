// The receipt buffer import in file mode: OPSpRoz4.exe's and OPSpRoz5.exe's outputs read into
// receipts, voids, cancelled receipts and invoices appended to the import file, the hourly
// report, the payment-form totals, deposits and withdrawals, and, with sales from receipts,
// goods lines in the buffer of each line's date.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "hostlib/Exceptions.h"
#include "testutil/DecimalComma.h"
#include "testutil/DriverFixture.h"

namespace {

using testutil::Exists;
using testutil::ReadFile;
using testutil::WriteFile;

constexpr char kHeader[] = "#1\r\n#\r\n#\r\n";

std::string File(const std::vector<std::string>& lines) {
  std::string text = kHeader;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

// A method-5 marker record: type, transaction, receipt, date, time, cashier, empty fields up
// to the printout number in field 17.
std::string Marker(const std::string& head, const std::string& printout) {
  return head + "\t\t\t\t\t\t\t\t\t\t\t\t" + printout;
}

// One day: receipt 5 with a loyalty card, goods 12 and a returned package 40, paid in cash
// and by card with change given, a line voided; a deposit and a withdrawal; receipt 7 rung up
// and cancelled (a line voided within it); receipt 8 paid by voucher.
const std::vector<std::string> kDay4 = {
    "$3\t10\t5\t1\t000123",
    "$1\t10\t5\t1\t0\t12\t2.000\t700\t26.12.08\t10:15\t1\t3\t50\t750",
    "$1\t10\t5\t2\t1\t40\t1.000\t50\t26.12.08\t10:15\t1\t3\t0\t50",
    "$4\t10\t5\t1\t0\t0\t0\t1000",
    "$4\t10\t5\t2\t0\t0\t0\t200",
    "$4\t10\t5\t1\t0\t1\t0\t550",
    "$10\t10\t5\t3\t0\t13\t1.000\t300\t26.12.08\t10:15\t1\t3\t0\t300",
    "$5\t3\t11\t6\t1\t1\t5000\t26.12.08\t11:00",
    "$5\t3\t12\t7\t1\t0\t2000\t26.12.08\t11:05",
    "$11\t13\t7\t1\t0\t12\t1.000\t350\t26.12.08\t12:00\t1\t3\t0\t350",
    "$12\t13\t7\t2\t0\t13\t1.000\t300\t26.12.08\t12:00\t1\t3\t0\t300",
    "$1\t14\t8\t1\t0\t12\t1.000\t350\t26.12.08\t13:40\t1\t3\t0\t350",
    "$4\t14\t8\t3\t0\t0\t0\t350",
};

const std::string kReceipt5 =
    "\n[PARAGON nr 5]\n"
    "TRN;10;5;2;3;3;1;123;0;20261208101500000\n"
    "ZAW;12;;2000;700;50;5;20261208101500000\n"
    "ZAW;40;;-1000;-50;0;5;20261208101500000\n"
    "PMT;0;1000;100;;;0;0;0;20261208101500000\n"
    "PMT;3;200;100;;;0;0;0;20261208101500000\n"
    "PMT;0;-550;100;;;1;0;0;20261208101500000\n"
    "\r\n";
const std::string kVoid5 =
    "\n[INNA_OPER]\n"
    "OP_STORNO;10;5;1;1;3;1;;0;20261208101500000\n"
    "ZAW;13;;1000;300;0;5;20261208101500000\n"
    "PMT;-1;300;100;;;;1;0;\n"
    "\r\n";
const std::string kReceipt8 =
    "\n[PARAGON nr 8]\n"
    "TRN;14;8;1;1;3;1;;0;20261208134000000\n"
    "ZAW;12;;1000;350;0;8;20261208134000000\n"
    "PMT;1;350;100;;;1;0;0;20261208134000000\n"
    "\r\n";

// The same day as method 5 writes it (code page 852, złoty with a decimal comma), with an
// invoice instead of receipt 8 and the customer's tax number on receipt 5.
const std::vector<std::string> kDay5 = {
    Marker("$24\t10\t5\t261208\t101500\t3", "9"),
    "$3\t10\t5\t1\t000123\t9",
    "$1\t10\t5\t1\t0\t12\t2,000\t7,00\t261208\t101500\t1\t3\t0,50\t7,50\tMleko\t3,75\t23,00\t9",
    "$1\t10\t5\t2\t1\t40\t1,000\t0,50\t261208\t101500\t1\t3\t0,00\t0,50\tButelka\t0,50\t23,00\t9",
    "$29\t10\t5\t5260250274\t9",
    "$4\t10\t5\t1\t0\t0\tGOT\xE0WKA\t10,00\t9",
    "$4\t10\t5\t2\t0\t0\tKARTA\t2.00\t9",
    "$4\t10\t5\t1\t0\t1\tGOT\xE0WKA\t5,50\t9",
    Marker("$25\t10\t5\t261208\t101500\t3", "9"),
    "$10\t10\t5\t3\t0\t13\t1,000\t3,00\t261208\t101500\t1\t3\t0,00\t3,00\tChleb\t3,00\t23,00\t9",
    "$5\t3\t11\t10\t1\t1\t50,00\t261208\t1100",
    "$5\t3\t12\t11\t1\t0\t20,00\t261208\t1105",
    Marker("$26\t13\t7\t261208\t120000\t3", "12"),
    "$11\t13\t7\t1\t0\t12\t1,000\t3,50\t261208\t120000\t1\t3\t0,00\t3,50\tMleko\t3,50\t23,00\t12",
    "$12\t13\t7\t2\t0\t13\t1,000\t3,00\t261208\t120000\t1\t3\t0,00\t3,00\tChleb\t3,00\t23,00\t12",
    "$28\t14\t8\tFV\t1/2026\t5260250274\t13",
    "$30\t14\t8\tFirma \xBD"
    "ak\t00-950 Warszawa\tul. Prosta 1\t13",
    "$22\t14\t8\t1\t\t13",
    "$18\t14\t8\t1\t0\t12\t1,000\t3,50\t261208\t134000\t1\t3\t0,00\t3,50\tMleko\t3,50\t23,00\t13",
    "$23\t14\t8\t3\t0\t0\tBON\t3,50\t13",
};

const std::string kInvoice8 =
    "\n[FAKTURA nr 8]\n"
    "FV;14;8;1;1;3;1;;0;20261208134000000;;;1/2026;20261208134000000\n"
    "ZAW;12;;1000;350;0;8;20261208134000000\n"
    "KTH;5260250274;Firma Żak;ul. Prosta 1;;;Warszawa;00-950;;;1;\n"
    "PMT;1;350;100;;;1;0;0;20261208134000000\n"
    "\r\n";

class Receipts : public testutil::DriverFixture {
 protected:
  void SetUp() override {
    host.params = {{"ElzabSTXPort", "PLIK"},
                   {"ElzabSTXExePath", "/elzab"},
                   {"DataImportu", "2026-12-08"},
                   {"ElzabSTXReceipts", "1"}};
    Register();
    host.onStore = [this](int code) {
      if (code == 17) stored.push_back(ReadFile(dir.File("kasa.imp")));
    };
    WriteFile(dir.File("packages.dat"), "40\r\n");
  }

  void Run() {
    auto action = Action();
    HTVKDLLSRODOWISKO environment;
    action->Operacja(&environment, -3, 0);
  }

  // The receipts appended to the import file: everything after the buffer's own sections.
  static std::string Appended(const std::string& file) {
    const size_t flags = file.find("DOKLEJ_PLU;N\r\n");
    if (flags == std::string::npos) return "";
    const size_t first = file.find("\n[PARAGON", flags);
    const size_t firstOther = file.find("\n[FAKTURA", flags);
    return file.substr(std::min(first, firstOther) == std::string::npos
                           ? file.size()
                           : std::min(first, firstOther));
  }

  bool Has(const std::string& text) const {
    const std::vector<std::string> texts = host.Texts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

  std::vector<std::string> stored;
};

// ----- Method 4 ---------------------------------------------------------------------------------

TEST_F(Receipts, Method4DayBecomesReceiptsVoidsAndCancelledReceipts) {
  WriteFile(dir.File("opsproz4.out"), File(kDay4));
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  const std::string kCancelled7 =
      "\n[INNA_OPER]\n"
      "OP_ANUL;;;2;1;3;1;;0;20261208120000000\n"
      "ZAW;12;;1000;350;0;7;20261208120000000\n"
      "ZAW;13;;1000;300;0;7;20261208120000000\n"
      "PMT;-1;650;100;;;;1;0;\n"
      "\r\n";
  EXPECT_EQ(Appended(stored[0]), kReceipt5 + kVoid5 + kCancelled7 + kReceipt8);
  // The file ends with them, so the saved buffer came first.
  EXPECT_EQ(stored[0].substr(stored[0].size() - kReceipt8.size()), kReceipt8);
  EXPECT_TRUE(Has("- analiza pozycji sprzedaży\x01OK")) << host.Dump();
  EXPECT_TRUE(
      Has("- ilość transakcji kartą stałego klienta\x01"
          "1"))
      << host.Dump();
  EXPECT_FALSE(Exists(dir.File("opsproz4.out")));
  EXPECT_NE(ReadFile(dir.File("opsproz4.arc")).find("$3\t10\t5\t1\t000123"), std::string::npos);
}

// Documents are written in the order they began, even when an early one (here a void of
// receipt 5) still takes lines after later receipts are finished.
TEST_F(Receipts, AVoidThatTakesLinesAfterLaterReceiptsKeepsItsPlaceAndAllItsLines) {
  WriteFile(dir.File("opsproz4.out"),
            File({
                "$1\t10\t5\t1\t0\t12\t2.000\t700\t26.12.08\t10:15\t1\t3\t50\t750",
                "$10\t10\t5\t2\t0\t13\t1.000\t300\t26.12.08\t10:15\t1\t3\t0\t300",
                "$1\t14\t8\t1\t0\t12\t1.000\t350\t26.12.08\t13:40\t1\t3\t0\t350",
                "$4\t14\t8\t3\t0\t0\t0\t350",
                "$10\t10\t5\t3\t0\t14\t1.000\t200\t26.12.08\t10:16\t1\t3\t0\t200",
                "$1\t15\t9\t1\t0\t12\t1.000\t350\t26.12.08\t14:00\t1\t3\t0\t350",
            }));
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  const std::string appended = Appended(stored[0]);
  const size_t receipt5 = appended.find("[PARAGON nr 5]");
  const size_t voided = appended.find("OP_STORNO;10;5;");
  const size_t receipt8 = appended.find("[PARAGON nr 8]");
  const size_t receipt9 = appended.find("[PARAGON nr 9]");
  ASSERT_NE(receipt9, std::string::npos) << appended;
  EXPECT_LT(receipt5, voided);
  EXPECT_LT(voided, receipt8);
  EXPECT_LT(receipt8, receipt9);
  // Both voided lines are in the one void, before receipt 8, and its value is their sum.
  const std::string voidText = appended.substr(voided, receipt8 - voided);
  EXPECT_NE(voidText.find("ZAW;13;;1000;300;0;5;"), std::string::npos) << voidText;
  EXPECT_NE(voidText.find("ZAW;14;;1000;200;0;5;"), std::string::npos) << voidText;
  EXPECT_NE(voidText.find("PMT;-1;500;100;"), std::string::npos) << voidText;
}

// The register writes the void of a receipt's first line before the receipt's first sold
// line; the host gets the void after the receipt it belongs to.
TEST_F(Receipts, AVoidOfAReceiptsFirstLineFollowsItsReceipt) {
  WriteFile(dir.File("opsproz4.out"),
            File({
                "$1\t1\t55\t1\t0\t12\t1.000\t350\t26.12.08\t10:00\t1\t3\t0\t350",
                "$4\t1\t55\t1\t0\t0\t0\t350",
                "$10\t2\t56\t1\t0\t13\t1.000\t300\t26.12.08\t10:05\t1\t3\t0\t300",
                "$1\t2\t56\t2\t0\t12\t1.000\t350\t26.12.08\t10:05\t1\t3\t0\t350",
                "$4\t2\t56\t1\t0\t0\t0\t350",
                "$10\t3\t57\t2\t0\t13\t1.000\t300\t26.12.08\t10:09\t1\t3\t0\t300",
                "$1\t3\t57\t1\t0\t12\t1.000\t350\t26.12.08\t10:09\t1\t3\t0\t350",
            }));
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  std::string order;
  const std::string appended = Appended(stored[0]);
  for (size_t at = appended.find("\n[", 0); at != std::string::npos;
       at = appended.find("\n[", at + 1)) {
    order += appended.substr(at + 1, appended.find('\n', at + 1) - at) +
             appended.substr(appended.find('\n', at + 1) + 1, 14) + "|";
  }
  EXPECT_EQ(
      order,
      "[PARAGON nr 55]\nTRN;1;55;1;1;3|[PARAGON nr 56]\nTRN;2;56;1;1;3|"
      "[INNA_OPER]\nOP_STORNO;2;56|[PARAGON nr 57]\nTRN;3;57;1;1;3|[INNA_OPER]\nOP_STORNO;3;57|");
}

TEST_F(Receipts, Method4GivesTheHourlyReportPaymentTotalsDepositsAndWithdrawals) {
  WriteFile(dir.File("opsproz4.out"), File(kDay4));
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  const std::string& f = stored[0];
  EXPECT_NE(f.find("[RAPORT_GODZINOWY]\r\nGODZ;10;650;1;2\r\nGODZ;13;350;1;1\r\n\r\n"),
            std::string::npos)
      << f;
  EXPECT_NE(f.find("WPLATY;5000\r\nWYPLATY;2000\r\nRABATY;0\r\nZWROT_OPAKOWAN;0\r\n"
                   "SPRZEDAZ_OPAKOWAN;0\r\nFPLATN_BON;350\r\nFPLATN_CZEK;0\r\nFPLATN_KARTA;200\r\n"
                   "FPLATN_INNE;0\r\n"),
            std::string::npos)
      << f;
  // Sales come from the counters: the receipts add no goods lines.
  EXPECT_NE(f.find("[TOWAROWE]\r\n\r\n[OPERACJE]"), std::string::npos);
  // The deposit and the withdrawal are other operations with one cash payment each.
  EXPECT_NE(f.find("\n[INNA_OPER]\nOP_WPL;;;0;1;3;-1;;0;20261208110000000;;-1\r\n"
                   "PMT;0;5000;100;-1;-1;0;1;0;;20261208110000000\n"),
            std::string::npos)
      << f;
  EXPECT_NE(f.find("\n[INNA_OPER]\nOP_WYPL;;;0;1;3;-1;;0;20261208110500000;;-1\r\n"
                   "PMT;0;2000;100;-1;-1;0;1;0;;20261208110500000\n"),
            std::string::npos);
}

TEST_F(Receipts, SalesFromReceiptsGiveGoodsLinesDiscountsAndPackaging) {
  host.params["ElzabSTXSaleSource"] = "1";
  WriteFile(dir.File("opsproz4.out"), File(kDay4));
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  const std::string& f = stored[0];
  // One goods line per sold line; voided and cancelled lines are no sales.
  EXPECT_NE(
      f.find("[TOWAROWE]\r\nPLU;12;;2000;700\r\nPLU;40;;-1000;-50\r\nPLU;12;;1000;350\r\n\r\n"),
      std::string::npos)
      << f;
  EXPECT_NE(f.find("RABATY;50\r\nZWROT_OPAKOWAN;50\r\nSPRZEDAZ_OPAKOWAN;0\r\n"), std::string::npos)
      << f;
}

// A list an older driver appended to after a cut between CR and LF holds two packages on one
// line, parted by the lone CR: both are packages.
TEST_F(Receipts, APackagingListWithALoneCrInALineKeepsBothPackages) {
  host.params["ElzabSTXSaleSource"] = "1";
  WriteFile(dir.File("packages.dat"), "12\r40\r\n");
  WriteFile(dir.File("opsproz4.out"), File(kDay4));
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  // Milk (12) sold 2 + 1 for 10,50 is packaging now, next to the returned bottle.
  EXPECT_NE(stored[0].find("ZWROT_OPAKOWAN;50\r\nSPRZEDAZ_OPAKOWAN;1050\r\n"), std::string::npos)
      << stored[0];
}

TEST_F(Receipts, LinesOfTwoDatesFillTwoBuffersAndTheReceiptsGoWithTheLast) {
  host.params["ElzabSTXSaleSource"] = "1";
  std::vector<std::string> day = kDay4;
  day[11] = "$1\t14\t8\t1\t0\t12\t1.000\t350\t26.12.09\t13:40\t1\t3\t0\t350";
  WriteFile(dir.File("opsproz4.out"), File(day));
  Run();
  ASSERT_EQ(stored.size(), 2u) << host.Dump();
  EXPECT_NE(stored[0].find("[TOWAROWE]\r\nPLU;12;;2000;700\r\nPLU;40;;-1000;-50\r\n\r\n"),
            std::string::npos)
      << stored[0];
  EXPECT_NE(stored[0].find("DATA_SPRZEDAZY;20261208000000000"), std::string::npos);
  EXPECT_NE(stored[0].find("FPLATN_KARTA;200\r\n"), std::string::npos);
  EXPECT_EQ(Appended(stored[0]), "");
  EXPECT_NE(stored[1].find("[TOWAROWE]\r\nPLU;12;;1000;350\r\n\r\n"), std::string::npos)
      << stored[1];
  EXPECT_NE(stored[1].find("DATA_SPRZEDAZY;20261209000000000"), std::string::npos);
  EXPECT_NE(stored[1].find("FPLATN_BON;350\r\n"), std::string::npos);
  EXPECT_NE(stored[1].find("GODZ;13;350;1;1\r\n"), std::string::npos);
  EXPECT_NE(Appended(stored[1]).find("[PARAGON nr 8]\nTRN;14;8;1;1;3;1;;0;20261209134000000\n"),
            std::string::npos)
      << stored[1];
  EXPECT_NE(Appended(stored[1]).find("[PARAGON nr 5]"), std::string::npos);
  EXPECT_EQ(host.Texts().back(), "Zapis importu do bazy:2026-12-09 (środa):");
}

// The host takes in the first day and refuses the second: the next import over the same
// outputs stores only the second, even on a later day with another import date, and then
// clears the record with the outputs.
TEST_F(Receipts, AnImportRepeatedAfterAPartialStoreHandsTheHostNoDayTwice) {
  host.params["ElzabSTXSaleSource"] = "1";
  std::vector<std::string> day = kDay4;
  day[11] = "$1\t14\t8\t1\t0\t12\t1.000\t350\t26.12.09\t13:40\t1\t3\t0\t350";
  WriteFile(dir.File("opsproz4.out"), File(day));
  std::vector<std::string> offered;
  int refuseFrom = 2;
  host.onStore = [&](int code) {
    if (code != 17) return;
    offered.push_back(ReadFile(dir.File("kasa.imp")));
    host.storeAnswer = static_cast<int>(offered.size()) < refuseFrom;
  };
  EXPECT_THROW(Run(), Exception);
  ASSERT_EQ(offered.size(), 2u) << host.Dump();
  // The record: the import date, the settings the outputs were read with (sales from receipts,
  // receipts saved, no invoices), the output it describes (name, size, time, checksum) and
  // the day taken in.
  const std::string record = ReadFile(dir.File("zapisane.txt"));
  const std::string size = std::to_string(ReadFile(dir.File("opsproz4.out")).size());
  EXPECT_EQ(record.rfind(
                "DataImportu=2026-12-08\r\nustawienia=1;1;0\r\nplik=opsproz4.out;" + size + ";", 0),
            0u)
      << record;
  EXPECT_EQ(record.substr(record.size() - 23), "\r\nzapisano=2026-12-08\r\n") << record;
  EXPECT_EQ(std::count(record.begin(), record.end(), '\n'), 4) << record;
  EXPECT_TRUE(Exists(dir.File("opsproz4.out")));

  offered.clear();
  refuseFrom = 99;
  host.messages.clear();
  host.params["DataImportu"] = "2026-12-10";
  Run();
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  ASSERT_EQ(offered.size(), 1u) << host.Dump();
  EXPECT_NE(offered[0].find("DATA_SPRZEDAZY;20261209000000000"), std::string::npos);
  EXPECT_NE(offered[0].find("[PARAGON nr 8]"), std::string::npos);
  EXPECT_TRUE(
      Has("Zapis importu do bazy:2026-12-08 (wtorek): pominięty, baza przyjęła te "
          "dane przy poprzednim imporcie"))
      << host.Dump();
  EXPECT_FALSE(Exists(dir.File("zapisane.txt")));
  EXPECT_FALSE(Exists(dir.File("opsproz4.out")));
}

TEST_F(Receipts, RegisterPaymentFormsAreRenumberedAndDeferredOnesMarked) {
  // Forms 2 (card) and 4 (cheque) of the register carry a date.
  WriteFile(dir.File("oplat.out"), File({"$1\tGOT\t0\t0\t0\t0\t0", "$2\tKAR\t2\t0\t0\t0\t1",
                                         "$3\tBON\t2\t0\t0\t0\t0", "$4\tCZE\t2\t0\t0\t0\t1"}));
  WriteFile(dir.File("opsproz4.out"),
            File({"$1\t10\t5\t1\t0\t12\t1.000\t1500\t26.12.08\t10:15\t1\t3\t0\t1500",
                  "$4\t10\t5\t1\t0\t0\t0\t100", "$4\t10\t5\t2\t0\t0\t0\t200",
                  "$4\t10\t5\t3\t0\t0\t0\t300", "$4\t10\t5\t4\t0\t0\t0\t400",
                  "$4\t10\t5\t5\t0\t0\t0\t500", "$4\t10\t5\t9\t0\t0\t0\t0"}));
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_NE(stored[0].find("FPLATN_BON;300\r\nFPLATN_CZEK;400\r\nFPLATN_KARTA;200\r\n"
                           "FPLATN_INNE;500\r\n"),
            std::string::npos)
      << stored[0];
  EXPECT_NE(Appended(stored[0]).find("PMT;0;100;100;;;0;0;0;20261208101500000\n"
                                     "PMT;3;200;100;;;0;1;0;20261208101500000\n"
                                     "PMT;1;300;100;;;0;0;0;20261208101500000\n"
                                     "PMT;2;400;100;;;0;1;0;20261208101500000\n"
                                     "PMT;4;500;100;;;0;0;0;20261208101500000\n"
                                     "PMT;8;0;100;;;1;0;0;20261208101500000\n"),
            std::string::npos)
      << stored[0];
}

TEST_F(Receipts, ALineNumberOneStartsANewReceiptUnlessACardLineCameBefore) {
  WriteFile(dir.File("opsproz4.out"),
            File({"$3\t10\t5\t1\t0042", "$1\t10\t5\t1\t0\t12\t1.000\t100\t26.12.08\t10:15",
                  "$1\t10\t5\t2\t0\t13\t1.000\t200\t26.12.08\t10:15",
                  "$1\t10\t5\t1\t0\t14\t1.000\t400\t26.12.08\t11:15", "$3\t11\t6\t1\t",
                  "$1\t11\t6\t1\t0\t15\t1.000\t800\t26.12.08\t12:15"}));
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  const std::string appended = Appended(stored[0]);
  EXPECT_NE(appended.find("TRN;10;5;2;1;0;1;42;0;20261208101500000\n"), std::string::npos)
      << appended;
  EXPECT_NE(appended.find("TRN;10;5;1;1;0;1;;0;20261208111500000\n"), std::string::npos);
  EXPECT_NE(appended.find("TRN;11;6;1;1;0;1;;0;20261208121500000\n"), std::string::npos);
  EXPECT_NE(stored[0].find("GODZ;10;300;1;2\r\nGODZ;11;400;1;1\r\nGODZ;12;800;1;1\r\n"),
            std::string::npos);
  // An empty card number is no loyalty card transaction.
  EXPECT_TRUE(
      Has("- ilość transakcji kartą stałego klienta\x01"
          "1"))
      << host.Dump();
}

TEST_F(Receipts, WithoutTheReceiptsParameterNothingIsAppended) {
  host.params["ElzabSTXReceipts"] = "0";
  WriteFile(dir.File("opsproz4.out"), File(kDay4));
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_EQ(stored[0].find("[PARAGON"), std::string::npos);
  EXPECT_EQ(stored[0].find("[INNA_OPER]"), std::string::npos);
  EXPECT_NE(stored[0].find("GODZ;10;650;1;2\r\n"), std::string::npos);
}

// ----- Method 5 ---------------------------------------------------------------------------------

TEST_F(Receipts, Method5WithInvoicesReadsEveryDocument) {
  host.params["ElzabSTXSaleBufferFV"] = "1";
  WriteFile(dir.File("opsproz5.out"), File(kDay5));
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  const std::string receipt5 =
      "\n[PARAGON nr 5]\n"
      "TRN;10;5;2;3;3;1;123;0;20261208101500000\n"
      "ZAW;12;;2000;700;50;5;20261208101500000\n"
      "ZAW;40;;-1000;-50;0;5;20261208101500000\n"
      "NIP;5260250274\n"
      "PMT;0;1000;100;;;0;0;0;20261208101500000\n"
      "PMT;3;200;100;;;0;0;0;20261208101500000\n"
      "PMT;0;-550;100;;;1;0;0;20261208101500000\n"
      "\r\n";
  // Method 5 keeps the line voided within the cancelled receipt as a void of its own.
  const std::string cancelled7 =
      "\n[INNA_OPER]\n"
      "OP_ANUL;;;1;1;3;1;;0;20261208120000000\n"
      "ZAW;12;;1000;350;0;7;20261208120000000\n"
      "PMT;-1;350;100;;;;1;0;\n"
      "\r\n"
      "\n[INNA_OPER]\n"
      "OP_STORNO;13;7;1;1;3;1;;0;20261208120000000\n"
      "ZAW;13;;1000;300;0;7;20261208120000000\n"
      "PMT;-1;300;100;;;;1;0;\n"
      "\r\n";
  EXPECT_EQ(Appended(stored[0]), receipt5 + kVoid5 + cancelled7 + kInvoice8);
  const std::string& f = stored[0];
  EXPECT_NE(f.find("[RAPORT_GODZINOWY]\r\nGODZ;10;650;1;2\r\n\r\n"), std::string::npos) << f;
  // The invoice's payment is no payment-form total.
  EXPECT_NE(f.find("WPLATY;5000\r\nWYPLATY;2000\r\nRABATY;0\r\nZWROT_OPAKOWAN;0\r\n"
                   "SPRZEDAZ_OPAKOWAN;0\r\nFPLATN_BON;0\r\nFPLATN_CZEK;0\r\nFPLATN_KARTA;200\r\n"),
            std::string::npos)
      << f;
  // A deposit's register number stays unknown.
  EXPECT_NE(f.find("OP_WPL;;;0;1;3;-1;;0;20261208110000000;;-1\r\n"), std::string::npos);
  // Method 5 writes a card line only for a card transaction: the receipt's and the
  // invoice's (with an empty number) both count.
  EXPECT_TRUE(
      Has("- ilość transakcji kartą stałego klienta\x01"
          "2"))
      << host.Dump();
}

TEST_F(Receipts, Method5WithoutInvoicesLeavesNoInvoice) {
  host.params["ElzabSTXSaleSource"] = "1";
  WriteFile(dir.File("opsproz5.out"), File(kDay5));
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_EQ(stored[0].find("[FAKTURA"), std::string::npos);
  EXPECT_EQ(stored[0].find("KTH;"), std::string::npos);
  EXPECT_EQ(stored[0].find("\n[PARAGON nr 8]"), std::string::npos);
  // Only the receipt's lines are sales.
  EXPECT_NE(stored[0].find("[TOWAROWE]\r\nPLU;12;;2000;700\r\nPLU;40;;-1000;-50\r\n\r\n"),
            std::string::npos)
      << stored[0];
  EXPECT_NE(stored[0].find("RABATY;50\r\nZWROT_OPAKOWAN;50\r\n"), std::string::npos);
}

// An invoice left out takes everything of it along: its added lines and the void of a line
// voided on it (the void carries the invoice's printout number). The receipt after it, and
// the receipt's own void, are read as ever.
TEST_F(Receipts, Method5WithoutInvoicesLeavesNoVoidOrLineOfAnInvoice) {
  std::vector<std::string> day = {
      "$28\t14\t8\tFV\t1/2026\t5260250274\t13",
      "$18\t14\t8\t1\t0\t12\t1,000\t3,50\t261208\t134000\t1\t3\t0\t3,50\tM\t3,5\t23\t13",
      "$20\t14\t8\t2\t0\t12\t1,000\t3,50\t261208\t134000\t1\t3\t0\t3,50\tM\t3,5\t23\t13",
      Marker("$25\t14\t8\t261208\t134000\t3", "13"),
      "$10\t14\t8\t3\t0\t13\t1,000\t3,00\t261208\t134000\t1\t3\t0\t3\tC\t3\t23\t13",
      "$19\t14\t8\t4\t0\t13\t1,000\t3,00\t261208\t134000\t1\t3\t0\t3\tC\t3\t23\t13",
      "$23\t14\t8\t3\t0\t0\tBON\t3,50\t13",
      "$5\t3\t11\t14\t1\t1\t50,00\t261208\t1400",
  };
  day.insert(day.end(), kDay5.begin(), kDay5.begin() + 10);
  WriteFile(dir.File("opsproz5.out"), File(day));
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  const std::string appended = Appended(stored[0]);
  EXPECT_EQ(appended.find("[FAKTURA"), std::string::npos) << appended;
  EXPECT_EQ(appended.find(";8;"), std::string::npos) << appended;
  // The receipt's void is the only one.
  EXPECT_EQ(appended.find("\n[INNA_OPER]\nOP_STORNO;10;5;1;1;3;1;;0;20261208101500000\n"),
            appended.rfind("[INNA_OPER]") - 1)
      << appended;
  EXPECT_NE(appended.find("[PARAGON nr 5]"), std::string::npos);
  // The deposit amid the invoice's records is no part of it.
  EXPECT_NE(stored[0].find("WPLATY;5000\r\n"), std::string::npos) << stored[0];
}

// A marker is all a cancelled receipt whose lines were all voided has: a damaged date or time
// on it is a damaged output, as on a sold line; an empty one leaves the day untold.
TEST_F(Receipts, AMethod5MarkerWithADamagedDateEndsTheImportAndAnEmptyOneIsUntold) {
  for (const auto& [date, time] : {std::pair{"2612A9", "120000"}, {"261209", "12:00"}}) {
    WriteFile(dir.File("opsproz5.out"),
              File({Marker(std::string("$26\t13\t7\t") + date + "\t" + time + "\t3", "12")}));
    try {
      Run();
      ADD_FAILURE() << date << " " << time;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message().rfind("Błąd odczytu pliku " + dir.File("opsproz5.out") + ": '", 0), 0u)
          << e.Message();
    }
    EXPECT_TRUE(stored.empty());
  }
  WriteFile(dir.File("opsproz5.out"), File({Marker("$26\t13\t7\t\t\t3", "12")}));
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_NE(stored[0].find("\nOP_ANUL;;;0;1;;1;;0;\n"), std::string::npos) << stored[0];
}

TEST_F(Receipts, Method5RecordsWithoutAPrintoutJoinTheCurrentDocument) {
  WriteFile(dir.File("opsproz5.out"),
            File({"$1\t10\t5\t1\t0\t12\t1,000\t1,00\t261208\t101500\t1\t3\t0\t1\tX\t1\t23\t9",
                  "$3\t10\t5\t1\t77\t-1", "$4\t10\t5\t3\t0\t0\tBON\t1,00\t-1",
                  "$1\t11\t6\t1\t0\t12\t1,000\t2,00\t261208\t111500\t1\t3\t0\t2\tX\t1\t23\t10"}));
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  const std::string appended = Appended(stored[0]);
  EXPECT_NE(appended.find("TRN;10;5;1;1;3;1;77;0;20261208101500000\n"), std::string::npos)
      << appended;
  EXPECT_NE(appended.find("PMT;1;100;100;;;1;0;0;20261208101500000\n"), std::string::npos);
  EXPECT_NE(appended.find("[PARAGON nr 6]"), std::string::npos);
}

// ----- Bad input --------------------------------------------------------------------------------

TEST_F(Receipts, AThreeFieldLineIsAnotherRegistersFormatAndEndsTheImport) {
  WriteFile(dir.File("opsproz4.out"), File({"$1\t12\t700"}));
  try {
    Run();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Niewłaściwa konfiguracja sterownika. To NIE jest kasa Delta!");
  }
  EXPECT_TRUE(stored.empty());
  EXPECT_TRUE(Exists(dir.File("opsproz4.out")));
}

TEST_F(Receipts, AMethod5DecimalThatIsNoNumberEndsTheImport) {
  WriteFile(dir.File("opsproz5.out"),
            File({"$1\t10\t5\t1\t0\t12\t1,000\tEE,00\t261208\t101500\t1\t3\t0\t1\tX\t1\t23\t9"}));
  EXPECT_THROW(Run(), EConvertError);
  EXPECT_TRUE(stored.empty());
  EXPECT_TRUE(Exists(dir.File("opsproz5.out")));
}

// Found by fuzzing: a deposit's amount beyond what the payment's 64-bit hundredths hold was
// converted out of range (undefined behaviour) and handed to the host.
TEST_F(Receipts, AMethod5DepositTooLargeForThePaymentEndsTheImport) {
  WriteFile(dir.File("opsproz5.out"),
            File({"$5\t1\t2\t2\t1\t1\t99999999999999999999999,00\t261208\t1015"}));
  EXPECT_THROW(Run(), EConvertError);
  EXPECT_TRUE(stored.empty());
  EXPECT_TRUE(Exists(dir.File("opsproz5.out")));
}

TEST_F(Receipts, ADateThatIsNoDateEndsTheImport) {
  WriteFile(dir.File("opsproz4.out"),
            File({"$1\t10\t5\t1\t0\t12\t1.000\t100\tCG.BC.AI\t10:15\t1\t3\t0\t100"}));
  EXPECT_THROW(Run(), EConvertError);
  WriteFile(dir.File("opsproz4.out"), File({"$5\t3\t11\t6\t1\t1\t5000\t26.12\t11:00"}));
  EXPECT_THROW(Run(), EConvertError);
  EXPECT_TRUE(Exists(dir.File("opsproz4.out")));
}

TEST_F(Receipts, UnknownRecordsAndEmptyLinesAreSkipped) {
  WriteFile(dir.File("opsproz4.out"),
            std::string(kHeader) + "$\r\n$\t\r\n$99\t1\t2\r\n$2\t1\r\n$18\t1\t2\r\n" +
                "$1\t10\t5\t1\t0\t12\t1.000\t100\t26.12.08\t10:15\t1\t3\t0\t100\r\n" +
                "$4\t10\t5\t1\t0\t0\t0\t100\r\n");
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_NE(Appended(stored[0]).find("TRN;10;5;1;1;3;1;;0;20261208101500000\n"), std::string::npos)
      << stored[0];
}

// A buffer whose last line breaks off (a payment cut in half), or whose record has a type that
// is no number (a garbled digit), is not the buffer the register wrote: taking the rest in
// would lose that payment or sale without a word. The import ends naming the file.
TEST_F(Receipts, ACutShortOrGarbledBufferEndsTheImportNamingTheFile) {
  const std::string day =
      std::string(kHeader) + "$1\t10\t5\t1\t0\t12\t1.000\t100\t26.12.08\t10:15\t1\t3\t0\t100\r\n";
  const struct {
    const char* file;
    std::string text;
    const char* detail;
  } cases[] = {
      {"opsproz4.out", day + "$4\t10\t5\t2", "plik urwany, ostatni wiersz niepełny"},
      {"opsproz4.out", day + "$E\tBA\tF\tC\tA\tA\tA\tBAA\r\n", "nieczytelny wiersz 5"},
      {"opsproz5.out", std::string(kHeader) + "$CE\tBA\r\n", "nieczytelny wiersz 4"},
  };
  for (const auto& c : cases) {
    std::remove(dir.File("opsproz4.out").c_str());
    WriteFile(dir.File(c.file), c.text);
    try {
      Run();
      ADD_FAILURE() << c.text;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Błąd odczytu pliku " + dir.File(c.file) + ": " + c.detail);
    }
    EXPECT_TRUE(stored.empty());
    EXPECT_TRUE(Exists(dir.File(c.file)));
  }
}

TEST_F(Receipts, AnEmptyBufferStillReportsItsAnalysis) {
  WriteFile(dir.File("opsproz5.out"), kHeader);
  Run();
  EXPECT_TRUE(Has("- analiza pozycji sprzedaży\x01OK")) << host.Dump();
  EXPECT_TRUE(
      Has("- ilość transakcji kartą stałego klienta\x01"
          "0"));
  EXPECT_TRUE(stored.empty());
}

// ----- The host's locale ------------------------------------------------------------------------

TEST_F(Receipts, AHostInADecimalCommaLocaleGetsTheSameImport) {
  testutil::CLocaleAfterwards restore;
  host.params["ElzabSTXSaleBufferFV"] = "1";
  host.params["ElzabSTXSaleSource"] = "1";
  WriteFile(dir.File("opsproz5.out"), File(kDay5));
  Run();
  ASSERT_NO_FATAL_FAILURE(testutil::SwitchToDecimalComma());
  WriteFile(dir.File("opsproz5.out"), File(kDay5));
  Run();
  ASSERT_EQ(stored.size(), 2u) << host.Dump();
  EXPECT_EQ(stored[1], stored[0]);
  EXPECT_NE(stored[1].find("PLU;12;;2000;700\r\n"), std::string::npos) << stored[1];
}

}  // namespace

// ----- Records as a real register writes them -------------------------------------------------

namespace {

// Method 4, sales from receipts: a deposit of the day before opens its buffer (at midnight,
// not at the deposit's hour); times with seconds on a sold, voided and cancelled line and
// the deposit; a card line without a number (no card transaction); a receipt of payments
// only, whose date, time and cashier no record tells.
const std::vector<std::string> kRecords4 = {
    "$5\t3\t11\t6\t1\t1\t5000\t26.12.07\t18:45:59",
    "$1\t10\t5\t1\t0\t12\t2.000\t700\t26.12.08\t10:15:30\t1\t3\t0\t700",
    "$10\t10\t5\t2\t0\t13\t1.000\t300\t26.12.08\t10:15:30\t1\t3\t0\t300",
    "$4\t10\t5\t1\t0\t0\t0\t700",
    "$11\t13\t7\t1\t0\t12\t1.000\t350\t26.12.08\t12:00:10\t1\t3\t0\t350",
    "$3\t20\t9\t1\t",
    "$4\t20\t9\t3\t0\t0\t0\t150",
    // the evening's last receipt, then the next morning's deposit before any other record
    "$1\t21\t10\t1\t0\t12\t1.000\t350\t26.12.08\t18:15\t1\t3\t0\t350",
    "$5\t3\t22\t11\t1\t1\t1000\t26.12.09\t07:45",
};

const char kDeposit4[] =
    "\n[INNA_OPER]\nOP_WPL;;;0;1;3;-1;;0;20261207184500000;;-1\r\n"
    "PMT;0;5000;100;-1;-1;0;1;0;;20261207184500000\n";
const char kExpected4[] =
    "\n[PARAGON nr 5]\n"
    "TRN;10;5;1;1;3;1;;0;20261208101500000\n"
    "ZAW;12;;2000;700;0;5;20261208101500000\n"
    "PMT;0;700;100;;;1;0;0;20261208101500000\n"
    "\r\n"
    "\n[INNA_OPER]\n"
    "OP_STORNO;10;5;1;1;3;1;;0;20261208101500000\n"
    "ZAW;13;;1000;300;0;5;20261208101500000\n"
    "PMT;-1;300;100;;;;1;0;\n"
    "\r\n"
    "\n[INNA_OPER]\n"
    "OP_ANUL;;;1;1;3;1;;0;20261208120000000\n"
    "ZAW;12;;1000;350;0;7;20261208120000000\n"
    "PMT;-1;350;100;;;;1;0;\n"
    "\r\n"
    "\n[PARAGON nr 9]\n"
    "TRN;20;9;0;1;;1;;0;\n"
    "PMT;1;150;100;;;1;0;0;\n"
    "\r\n"
    "\n[PARAGON nr 10]\n"
    "TRN;21;10;1;1;3;1;;0;20261208181500000\n"
    "ZAW;12;;1000;350;0;10;20261208181500000\n"
    "PMT;0;350;100;;;;1;0;\n"
    "\r\n";

// Method 5: a void inside a receipt (7,00 and 5,00 around a voided 3,00), a card line
// without a number, a deposit, a cancelled receipt whose only line was voided, and invoices
// whose buyer's postal code and city are written in the ways shops type them.
std::vector<std::string> Records5() {
  std::vector<std::string> r = {
      Marker("$24\t10\t5\t261208\t101500\t3", "9"),
      "$1\t10\t5\t1\t0\t12\t1,000\t7,00\t261208\t101500\t1\t3\t0,00\t7,00\tMleko\t7,00\t23,00\t9",
      Marker("$25\t10\t5\t261208\t101510\t3", "9"),
      "$10\t10\t5\t2\t0\t13\t1,000\t3,00\t261208\t101510\t1\t3\t0,00\t3,00\tChleb\t3,00\t23,00\t9",
      "$1\t10\t5\t3\t0\t14\t1,000\t5,00\t261208\t101520\t1\t3\t0,00\t5,00\tMas\x88o\t5,00\t23,"
      "00\t9",
      "$3\t10\t5\t1\t\t9",
      "$4\t10\t5\t1\t0\t0\tGOT\xE0WKA\t12,00\t9",
      "$5\t3\t11\t10\t1\t1\t50,00\t261208\t1100",
      Marker("$26\t13\t7\t261208\t120000\t3", "12"),
      "$12\t13\t7\t1\t0\t12\t1,000\t3,50\t261208\t120000\t1\t3\t0,00\t3,50\tMleko\t3,50\t23,00\t12",
  };
  const char* const kCities[] = {"00-950Warszawa", "00 - 950 Warszawa", "34-400  Nowy  Targ",
                                 "K\xa9"
                                 "dzierzyn - Ko\xab"
                                 "le 47-200",
                                 "Bielsko-Bia\x88"
                                 "a 43-300"};
  int printout = 20;
  for (const char* city : kCities) {
    const std::string p = std::to_string(printout++);
    r.push_back("$28\t30\t" + p + "\tFV\t" + p + "/2026\t5260250274\t" + p);
    r.push_back("$30\t30\t" + p + "\tFirma\t" + city + "\tul. Prosta 1\t" + p);
    r.push_back("$18\t30\t" + p +
                "\t1\t0\t12\t1,000\t3,50\t261208\t134000\t1\t3\t0,00\t3,50\tMleko\t3,50\t23,00\t" +
                p);
  }
  return r;
}

std::string Invoice5(int printout, const std::string& city, const std::string& code) {
  const std::string p = std::to_string(printout);
  return "\n[FAKTURA nr " + p + "]\nFV;30;" + p + ";1;1;3;1;;0;20261208134000000;;;" + p +
         "/2026;20261208134000000\nZAW;12;;1000;350;0;" + p +
         ";20261208134000000\nKTH;5260250274;Firma;ul. Prosta 1;;;" + city + ";" + code +
         ";;;1;\nPMT;0;350;100;;;;1;0;\n\r\n";
}

}  // namespace

TEST_F(Receipts, Method4RecordsAsARegisterWritesThem) {
  host.params["ElzabSTXSaleSource"] = "1";
  WriteFile(dir.File("opsproz4.out"), File(kRecords4));
  Run();
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  ASSERT_EQ(stored.size(), 3u) << host.Dump();
  EXPECT_NE(stored[0].find("DATA_SPRZEDAZY;20261208000000000"), std::string::npos);
  // The evening's receipt is in its own day's report, though the next day's deposit came
  // before it was finished.
  EXPECT_NE(stored[0].find("[RAPORT_GODZINOWY]\r\nGODZ;10;700;1;1\r\nGODZ;18;350;1;1\r\n\r\n"),
            std::string::npos)
      << stored[0];
  // A deposit's day starts at midnight.
  EXPECT_NE(stored[1].find("DATA_SPRZEDAZY;20261207000000000"), std::string::npos) << stored[1];
  EXPECT_NE(stored[1].find(kDeposit4), std::string::npos) << stored[1];
  EXPECT_NE(stored[2].find("DATA_SPRZEDAZY;20261209000000000"), std::string::npos) << stored[2];
  EXPECT_NE(stored[2].find("[RAPORT_GODZINOWY]\r\n\r\n"), std::string::npos) << stored[2];
  // The receipts go with the last buffer.
  EXPECT_EQ(Appended(stored[2]), kExpected4);
  EXPECT_TRUE(
      Has("- ilość transakcji kartą stałego klienta\x01"
          "0"))
      << host.Dump();
}

TEST_F(Receipts, Method5RecordsAsARegisterWritesThem) {
  host.params["ElzabSTXSaleBufferFV"] = "1";
  WriteFile(dir.File("opsproz5.out"), File(Records5()));
  Run();
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  // The receipt is booked once, with both of its lines.
  EXPECT_NE(stored[0].find("[RAPORT_GODZINOWY]\r\nGODZ;10;1200;1;2\r\n\r\n"), std::string::npos)
      << stored[0];
  const std::string expected =
      "\n[PARAGON nr 5]\n"
      "TRN;10;5;2;1;3;1;;0;20261208101500000\n"
      "ZAW;12;;1000;700;0;5;20261208101500000\n"
      "ZAW;14;;1000;500;0;5;20261208101520000\n"
      "PMT;0;1200;100;;;1;0;0;20261208101500000\n"
      "\r\n"
      "\n[INNA_OPER]\n"
      "OP_STORNO;10;5;1;1;3;1;;0;20261208101510000\n"
      "ZAW;13;;1000;300;0;5;20261208101510000\n"
      "PMT;-1;300;100;;;;1;0;\n"
      "\r\n"
      // the cancelled receipt: its numbers, date, time and cashier from its marker
      "\n[INNA_OPER]\n"
      "OP_ANUL;;;0;1;3;1;;0;20261208120000000\n"
      "PMT;-1;0;100;;;;1;0;\n"
      "\r\n"
      "\n[INNA_OPER]\n"
      "OP_STORNO;13;7;1;1;3;1;;0;20261208120000000\n"
      "ZAW;12;;1000;350;0;7;20261208120000000\n"
      "PMT;-1;350;100;;;;1;0;\n"
      "\r\n" +
      Invoice5(20, "Warszawa", "00-950") + Invoice5(21, "Warszawa", "00-950") +
      Invoice5(22, "Nowy  Targ", "34-400") + Invoice5(23, "Kędzierzyn - Koźle", "47-200") +
      Invoice5(24, "Bielsko-Biała", "43-300");
  EXPECT_EQ(Appended(stored[0]), expected);
  EXPECT_NE(stored[0].find("\n[INNA_OPER]\nOP_WPL;;;0;1;3;-1;;0;20261208110000000;;-1\r\n"
                           "PMT;0;5000;100;-1;-1;0;1;0;;20261208110000000\n"),
            std::string::npos)
      << stored[0];
  // A card line without a number is still a card transaction in method 5.
  EXPECT_TRUE(
      Has("- ilość transakcji kartą stałego klienta\x01"
          "1"))
      << host.Dump();
}

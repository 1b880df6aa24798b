// The receipt buffer import from end to end: the library loaded as the host loads it, a day
// rung up on a simulated register, read by the simulator's OPSpRoz4.exe or OPSpRoz5.exe, and
// the import file the host is given checked against what was rung up. File mode too.
#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/Simulator.h"

using e2e::SimulatorTest;

namespace {

constexpr char kPort[] = "COM1";

// The goods of the day: milk, bread, cheese by weight and a returnable bottle.
const char kGoods[] =
    "#1\r\n#\r\n#\r\n"
    "$12\tMleko\t1\t1\t0\t0\t0\t\t350\t0\t0\t0\t0\t0\t0\t0\r\n"
    "$13\tChleb\t1\t1\t0\t0\t0\t\t300\t0\t0\t0\t0\t0\t0\t0\r\n"
    "$14\tSer\t1\t1\t3\t0\t0\t\t2000\t0\t0\t0\t0\t0\t0\t0\r\n"
    "$40\tButelka\t1\t1\t0\t0\t0\t\t50\t1\t0\t0\t0\t0\t0\t0\r\n";

// A day: a receipt with a loyalty card, a discount, a returned bottle, a voided line, the
// customer's tax number and four payment forms with change given; a deposit and a
// withdrawal; a cancelled receipt; an invoice paid by cheque.
const char kDay[] =
    "date 2026-12-08\n"
    "time 10:15\n"
    "cashier 1 Anna Żak\n"
    "receipt\n"
    "  card 000123\n"
    "  sell 12 2 disc=0,50\n"
    "  void 13 1\n"
    "  return 40 1\n"
    "  nip 5260250274\n"
    "  pay card 2\n"
    "  pay voucher 1\n"
    "  pay other 0,50\n"
    "  pay cash 5\n"
    "end\n"
    "time 11:00\n"
    "deposit 50\n"
    "time 11:05\n"
    "withdraw 20\n"
    "time 12:00\n"
    "cancelled\n"
    "  sell 12 1\n"
    "  void 13 1\n"
    "end\n"
    "time 13:40\n"
    "invoice\n"
    "  buyer 5260250274;Firma Żak;00-950 Warszawa;ul. Prosta 1\n"
    "  sell 14 0,5\n"
    "  pay cheque 10\n"
    "end\n";

// What the day gives in the import file, whichever method read it. The receipt (value 6,50
// less the bottle's 0,50) paid by card 2,00 (host form 3), voucher 1,00 (1), other 0,50 (4)
// and cash 5,00 with 2,50 change; its voided bread line is a void of its own.
const std::string kReceipt1Lines =
    "\n[PARAGON nr 1]\n"
    "TRN;1;1;2;5;1;1;123;0;20261208101500000\n"
    "ZAW;12;;2000;650;50;1;20261208101500000\n"
    "ZAW;40;;-1000;-50;0;1;20261208101500000\n";
const std::string kReceipt1Payments =
    "PMT;3;200;100;;;0;0;0;20261208101500000\n"
    "PMT;1;100;100;;;0;0;0;20261208101500000\n"
    "PMT;4;50;100;;;0;0;0;20261208101500000\n"
    "PMT;0;500;100;;;0;0;0;20261208101500000\n"
    "PMT;0;-250;100;;;1;0;0;20261208101500000\n"
    "\r\n";
const std::string kVoid1 =
    "\n[INNA_OPER]\n"
    "OP_STORNO;1;1;1;1;1;1;;0;20261208101500000\n"
    "ZAW;13;;1000;300;0;1;20261208101500000\n"
    "PMT;-1;300;100;;;;1;0;\n"
    "\r\n";
const std::string kDeposits =
    "\n[INNA_OPER]\nOP_WPL;;;0;1;1;-1;;0;20261208110000000;;-1\r\n"
    "PMT;0;5000;100;-1;-1;0;1;0;;20261208110000000\n"
    "\n[INNA_OPER]\nOP_WYPL;;;0;1;1;-1;;0;20261208110500000;;-1\r\n"
    "PMT;0;2000;100;-1;-1;0;1;0;;20261208110500000\n";
const std::string kInvoice3 =
    "\n[FAKTURA nr 3]\n"
    "FV;5;3;1;1;1;1;;0;20261208134000000;;;1/2026;20261208134000000\n"
    "ZAW;14;;500;1000;0;3;20261208134000000\n"
    "KTH;5260250274;Firma Żak;ul. Prosta 1;;;Warszawa;00-950;;;1;\n"
    "PMT;2;1000;100;;;1;0;0;20261208134000000\n"
    "\r\n";

}  // namespace

class ReceiptImport : public SimulatorTest {
 protected:
  void SetUp() override {
    SimulatorTest::SetUp();
    host.onStore = [this](int code) {
      if (code == 17) stored.push_back(testutil::ReadFile(dir.File("kasa.imp")));
    };
  }

  // A register on COM1 with the day's goods, and the driver's parameters for an import of
  // the receipt buffer by `method` (4 or 5).
  void Register(int method) {
    Ecrsim({"create", "--port", kPort, "--model", "Mini online"});
    ASSERT_NO_FATAL_FAILURE(LoadGoods(kGoods));
    // The list of returnable packages that the goods export leaves for the import.
    testutil::WriteFile(dir.File("packages.dat"), "40\r\n");
    UseRegister(kPort);
    host.params["ElzabSTXSaleBufferType"] = method == 4 ? "0" : "1";
    host.params["ElzabSTXReceipts"] = "1";
    host.params["DataImportu"] = "2026-12-08";
    RegisterLibrary();
  }

  void Sell(const std::string& scenario) {
    testutil::WriteFile(state.File("day.txt"), scenario);
    Ecrsim({"sell", "--port", kPort, state.File("day.txt")});
  }

  // Everything after the buffer's own sections: the receipts the import appended.
  static std::string Appended(const std::string& file) {
    const size_t flags = file.find("DOKLEJ_PLU;");
    if (flags == std::string::npos) return "";
    const size_t receipt = std::min(file.find("\n[PARAGON", flags), file.find("\n[FAKTURA", flags));
    return receipt == std::string::npos ? "" : file.substr(receipt);
  }

  static bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }

  std::vector<std::string> stored;
};

// Method 4 lists the invoice as a receipt and the cancelled receipt with its voided line.
const std::string kMethod4Rest =
    "\n[INNA_OPER]\n"
    "OP_ANUL;;;2;1;1;1;;0;20261208120000000\n"
    "ZAW;12;;1000;350;0;2;20261208120000000\n"
    "ZAW;13;;1000;300;0;2;20261208120000000\n"
    "PMT;-1;650;100;;;;1;0;\n"
    "\r\n"
    "\n[PARAGON nr 3]\n"
    "TRN;5;3;1;1;1;1;;0;20261208134000000\n"
    "ZAW;14;;500;1000;0;3;20261208134000000\n"
    "PMT;2;1000;100;;;1;0;0;20261208134000000\n"
    "\r\n";

// Method 5 keeps the line voided within the cancelled receipt as a void.
const std::string kMethod5Cancelled =
    "\n[INNA_OPER]\n"
    "OP_ANUL;;;1;1;1;1;;0;20261208120000000\n"
    "ZAW;12;;1000;350;0;2;20261208120000000\n"
    "PMT;-1;350;100;;;;1;0;\n"
    "\r\n"
    "\n[INNA_OPER]\n"
    "OP_STORNO;4;2;1;1;1;1;;0;20261208120000000\n"
    "ZAW;13;;1000;300;0;2;20261208120000000\n"
    "PMT;-1;300;100;;;;1;0;\n"
    "\r\n";

TEST_F(ReceiptImport, Method4BringsBackTheDayAsRungUp) {
  ASSERT_NO_FATAL_FAILURE(Register(4));
  Sell(kDay);
  EXPECT_EQ(Operation(-3), 0) << host.Dump();
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  const std::string& f = stored[0];
  EXPECT_EQ(Appended(f), kReceipt1Lines + kReceipt1Payments + kVoid1 + kMethod4Rest);
  EXPECT_TRUE(Contains(f, "[RAPORT_GODZINOWY]\r\nGODZ;10;600;1;2\r\nGODZ;13;1000;1;1\r\n\r\n"))
      << f;
  EXPECT_TRUE(Contains(f, "WPLATY;5000\r\nWYPLATY;2000\r\n")) << f;
  EXPECT_TRUE(Contains(f,
                       "FPLATN_BON;100\r\nFPLATN_CZEK;1000\r\nFPLATN_KARTA;200\r\n"
                       "FPLATN_INNE;50\r\n"))
      << f;
  EXPECT_TRUE(Contains(f, kDeposits)) << f;
  // Sales come from the counters.
  EXPECT_TRUE(Contains(f,
                       "[TOWAROWE]\r\nPLU;40;;-1000;-50\r\nPLU;14;;500;1000\r\n"
                       "PLU;12;;2000;650\r\n\r\n"))
      << f;
  EXPECT_FALSE(testutil::Exists(dir.File("opsproz4.out")));
}

TEST_F(ReceiptImport, Method5WithInvoicesAgreesAndAddsTheInvoice) {
  ASSERT_NO_FATAL_FAILURE(Register(5));
  host.params["ElzabSTXSaleBufferFV"] = "1";
  Sell(kDay);
  EXPECT_EQ(Operation(-3), 0) << host.Dump();
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  const std::string& f = stored[0];
  EXPECT_EQ(Appended(f), kReceipt1Lines + "NIP;5260250274\n" + kReceipt1Payments + kVoid1 +
                             kMethod5Cancelled + kInvoice3);
  // The invoice is neither in the hourly report nor in the payment-form totals.
  EXPECT_TRUE(Contains(f, "[RAPORT_GODZINOWY]\r\nGODZ;10;600;1;2\r\n\r\n")) << f;
  EXPECT_TRUE(Contains(f,
                       "FPLATN_BON;100\r\nFPLATN_CZEK;0\r\nFPLATN_KARTA;200\r\n"
                       "FPLATN_INNE;50\r\n"))
      << f;
  EXPECT_TRUE(Contains(f, kDeposits)) << f;
  EXPECT_FALSE(testutil::Exists(dir.File("opsproz5.out")));
}

TEST_F(ReceiptImport, Method5WithoutInvoicesLeavesTheInvoiceOut) {
  ASSERT_NO_FATAL_FAILURE(Register(5));
  Sell(kDay);
  EXPECT_EQ(Operation(-3), 0) << host.Dump();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_EQ(Appended(stored[0]),
            kReceipt1Lines + "NIP;5260250274\n" + kReceipt1Payments + kVoid1 + kMethod5Cancelled);
}

TEST_F(ReceiptImport, SalesFromReceiptsOfTwoDatesGiveTwoBuffers) {
  ASSERT_NO_FATAL_FAILURE(Register(4));
  host.params["ElzabSTXSaleSource"] = "1";
  Sell(std::string(kDay) +
       "date 2026-12-09\n"
       "time 09:30\n"
       "receipt\n"
       "  sell 13 2\n"
       "end\n");
  EXPECT_EQ(Operation(-3), 0) << host.Dump();
  ASSERT_EQ(stored.size(), 2u) << host.Dump();
  // Goods lines of each date, from the kept lines of receipts only.
  EXPECT_TRUE(Contains(stored[0],
                       "[TOWAROWE]\r\nPLU;12;;2000;650\r\nPLU;40;;-1000;-50\r\n"
                       "PLU;14;;500;1000\r\n\r\n"))
      << stored[0];
  EXPECT_TRUE(Contains(stored[0], "RABATY;50\r\nZWROT_OPAKOWAN;50\r\n"));
  EXPECT_TRUE(Contains(stored[0], "DATA_SPRZEDAZY;20261208000000000"));
  EXPECT_EQ(Appended(stored[0]), "");
  EXPECT_TRUE(Contains(stored[1], "[TOWAROWE]\r\nPLU;13;;2000;600\r\n\r\n")) << stored[1];
  EXPECT_TRUE(Contains(stored[1], "DATA_SPRZEDAZY;20261209000000000"));
  EXPECT_TRUE(Contains(stored[1], "GODZ;9;600;1;1\r\n")) << stored[1];
  // Every receipt goes with the last buffer.
  EXPECT_EQ(Appended(stored[1]), kReceipt1Lines + kReceipt1Payments + kVoid1 + kMethod4Rest +
                                     "\n[PARAGON nr 4]\n"
                                     "TRN;6;4;1;1;1;1;;0;20261209093000000\n"
                                     "ZAW;13;;2000;600;0;4;20261209093000000\n"
                                     "PMT;0;600;100;;;1;0;0;20261209093000000\n"
                                     "\r\n");
}

TEST_F(ReceiptImport, FileModeReadsTheOutputsLeftInTheExchangeDirectory) {
  ASSERT_NO_FATAL_FAILURE(Register(5));
  host.params["ElzabSTXSaleBufferFV"] = "1";
  Sell(kDay);
  // The register's receipt buffer read by hand, as a technician would, and put in the
  // exchange directory.
  testutil::TempDir work("read");
  testutil::WriteFile(work.File("KONFIG.TXT"), "$1\tCOM1:115200:STX0:1\t3\r\n");
  testutil::WriteFile(work.File("opsproz5.in"), "#1\r\n#\r\n#\r\n");
  platform::RunResult r = platform::Env::Default()->RunProgram(
      testutil::Join(e2e::SimulatorDir(), "OPSpRoz5.exe"),
      {work.File("opsproz5.in"), work.File("opsproz5.out")}, work.Path());
  ASSERT_TRUE(r.started && r.exitCode == 0u) << testutil::ReadFile(work.File("RAPORT.TXT"));
  testutil::WriteFile(dir.File("opsproz5.out"), testutil::ReadFile(work.File("opsproz5.out")));
  host.params["ElzabSTXPort"] = "PLIK";
  EXPECT_EQ(Operation(-3), 0) << host.Dump();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_EQ(Appended(stored[0]), kReceipt1Lines + "NIP;5260250274\n" + kReceipt1Payments + kVoid1 +
                                     kMethod5Cancelled + kInvoice3);
  EXPECT_TRUE(Contains(stored[0], kDeposits));
}

TEST_F(ReceiptImport, AnotherRegistersFormatEndsTheImportAndKeepsTheOutput) {
  ASSERT_NO_FATAL_FAILURE(Register(4));
  host.params["ElzabSTXPort"] = "PLIK";
  testutil::WriteFile(dir.File("opsproz4.out"), "#1\r\n#\r\n#\r\n$1\t12\t700\r\n");
  EXPECT_EQ(Operation(-3), 0);
  EXPECT_EQ(host.ErrorTexts().back(),
            "Niewłaściwa konfiguracja sterownika. To NIE jest kasa Delta!")
      << host.Dump();
  EXPECT_TRUE(stored.empty());
  EXPECT_TRUE(testutil::Exists(dir.File("opsproz4.out")));
}

// A receipt whose first line was voided and an invoice with a voided line, as the register
// writes them.
const char kVoidsDay[] =
    "date 2026-12-08\ntime 10:15\ncashier 1 Anna\n"
    "receipt\n  void 13 1\n  sell 12 1\n  pay cash 3,50\nend\n"
    "time 13:40\n"
    "invoice\n  buyer 5260250274;Firma;00-950 Warszawa;ul. Prosta 1\n"
    "  sell 14 0,5\n  void 13 1\n  pay cheque 10\nend\n";

// Method 4 writes the void of a receipt's first line before the receipt; it follows it.
TEST_F(ReceiptImport, Method4PutsTheVoidOfAFirstLineAfterItsReceipt) {
  ASSERT_NO_FATAL_FAILURE(Register(4));
  Sell(kVoidsDay);
  EXPECT_EQ(Operation(-3), 0) << host.Dump();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  const std::string appended = Appended(stored[0]);
  const size_t receipt = appended.find("[PARAGON nr 1]\nTRN;1;1;1;1;");
  const size_t voided = appended.find("[INNA_OPER]\nOP_STORNO;1;1;1;1;");
  const size_t invoice = appended.find("[PARAGON nr 2]\nTRN;");
  ASSERT_NE(receipt, std::string::npos) << appended;
  EXPECT_LT(receipt, voided) << appended;
  EXPECT_LT(voided, invoice) << appended;
}

// With invoices off nothing of the invoice arrives, the void of its line included.
TEST_F(ReceiptImport, Method5WithoutInvoicesLeavesOutTheVoidOfAnInvoiceLine) {
  ASSERT_NO_FATAL_FAILURE(Register(5));
  Sell(kVoidsDay);
  EXPECT_EQ(Operation(-3), 0) << host.Dump();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  const std::string appended = Appended(stored[0]);
  const size_t voided = appended.find("[INNA_OPER]\nOP_STORNO;1;1;1;1;");
  EXPECT_LT(appended.find("[PARAGON nr 1]\nTRN;1;1;1;1;"), voided) << appended;
  EXPECT_EQ(voided, appended.rfind("[INNA_OPER]")) << appended;
  EXPECT_FALSE(Contains(appended, ";2;")) << appended;
}

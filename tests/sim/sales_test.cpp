// Sales rung up with ecrsim, read back through the counters, receipt-buffer and cashier
// programs, byte for byte.
#include "SimFixture.h"

namespace simtest {
namespace {

const char8_t kScenario[] =
    u8"# one morning\n"
    u8"date 2026-12-08\n"
    u8"time 09:00\n"
    u8"cashier 1 Anna Żak\n"
    u8"receipt\n"
    u8"  card 000123\n"
    u8"  sell 1 2\n"
    u8"  sell 2 1          # brings its package, PLU 3, along\n"
    u8"  void 1 1\n"
    u8"  pay cash 20,00\n"
    u8"end\n"
    u8"time 09:30\n"
    u8"receipt\n"
    u8"  sell 4 0,5 disc=10%\n"
    u8"  return 3 2\n"
    u8"  nip 5260250274\n"
    u8"  pay card 13,40\n"
    u8"end\n"
    u8"time 10:00\n"
    u8"deposit 100,00\n"
    u8"withdraw 50\n"
    u8"time 11:00\n"
    u8"invoice\n"
    u8"  buyer 5260250274;Firma Łódź Sp. z o.o.;00-950 Warszawa;ul. Prosta 1\n"
    u8"  sell 1 4\n"
    u8"  pay voucher 10.00\n"
    u8"end\n"
    u8"cancelled\n"
    u8"  sell 1 1\n"
    u8"end\n";

// A method-5 record that only marks its document (printout number in field 17).
std::string Marker(const std::string& head, const std::string& printout) {
  return "$" + head + std::string(12, '\t') + printout + "\r\n";
}

class SalesTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    Create();
    ASSERT_EQ(0, RunWith("ZBPTowar.exe", "zbptowar",
                         GoodsRecord(1, "Woda", 1, 250, "5901234123457") +
                             GoodsRecord(2, "Piwo", 1, 450, "", 0, 3) +
                             GoodsRecord(3, "Butelka", 4, 50, "", 1) +
                             GoodsRecord(4, "Ser \xbe\xa2\x88ty", 2, 3200, "", 0, 0, 3) + "\r\n"));
    ASSERT_EQ(0, Sell(U8(kScenario)));
  }
};

TEST_F(SalesTest, CounterFilesListSalesSortedSalesAndReturns) {
  std::string list = "$" + ex_.File("ospopmax_sprz.out") + "\t" + ex_.File("ospopmax_sort.out") +
                     "\t" + ex_.File("ospopmax_opak.out") + "\r\n";
  ASSERT_EQ(0, RunWith("OSpOpMax.exe", "ospopmax", list, false));
  // Voided lines and the cancelled receipt do not count; the invoice does.
  EXPECT_EQ(kHeader +
                "$1\t6.000\t1500\r\n$2\t1.000\t450\r\n$3\t1.000\t50\r\n$4\t0.500\t1440\r\n"
                "#\t4\t3440\r\n",
            Read("ospopmax_sprz.out"));
  EXPECT_EQ(kHeader +
                "$1\t6.000\t1500\r\n$4\t0.500\t1440\r\n$2\t1.000\t450\r\n$3\t1.000\t50\r\n"
                "#\t4\t3440\r\n",
            Read("ospopmax_sort.out"));
  EXPECT_EQ(kHeader + "$3\t2.000\t100\r\n#\t1\t100\r\n", Read("ospopmax_opak.out"));
}

TEST_F(SalesTest, Method4BufferListsEveryDocument) {
  ASSERT_EQ(0, RunWith("OPSpRoz4.exe", "opsproz4", ""));
  EXPECT_EQ(kHeader +
                // receipt 1: card, its lines with the voided one where it was voided,
                // payments (cash and change)
                "$3\t1\t1\t1\t000123\r\n"
                "$1\t1\t1\t1\t0\t1\t2.000\t500\t26.12.08\t09:00\t1\t1\t0\t500\r\n"
                "$1\t1\t1\t2\t0\t2\t1.000\t450\t26.12.08\t09:00\t1\t1\t0\t450\r\n"
                "$1\t1\t1\t3\t0\t3\t1.000\t50\t26.12.08\t09:00\t4\t1\t0\t50\r\n"
                "$10\t1\t1\t4\t0\t1\t1.000\t250\t26.12.08\t09:00\t1\t1\t0\t250\r\n"
                "$4\t1\t1\t1\t0\t0\t0\t2000\r\n"
                "$4\t1\t1\t1\t0\t1\t0\t1000\r\n"
                // receipt 2: a discounted line and a returned package, paid by card
                "$1\t2\t2\t1\t0\t4\t0.500\t1440\t26.12.08\t09:30\t2\t1\t160\t1600\r\n"
                "$1\t2\t2\t2\t1\t3\t2.000\t100\t26.12.08\t09:30\t4\t1\t0\t100\r\n"
                "$4\t2\t2\t2\t0\t0\t0\t1340\r\n"
                // deposit and withdrawal: cashier, transaction, printout, form, kind, amount
                "$5\t1\t3\t3\t1\t1\t10000\t26.12.08\t10:00\r\n"
                "$5\t1\t4\t4\t1\t0\t5000\t26.12.08\t10:00\r\n"
                // the invoice, as a receipt; then the cancelled receipt
                "$1\t5\t3\t1\t0\t1\t4.000\t1000\t26.12.08\t11:00\t1\t1\t0\t1000\r\n"
                "$4\t5\t3\t3\t0\t0\t0\t1000\r\n"
                "$11\t6\t4\t1\t0\t1\t1.000\t250\t26.12.08\t11:00\t1\t1\t0\t250\r\n",
            Read("opsproz4.out"));
}

TEST_F(SalesTest, Method5BufferListsEveryDocumentInCodePage852) {
  ASSERT_EQ(0, RunWith("OPSpRoz5.exe", "opsproz5", ""));
  EXPECT_EQ(
      kHeader + Marker("24\t1\t1\t261208\t090000\t1", "1") +
          "$3\t1\t1\t1\t000123\t1\r\n"
          "$1\t1\t1\t1\t0\t1\t2,000\t5,00\t261208\t090000\t1\t1\t0,00\t5,00\tWoda\t2,50\t23,"
          "00\t1\r\n"
          "$1\t1\t1\t2\t0\t2\t1,000\t4,50\t261208\t090000\t1\t1\t0,00\t4,50\tPiwo\t4,50\t23,"
          "00\t1\r\n"
          "$1\t1\t1\t3\t0\t3\t1,000\t0,50\t261208\t090000\t4\t1\t0,00\t0,50\tButelka\t0,50\t0,00\t1"
          "\r\n" +
          Marker("25\t1\t1\t261208\t090000\t1", "1") +
          "$10\t1\t1\t4\t0\t1\t1,000\t2,50\t261208\t090000\t1\t1\t0,00\t2,50\tWoda\t2,50\t23,00\t1"
          "\r\n"
          "$4\t1\t1\t1\t0\t0\tGOT\xe0WKA\t20,00\t1\r\n"
          "$4\t1\t1\t1\t0\t1\tGOT\xe0WKA\t10,00\t1\r\n" +
          Marker("24\t2\t2\t261208\t093000\t1", "2") +
          "$1\t2\t2\t1\t0\t4\t0,500\t14,40\t261208\t093000\t2\t1\t1,60\t16,00\tSer "
          "\xbe\xa2\x88ty\t32,00\t8,00\t2\r\n"
          "$1\t2\t2\t2\t1\t3\t2,000\t1,00\t261208\t093000\t4\t1\t0,00\t1,00\tButelka\t0,50\t0,00\t2"
          "\r\n"
          "$29\t2\t2\t5260250274\t2\r\n"
          "$4\t2\t2\t2\t0\t0\tKARTA\t13,40\t2\r\n"
          "$5\t1\t3\t3\t1\t1\t100,00\t261208\t1000\r\n"
          "$5\t1\t4\t4\t1\t0\t50,00\t261208\t1000\r\n"
          "$28\t5\t3\tFV\t1/2026\t5260250274\t5\r\n"
          "$30\t5\t3\tFirma \x9d\xa2"
          "d\xab Sp. z o.o.\t00-950 Warszawa\tul. Prosta 1\t5\r\n"
          "$18\t5\t3\t1\t0\t1\t4,000\t10,00\t261208\t110000\t1\t1\t0,00\t10,00\tWoda\t2,50\t23,"
          "00\t5"
          "\r\n"
          "$23\t5\t3\t3\t0\t0\tBON\t10,00\t5\r\n" +
          Marker("26\t6\t4\t261208\t110000\t1", "6") +
          "$11\t6\t4\t1\t0\t1\t1,000\t2,50\t261208\t110000\t1\t1\t0,00\t2,50\tWoda\t2,50\t23,00\t6"
          "\r\n",
      Read("opsproz5.out"));
}

TEST_F(SalesTest, CashierFilesDescribeTheShift) {
  ASSERT_EQ(0, RunWith("OIKasWla.exe", "oikaswla", ""));
  // 0 cashier, 1 cash, 2 deposits, 3 float, 4 withdrawals, 5 card, 8 voucher, 11 cheque,
  // 12 other, 15/16 shift start, 17 name, 18 receipts, 19 voids, 20 cancelled, 26 voids' value
  EXPECT_EQ(kHeader +
                "$1\t1000\t10000\t0\t5000\t1340\t0\t0\t1000\t0\t0\t0\t0\t0\t0\t26.12.08\t09:00\t"
                "Anna \xbd"
                "ak\t3\t1\t1\t0\t0\t0\t0\t0\t250\r\n",
            Read("oikaswla.out"));
  ASSERT_EQ(0, RunWith("OKasjer.exe", "okasjer", ""));
  EXPECT_EQ(kHeader +
                "$1\tAnna \xbd"
                "ak\t1\r\n",
            Read("okasjer.out"));
  ASSERT_EQ(0, RunWith("OZegar.exe", "ozegar", ""));
  EXPECT_EQ(kHeader + "$26.12.08\t11:00\r\n", Read("ozegar.out"));
}

TEST_F(SalesTest, NobodyLoggedInGivesNoStatisticsLine) {
  ASSERT_EQ(0, Sell("logout\n"));
  ASSERT_EQ(0, RunWith("OIKasWla.exe", "oikaswla", ""));
  EXPECT_EQ(kHeader, Read("oikaswla.out"));
}

TEST_F(SalesTest, BadScenarioChangesNothing) {
  std::string before = Show("all");
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"receipt\nsell 9 1\nend\n", "no goods under PLU 9"},
      {"receipt\nsell 1 1\npay card 1,00\nend\n", "payments short"},
      {"receipt\nsell 1 1\npay card 5,00\nend\n", "only cash gives change"},
      {"receipt\nreturn 1 1\nend\n", "only packages are returned"},
      {"receipt\nsell 1 1,5\nend\n", "decimal(s) of quantity"},
      {"receipt\nsell 1 1 disc=3,00\nend\n", "discount too large"},
      {"receipt\nsell 1 1\n", "end missing"},
      {"invoice\nsell 1 1\nend\n", "invoice without buyer"},
      {"sell 1 1\n", "outside a document"},
      {"dance\n", "unknown command"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(1, Sell(c.text)) << c.text;
    EXPECT_EQ(before, Show("all")) << c.text;
  }
  EXPECT_EQ(1, Ecrsim({"sell", "--port", "COM2", ex_.File("missing.txt")}));
}

TEST_F(SalesTest, ShowListsTheBufferInUtf8) {
  std::string buffer = Show("buffer");
  EXPECT_NE(std::string::npos, buffer.find("Receipt buffer (6 entries):\n"
                                           "  receipt 1 (transaction 1, printout 1) 2026-12-08 "
                                           "09:00:00, cashier 1, value 10,00\n"
                                           "    loyalty card 000123\n"))
      << buffer;
  EXPECT_NE(std::string::npos,
            buffer.find(U8(u8"1. PLU 4 Ser żółty 0.500 x 32,00 = 16,00 - discount "
                           u8"1,60 = 14,40 VAT 2\n")))
      << buffer;
  EXPECT_NE(std::string::npos, buffer.find(U8(u8"invoice 1/2026 for Firma Łódź Sp. z o.o.")))
      << buffer;
}

TEST_F(SalesTest, ScenarioInWindows1250IsReadToo) {
  ASSERT_EQ(0, Sell("cashier 3 \xaf"
                    "aneta\n"));  // "Żaneta" in Windows-1250
  EXPECT_NE(std::string::npos, Show("cashier").find(U8(u8"  3 Żaneta\n")));
}

TEST_F(SalesTest, ScenarioWithAByteOrderMarkIsReadToo) {
  ASSERT_EQ(0, Sell("\xEF\xBB\xBF" + U8(u8"cashier 3 Żaneta\n")));
  EXPECT_NE(std::string::npos, Show("cashier").find(U8(u8"  3 Żaneta\n")));
}

TEST_F(SalesTest, ZeroClosesTheDay) {
  ASSERT_EQ(0, Ecrsim({"zero", "--port", "COM2"}));
  ASSERT_EQ(0, RunWith("OPSpRoz4.exe", "opsproz4", ""));
  EXPECT_EQ(kHeader, Read("opsproz4.out"));
  EXPECT_EQ("Sales counters:\n", Show("counters"));
}

}  // namespace
}  // namespace simtest

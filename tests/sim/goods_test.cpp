// The goods programs: what the register takes, what it refuses and with which code, and how a
// refusal or a stop shows in zbptowar.out and RAPORT.TXT.
#include <vector>

#include "SimFixture.h"

namespace simtest {
namespace {

class GoodsTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    Create("Sigma", {"--plu", "4000"});
  }
  int Send(const std::string& records) {
    return RunWith("ZBPTowar.exe", "zbptowar", records + "\r\n");
  }
};

// The fields of a valid record (after "$"), to spoil one at a time.
std::vector<std::string> ValidFields(int plu) {
  return {std::to_string(plu),
          "Woda",
          "1",
          "1",
          "0",
          "0",
          "0",
          "5901234123457",
          "250",
          "0",
          "1",
          "1",
          "0",
          "1",
          " ",
          "0"};
}

std::string Join(const std::vector<std::string>& f) {
  std::string line = "$";
  for (size_t i = 0; i < f.size(); ++i) line += (i ? "\t" : "") + f[i];
  return line + "\r\n";
}

TEST_F(GoodsTest, AcceptedGoodsAreStoredWithNamesFromCodePage852) {
  ASSERT_EQ(0, Send(GoodsRecord(1, "Ser \xbe\xa2\x88ty", 1, 3200, "", 0, 0, 3) +
                    GoodsRecord(2, "Butelka", 4, 50, "", 1)));
  EXPECT_EQ(kHeader, Read("zbptowar.out"));
  EXPECT_EQ("#0;OK", ReportLine(2));
  EXPECT_EQ("#\t2\tP0\t0", ReportLine(10));
  EXPECT_EQ(U8(u8"Goods (2):\n"
               u8"  PLU 1 \"Ser żółty\" VAT 1 group 1 precision 3 unit 0 barcode - price 32,00 "
               u8"flags 011\n"
               u8"  PLU 2 \"Butelka\" VAT 4 group 1 precision 0 unit 0 barcode - price 0,50 "
               u8"package flags 011\n"),
            Show("goods"));
}

TEST_F(GoodsTest, NameInTheWrongCodePageArrivesGarbled) {
  // "żół" in Windows-1250 (bf f3 b3) read as code page 852: box drawing, caron, box drawing.
  ASSERT_EQ(0, Send(GoodsRecord(1, "Ser \xbf\xf3\xb3ty", 1, 3200)));
  EXPECT_NE(std::string::npos, Show("goods").find(U8(u8"\"Ser ?ˇ?ty\""))) << Show("goods");
}

TEST_F(GoodsTest, EachRuleRefusesWithItsCode) {
  struct Case {
    size_t field;
    std::string value;
    int code;
  } cases[] = {
      {0, "4001", 105},
      {1, "   ", 220},
      {1, "", 220},
      {1, std::string(49, 'A'), 102},
      {1,
       "A\x01"
       "B",
       206},
      {2, "0", 103},
      {2, "6", 103},
      {2, "", 103},
      {2, "8", 103},
      {3, "100", 110},
      {3, "0", 110},
      {4, "4", 112},
      {5, "5", 111},
      {5, "16", 111},
      {6, "2", 113},
      {7, "12ab", 108},
      {7, "12345678901234", 108},
      {8, "100000000", 109},
      {8, "-5", 12},
      {9, "2", 114},
      {10, "x", 12},
      {15, "4001", 105},
  };
  for (const Case& c : cases) {
    std::vector<std::string> f = ValidFields(7);
    f[c.field] = c.value;
    int plu = c.field == 0 ? 4001 : 7;
    EXPECT_EQ(c.code, Send(Join(f))) << "field " << c.field << " = " << c.value;
    EXPECT_EQ(kHeader + "$" + std::to_string(plu) + "\t" + std::to_string(c.code) + "\r\n",
              Read("zbptowar.out"));
    EXPECT_EQ("#\t0\tP0\t" + std::to_string(c.code), ReportLine(10));
  }
  EXPECT_EQ("Goods (0):\n", Show("goods"));
}

TEST_F(GoodsTest, NameLengthFollowsTheModel) {
  std::vector<std::string> f = ValidFields(1);
  f[1] = std::string(48, 'A');
  EXPECT_EQ(0, Send(Join(f)));
  Create("K10 online");
  EXPECT_EQ(102, Send(Join(f)));
  f[1] = std::string(40, 'A');
  EXPECT_EQ(0, Send(Join(f)));
}

TEST_F(GoodsTest, RefusedGoodsAreListedAndTheOthersProgrammed) {
  std::vector<std::string> bad = ValidFields(2);
  bad[3] = "150";
  EXPECT_EQ(110, Send(GoodsRecord(1, "Woda", 1, 250) + Join(bad) + GoodsRecord(3, "Sok", 2, 399)));
  EXPECT_EQ(kHeader + "$2\t110\r\n", Read("zbptowar.out"));
  EXPECT_EQ("#110;Kasa odrzuciła towarów: 1", ReportLine(2));
  EXPECT_EQ("#\t2\tP0\t110", ReportLine(10));
  EXPECT_EQ(std::string::npos, Show("goods").find("PLU 2 "));
  EXPECT_NE(std::string::npos, Show("goods").find("PLU 3 \"Sok\""));
}

TEST_F(GoodsTest, MalformedRecordStopsTheTransmissionKeepingEarlierRecords) {
  std::string broken = "$2\tWoda\t1\t1\t0\t0\t0\t\t250\r\n";
  EXPECT_EQ(11, Send(GoodsRecord(1, "Woda", 1, 250) + broken + GoodsRecord(3, "Sok", 2, 399)));
  EXPECT_EQ("#11;Niepoprawny format pliku wejściowego", ReportLine(2));
  // Line ten: the third field less its first character is the PLU that stopped the run.
  EXPECT_EQ("#\t1\tP2\t11", ReportLine(10));
  EXPECT_EQ(kHeader, Read("zbptowar.out"));
  std::string goods = Show("goods");
  EXPECT_NE(std::string::npos, goods.find("PLU 1 ")) << goods;
  EXPECT_EQ(std::string::npos, goods.find("PLU 3 ")) << goods;
}

TEST_F(GoodsTest, RepeatedBarcodeIsRefused) {
  EXPECT_EQ(120, Send(GoodsRecord(1, "Woda", 1, 250, "5901234123457") +
                      GoodsRecord(2, "Woda 2", 1, 250, "5901234123457") +
                      GoodsRecord(3, "Bez kodu", 1, 250, "0") + GoodsRecord(4, "Bez", 1, 9, "0")));
  EXPECT_EQ(kHeader + "$2\t120\r\n", Read("zbptowar.out"));
  // The same goods keeps its own barcode when it is sent again.
  EXPECT_EQ(0, Send(GoodsRecord(1, "Woda", 1, 260, "5901234123457")));
}

TEST_F(GoodsTest, AtMostSixtyFourPackages) {
  std::string records;
  for (int plu = 1; plu <= 65; ++plu) records += GoodsRecord(plu, "Butelka", 4, 50, "", 1);
  EXPECT_EQ(104, Send(records));
  EXPECT_EQ(kHeader + "$65\t104\r\n", Read("zbptowar.out"));
  EXPECT_EQ(0, Send(GoodsRecord(64, "Butelka 0,5", 4, 50, "", 1)));
}

TEST_F(GoodsTest, GoodsWithSalesKeepsNameAndRate) {
  ASSERT_EQ(0, Send(GoodsRecord(1, "Woda", 1, 250)));
  ASSERT_EQ(0, Sell("receipt\nsell 1 2\nend\n"));
  EXPECT_EQ(209, Send(GoodsRecord(1, "Woda mineralna", 1, 250)));
  EXPECT_EQ(209, Send(GoodsRecord(1, "Woda", 2, 250)));
  EXPECT_EQ(0, Send(GoodsRecord(1, "Woda", 1, 280)));
  EXPECT_NE(std::string::npos, Show("goods").find("price 2,80"));
  EXPECT_EQ(209, RunWith("KTowar.exe", "ktowar", "$1\r\n\r\n", false));
  EXPECT_EQ(209, RunWith("KTowMax.exe", "ktowmax", "", false));
  ASSERT_EQ(0, Ecrsim({"zero", "--port", "COM2"}));
  EXPECT_EQ(0, Send(GoodsRecord(1, "Woda mineralna", 1, 250)));
}

TEST_F(GoodsTest, PriceChangesTouchOnlyThePrice) {
  ASSERT_EQ(0, Send(GoodsRecord(1, "Woda", 1, 250) + GoodsRecord(2, "Sok", 2, 399)));
  ASSERT_EQ(
      0, RunWith("ZCTowar.exe", "zctowar", GoodsRecord(2, "Inna nazwa", 1, 450) + "\r\n", false));
  EXPECT_NE(std::string::npos, Show("goods").find("PLU 2 \"Sok\" VAT 2 group 1 precision 0 unit 0 "
                                                  "barcode - price 4,50"));
  EXPECT_EQ(202,
            RunWith("ZCTowar.exe", "zctowar",
                    GoodsRecord(1, "Woda", 1, 300) + GoodsRecord(9, "X", 1, 1) + "\r\n", false));
  EXPECT_EQ("#\t1\tP9\t202", ReportLine(10));
  EXPECT_NE(std::string::npos, Show("goods").find("price 3,00"));
  EXPECT_EQ(109, RunWith("ZCTowar.exe", "zctowar", GoodsRecord(1, "Woda", 1, 100000000), false));
}

TEST_F(GoodsTest, DeletionsAndClearingAll) {
  ASSERT_EQ(0, Send(GoodsRecord(1, "Woda", 1, 250) + GoodsRecord(2, "Sok", 2, 399) +
                    GoodsRecord(3, "Chleb", 3, 450)));
  ASSERT_EQ(0, RunWith("KTowar.exe", "ktowar", "$2\r\n$77\r\n\r\n", false));
  EXPECT_EQ("#\t2\tP0\t0", ReportLine(10));
  std::string goods = Show("goods");
  EXPECT_EQ(std::string::npos, goods.find("PLU 2 ")) << goods;
  EXPECT_EQ(105, RunWith("KTowar.exe", "ktowar", "$1\r\n$4001\r\n", false));
  EXPECT_EQ("#\t1\tP4001\t105", ReportLine(10));
  EXPECT_EQ(11, RunWith("KTowar.exe", "ktowar", "$3\t1\r\n", false));
  ASSERT_EQ(0, RunWith("KTowMax.exe", "ktowmax", "", false));
  EXPECT_EQ("Goods (0):\n", Show("goods"));
}

}  // namespace
}  // namespace simtest

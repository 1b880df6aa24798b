#include "exchange/TVKParagon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "hostlib/Exceptions.h"
#include "hostlib/TMFile.h"
#include "hostlib/TdtTools.h"
#include "testutil/TempDir.h"

namespace {

// 2026-12-08 14:30:05, written "20261208143005000".
double SaleTime() {
  double t = 0;
  DateParts p;
  p.year = 2026;
  p.month = 12;
  p.day = 8;
  p.hour = 14;
  p.minute = 30;
  p.second = 5;
  EXPECT_TRUE(TdtTools::TryEncode(p, t));
  return t;
}

std::unique_ptr<TVKPosition> Position(int plu, const std::string& code, int qty, int64_t value) {
  auto pos = std::make_unique<TVKPosition>();
  pos->Fplu = plu;
  pos->Fkod = code;
  pos->Filosc = qty;
  pos->Fwartosc = value;
  pos->Frabat = 0;
  pos->FnrParagonu = 17;
  pos->Fdata_czas = SaleTime();
  return pos;
}

std::unique_ptr<TVKPayment> Payment(int code, int64_t value) {
  auto pay = std::make_unique<TVKPayment>();
  pay->Fkod = code;
  pay->Fwartosc = value;
  pay->Fdata_czas = SaleTime();
  return pay;
}

// ----- Position and payment lines ---------------------------------------------------------

TEST(TVKPositionTest, WritesSevenFieldsEndedByLineFeed) {
  EXPECT_EQ(Position(12, "5901234123457", 1500, 675)->ToString(),
            "ZAW;12;5901234123457;1500;675;0;17;20261208143005000\n");
}

TEST(TVKPositionTest, NewPositionHasMinusOneEverywhereButTheEmptyPluAndBarcode) {
  // No PLU number: the line begins with "ZAW;" and a second ";" at once.
  EXPECT_EQ(TVKPosition().ToString(), "ZAW;;;-1;-1;-1;-1;18991230000000000\n");
}

TEST(TVKPositionTest, DoesNotWriteTheKindOfLine) {
  auto sold = Position(3, "", 1000, 50);
  auto returned = Position(3, "", 1000, 50);
  returned->FTyp = ptBottleReturn;
  EXPECT_EQ(sold->ToString(), returned->ToString());
}

TEST(TVKPaymentTest, WritesTenFieldsWithoutTheExtendedForm) {
  auto pay = Payment(3, 2500);
  pay->Frodzaj = FP_KARTA;
  pay->Fterminowa = true;
  pay->Ftytul = "Karta";
  EXPECT_EQ(pay->ToString(), "PMT;3;2500;1;-1;-1;3;0;1;Karta;20261208143005000\n");
}

TEST(TVKPaymentTest, NewPaymentHasItsInitialValues) {
  EXPECT_EQ(TVKPayment().ToString(), "PMT;-1;-1;1;-1;-1;-1;0;0;;18991230000000000\n");
}

TEST(TVKPaymentTest, WritesFourteenFieldsWithTheExtendedForm) {
  auto pay = Payment(4, 1000);
  pay->Fkonczaca = true;
  pay->Fkod_f_plat_ext = 0;
  pay->Fkod_waluty = "EUR";
  pay->Fkurs_prec = 43125;
  pay->Fwartosc_pln = 4313;
  const std::string line = pay->ToString();
  EXPECT_EQ(line, "PMT;4;1000;1;-1;-1;-1;1;0;;20261208143005000;0;EUR;43125;4313\n");
  EXPECT_EQ(std::count(line.begin(), line.end(), ';'), 14);
}

TEST(TVKPaymentTest, TitleWithSemicolonOrLineBreakKeepsTheColumns) {
  auto pay = Payment(0, 100);
  pay->Ftytul = "za; fakturę\r\n12";
  EXPECT_EQ(pay->ToString(), "PMT;0;100;1;-1;-1;-1;0;0;za  fakturę  12;20261208143005000\n");
}

TEST(ImportFileTextTest, TurnsSemicolonsAndLineBreaksIntoSpacesOnly) {
  EXPECT_EQ(ImportFileText("Jan;Kowalski\nul.\rPolna 1"), "Jan Kowalski ul. Polna 1");
  EXPECT_EQ(ImportFileText("Żółć, \"x\" = 5\t"), "Żółć, \"x\" = 5\t");
}

// ----- Receipt ----------------------------------------------------------------------------

class ParagonTest : public ::testing::Test {
 protected:
  ParagonTest() {
    par.FnrTrans = 5;
    par.FnrPar = 17;
    par.FnrKasjera = 2;
    par.FnrKasy = 1;
    par.FnrKlienta = "K100";
    par.FkodRabatu = 3;
    par.Fdata_czas = SaleTime();
    par.Frabat = 40;
    par.FnrZmiany = 9;
  }
  // What a receipt writes into a file, byte for byte.
  std::string Written() {
    const std::string path = dir.File("kasa.imp");
    {
      TMFile file(path);
      file.Open();
      file << par;
    }
    return testutil::ReadFile(path);
  }
  testutil::TempDir dir{"paragon"};
  TVKParagon par;
};

TEST_F(ParagonTest, WithDetailsWritesHeaderPositionsAndPaymentsWithTheirOwnLineEnds) {
  par.FwoDetails = false;
  par + Position(12, "", 1000, 300) + Position(-1, "590", 2000, 500);
  par + Payment(0, 800);
  EXPECT_EQ(Written(),
            "\r\n[Paragon nr 17]\r\n"
            "TRN;5;17;2;1;2;1;K100;3;20261208143005000;40;9\r\n"
            "ZAW;12;;1000;300;0;17;20261208143005000\n"
            "ZAW;;590;2000;500;0;17;20261208143005000\n"
            "PMT;0;800;1;-1;-1;-1;1;0;;20261208143005000\n");
}

TEST_F(ParagonTest, WithoutDetailsWritesKskHeaderWithCountsAndOnlyThePayments) {
  par + Position(12, "", 1000, 300) + Position(13, "", 1000, 200);
  par + Payment(0, 500);
  EXPECT_EQ(Written(),
            "\r\n[Paragon nr 17]\r\n"
            "KSK;5;17;2;1;2;1;K100;3;20261208143005000;40;9\r\n"
            "PMT;0;500;1;-1;-1;-1;1;0;;20261208143005000\n");
}

TEST_F(ParagonTest, UnknownCashierRegisterAndDiscountCodeAreEmptyButShiftAndTransactionStay) {
  par.FnrKasjera = -1;
  par.FnrKasy = -1;
  par.FkodRabatu = -1;
  par.FnrZmiany = -1;
  par.FnrTrans = -1;
  EXPECT_EQ(Written(),
            "\r\n[Paragon nr 17]\r\n"
            "KSK;-1;17;0;0;;;K100;;20261208143005000;40;-1\r\n");
}

TEST_F(ParagonTest, OnlyTheLastOfThreePaymentsEnds) {
  par + Payment(0, 100) + Payment(1, 200) + Payment(3, 300);
  const std::string text = Written();
  EXPECT_NE(text.find("PMT;0;100;1;-1;-1;-1;0;"), std::string::npos);
  EXPECT_NE(text.find("PMT;1;200;1;-1;-1;-1;0;"), std::string::npos);
  EXPECT_NE(text.find("PMT;3;300;1;-1;-1;-1;1;"), std::string::npos);
  EXPECT_TRUE(par.GetPlatnosci(2).Fkonczaca);
  EXPECT_FALSE(par.GetPlatnosci(0).Fkonczaca);
}

TEST_F(ParagonTest, WritesTheTaxNumberLineUnlessEmptyOrMinusOne) {
  par.FnrNIPKlienta = "5260250274";
  EXPECT_NE(Written().find("\r\nNIP;5260250274\r\n"), std::string::npos);
  par.FnrNIPKlienta = "-1";
  EXPECT_EQ(par.ToString().find("NIP;"), std::string::npos);
  par.FnrNIPKlienta = "";
  EXPECT_EQ(par.ToString().find("NIP;"), std::string::npos);
}

TEST_F(ParagonTest, LongHeaderIsCutAt255CharactersAndStillEndsItsLine) {
  par.FnrNIPKlienta = std::string(300, '7');
  par + Payment(0, 100);
  const std::string text = par.ToString();
  const size_t pmt = text.find("PMT;");
  ASSERT_NE(pmt, std::string::npos);
  // The 255 characters of the header, then its line end, then the payment on a line of its own.
  EXPECT_EQ(pmt, 257u);
  EXPECT_EQ(text.substr(253, 4), "77\r\n");
}

TEST_F(ParagonTest, HeaderOfExactly255CharactersIsNotCut) {
  const std::string head =
      "\r\n[Paragon nr 17]\r\nKSK;5;17;0;0;2;1;K100;3;20261208143005000;40;9\r\n";
  // "NIP;" + the number + CR LF fill the header up to 255.
  par.FnrNIPKlienta = std::string(255 - head.size() - 6, '1');
  EXPECT_EQ(par.ToString(), head + "NIP;" + par.FnrNIPKlienta + "\r\n");
  EXPECT_EQ(par.ToString().size(), 255u);
}

TEST_F(ParagonTest, FirstPositionFillsAnUnknownReceiptNumberAndTime) {
  TVKParagon fresh;
  auto first = Position(1, "", 1000, 1);
  first->FnrParagonu = 44;
  auto second = Position(2, "", 1000, 1);
  second->FnrParagonu = 45;
  second->Fdata_czas = SaleTime() + 1;
  fresh + std::move(first) + std::move(second);
  EXPECT_EQ(fresh.FnrPar, 44);
  EXPECT_DOUBLE_EQ(fresh.Fdata_czas, SaleTime());
  // A receipt that knows its number and time keeps them.
  par + Position(1, "", 1000, 1);
  EXPECT_EQ(par.FnrPar, 17);
}

TEST_F(ParagonTest, HooksSeeEveryAppendedItem) {
  struct Counting : TVKParagon {
    void ProcessEachPosition(TVKPosition&) override { ++positions; }
    void ProcessFirstPayment(TVKPayment&) override { ++firstPayments; }
    void ProcessEachPayment(TVKPayment&) override { ++payments; }
    int positions = 0, firstPayments = 0, payments = 0;
  } counting;
  counting + Position(1, "", 1, 1) + Position(2, "", 1, 1) + Payment(0, 1) + Payment(1, 1);
  EXPECT_EQ(counting.positions, 2);
  EXPECT_EQ(counting.firstPayments, 1);
  EXPECT_EQ(counting.payments, 2);
  EXPECT_EQ(counting.GetnPosCount(), 2);
  EXPECT_EQ(counting.GetnPaymentCount(), 2);
  EXPECT_EQ(counting.GetPozycje(1).Fplu, 2);
}

TEST_F(ParagonTest, ItemOutsideTheListIsAnError) {
  EXPECT_THROW(par.GetPozycje(0), Exception);
  EXPECT_THROW(par.GetPlatnosci(-1), Exception);
}

// ----- Other operation --------------------------------------------------------------------

std::unique_ptr<TVKOther> Deposit() {
  auto other = std::make_unique<TVKOther>(op_wpl);
  other->nrKasjera = 3;
  other->dataCzas = SaleTime();
  auto pay = Payment(0, 10000);
  pay->Fkurs = 100;
  pay->Fkonczaca = true;
  other->Add(std::move(pay));
  return other;
}

TEST(TVKOtherTest, WritesHeaderOperationLineAndPaymentsWithTheirLineEnds) {
  EXPECT_EQ(Deposit()->ToString(),
            "\n[INNA_OPER]\n"
            "OP_WPL;;;0;1;3;-1;;0;20261208143005000;;-1\r\n"
            "PMT;0;10000;100;-1;-1;-1;1;0;;20261208143005000\n");
}

TEST(TVKOtherTest, EachKindHasItsKeywordAndAnUnknownKindNone) {
  const std::pair<e_TypOper, const char*> kinds[] = {
      {op_wpl, "OP_WPL;"},   {op_wypl, "OP_WYPL;"},     {op_storno, "OP_STORNO;"},
      {op_anul, "OP_ANUL;"}, {op_otw_zm, "OP_OTW_ZW;"}, {op_zamk_zm, "OP_ZAMK_ZM;"},
  };
  for (const auto& [kind, keyword] : kinds) {
    TVKOther other(kind);
    EXPECT_EQ(other.ToString().substr(13),
              std::string(keyword) + ";;0;0;-1;-1;;0;" + "18991230000000000;;-1\r\n")
        << keyword;
  }
  TVKOther unknown(static_cast<e_TypOper>(6));
  EXPECT_EQ(unknown.ToString(), "\n[INNA_OPER]\n;;0;0;-1;-1;;0;18991230000000000;;-1\r\n");
}

TEST(TVKOtherTest, WritesGoodsPositionsBeforePaymentsAndTheTextsAsGiven) {
  TVKOther voided(op_storno);
  voided.nrTrans = "12";
  voided.nrPar = "34";
  voided.nrZmiany = "5";
  voided.Add(Payment(0, 300));
  voided.Add(Position(7, "", 1000, 300));
  EXPECT_EQ(voided.GetPozycjeTowCount(), 1);
  EXPECT_EQ(voided.GetPaymentCount(), 1);
  EXPECT_EQ(voided.ToString(),
            "\n[INNA_OPER]\n"
            "OP_STORNO;12;34;1;1;-1;-1;;0;18991230000000000;;5\r\n"
            "ZAW;7;;1000;300;0;17;20261208143005000\n"
            "PMT;0;300;1;-1;-1;-1;0;0;;20261208143005000\n");
  EXPECT_THROW(voided.GetPlatnosc(1), Exception);
}

TEST(TVKOtherTest, WritesTheSameTextIntoALineFileAndAStream) {
  testutil::TempDir dir("other");
  const auto other = Deposit();
  {
    TMFile file(dir.File("kasa.imp"));
    file.Open();
    *other >> file;
  }
  std::ostringstream out;
  *other >> out;
  EXPECT_EQ(testutil::ReadFile(dir.File("kasa.imp")), other->ToString());
  EXPECT_EQ(out.str(), other->ToString());
}

}  // namespace

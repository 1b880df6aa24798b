// The receipt line model: positions read from the lines of OPSpRoz4.exe and OPSpRoz5.exe, and
// documents written in the host's receipt text, byte for byte.
#include "elzab/elxparag.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "hostlib/Exceptions.h"
#include "hostlib/TdtTools.h"

namespace {

// A method-4 sold line (without its "$"): transaction 7, receipt 5, line 1, no return,
// PLU 12, 2 units, 700 after discount, 8 December 2026 10:15, slot 1, cashier 3, discount 50,
// 750 before discount.
const char kLine4[] = "1\t7\t5\t1\t0\t12\t2.000\t700\t26.12.08\t10:15\t1\t3\t50\t750";

// The same line as method 5 writes it (złoty with a decimal comma, YYMMDD, HHMMSS, printout 9).
const char kLine5[] =
    "1\t7\t5\t1\t0\t12\t2,000\t7,00\t261208\t101500\t1\t3\t0,50\t7,50\tMleko\t3,75\t23,00\t9";

double Day(int y, int m, int d) {
  return TdtTools::EncodeDate(y, m, d);
}

std::unique_ptr<ElPosition> Position(const std::string& line) {
  auto p = std::make_unique<ElPosition>();
  p->MakeFromLine(line, true);
  return p;
}

std::unique_ptr<ElPayment> Payment(int form, double amount) {
  auto p = std::make_unique<ElPayment>();
  p->SetNrPlatn(form);
  p->wartosc = amount;
  return p;
}

// ----- Reading method 4 ------------------------------------------------------------------------

TEST(ElPositionLongForm, ReadsEveryField) {
  ElPosition p;
  p.MakeFromLine(kLine4, true);
  EXPECT_EQ(p.GetNrTrans(), 7);
  EXPECT_EQ(p.GetNrParagonu(), 5);
  EXPECT_EQ(p.nr_poz_par, 1);
  EXPECT_FALSE(p.zwrot);
  EXPECT_EQ(p.nr_tow, 12);
  EXPECT_DOUBLE_EQ(p.GetIlosc(), 2);
  EXPECT_DOUBLE_EQ(p.GetWartosc(), 700);
  EXPECT_EQ(TdtTools::FormatCompressed(p.data + p.czas), "20261208101500000");
  EXPECT_EQ(p.ST, 1);
  EXPECT_EQ(p.nr_kas, 3);
  EXPECT_DOUBLE_EQ(p.wart_rabp, 50);
  EXPECT_DOUBLE_EQ(p.wart_pr, 750);
  EXPECT_DOUBLE_EQ(p.GetRabat(), 50);
  EXPECT_FALSE(p.withoutDiscountInfo);
}

TEST(ElPositionLongForm, TwoDigitYearsBelowEightyAreThisCentury) {
  ElPosition p;
  p.MakeFromLine("1\t1\t1\t1\t0\t1\t1\t100\t5.3.14\t8\t1\t1\t0\t100", true);
  EXPECT_DOUBLE_EQ(p.data, Day(2005, 3, 14));
  // A missing minute counts 0.
  EXPECT_EQ(TdtTools::FormatCompressed(p.data + p.czas), "20050314080000000");
}

TEST(ElPositionLongForm, TwoDigitYearsFromEightyAreTheLastCentury) {
  ElPosition p;
  p.MakeFromLine("1\t1\t1\t1\t0\t1\t1\t100\t98.12.31\t23.59\t1\t1\t0\t100", true);
  EXPECT_DOUBLE_EQ(p.data, Day(1998, 12, 31));
  EXPECT_EQ(TdtTools::FormatCompressed(p.data + p.czas), "19981231235900000");
}

TEST(ElPositionLongForm, ALineWithoutDiscountColumnsHasNoDiscount) {
  ElPosition p;
  p.MakeFromLine("1\t7\t5\t1\t0\t12\t2.000\t700\t26.12.08\t10:15\t1\t3", true);
  EXPECT_TRUE(p.withoutDiscountInfo);
  EXPECT_DOUBLE_EQ(p.rabat, 0);
  EXPECT_DOUBLE_EQ(p.wart_pr, 0);
  EXPECT_DOUBLE_EQ(p.wart_rabp, 0);
}

TEST(ElPositionLongForm, AReturnCountsNegative) {
  ElPosition p;
  p.MakeFromLine("1\t7\t5\t2\t1\t40\t2.000\t500\t26.12.08\t10:15\t1\t3\t0\t500", true);
  EXPECT_TRUE(p.zwrot);
  EXPECT_DOUBLE_EQ(p.GetWartosc(), -500);
  EXPECT_DOUBLE_EQ(p.GetIlosc(), 2);
}

TEST(ElPositionLongForm, IntegersThatAreNoNumbersCountZero) {
  ElPosition p;
  p.MakeFromLine("1\tx\t\t1\t0\t12\t1\t100\t26.12.08\t10:15\tz\t", true);
  EXPECT_EQ(p.nr_rap, 0);
  EXPECT_EQ(p.nr_par, 0);
  EXPECT_EQ(p.ST, 0);
  EXPECT_EQ(p.nr_kas, 0);
}

// What a sale is booked by cannot be guessed: a goods number, an amount, a quantity or a time
// that is not wholly a number is a damaged line (6x49 read by its digits would book 0,06 zł,
// goods 1x would be goods 0, 1x:05 another hour), in either method's long form.
TEST(ElPositionLongForm, AGoodsNumberAmountOrTimeThatIsNoNumberIsAnError) {
  const std::string good = "1\t7\t5\t1\t0\t12\t2.000\t700\t26.12.08\t10:15\t1\t3\t0\t700";
  for (const auto& [field, word] : std::vector<std::pair<size_t, std::string>>{{5, "1x"},
                                                                               {5, ""},
                                                                               {6, "2.0.0"},
                                                                               {7, "6x49"},
                                                                               {9, "1x:05"},
                                                                               {9, ""},
                                                                               {12, "5o"},
                                                                               {13, "7OO"}}) {
    std::vector<std::string> f;
    size_t start = 0;
    for (size_t tab = good.find('\t');; tab = good.find('\t', start)) {
      f.push_back(good.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    f[field] = word;
    std::string line;
    for (size_t i = 0; i < f.size(); ++i) line += (i ? "\t" : "") + f[i];
    ElPosition p;
    EXPECT_THROW(p.MakeFromLine(line, true), EConvertError) << line;
  }
  ElPosition p;
  p.MakeFromLine(good, true);
  EXPECT_EQ(p.nr_tow, 12);
  EXPECT_THROW(p.MakeFromLineExtended("1\t7\t5\t1\t0\t3x\t1,000\t7,00\t261208\t101500\t1\t3\t0\t7"),
               EConvertError);
}

TEST(ElPositionLongForm, AThreeFieldLineIsAnotherRegistersFormat) {
  ElPosition p;
  try {
    p.MakeFromLine("1\t12\t700", true);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Niewłaściwa konfiguracja sterownika. To NIE jest kasa Delta!");
  }
}

TEST(ElPositionLongForm, ADateThatIsNoDateIsAnError) {
  ElPosition p;
  EXPECT_THROW(p.MakeFromLine("1\t7\t5\t1\t0\t12\t2.000\t700\t26.13.08\t10:15", true),
               EConvertError);
  EXPECT_THROW(p.MakeFromLine("1\t7\t5\t1\t0\t12\t2.000\t700", true), EConvertError);
  EXPECT_THROW(p.MakeFromLine("1\t7\t5\t1\t0\t12\t2.000\t700\t26.12.08\t25:00", true),
               EConvertError);
}

TEST(ElPositionShortForm, ReadsSevenFieldsFromTheFirst) {
  ElPosition p;
  p.MakeFromLine("7\t5\t1\t1\t12\t1.500\t300", false);
  EXPECT_EQ(p.nr_rap, 7);
  EXPECT_EQ(p.nr_tow, 12);
  EXPECT_TRUE(p.zwrot);
  EXPECT_DOUBLE_EQ(p.il_sp, 1.5);
  EXPECT_DOUBLE_EQ(p.GetWartosc(), -300);
  EXPECT_DOUBLE_EQ(p.data, 0);
}

// ----- Reading method 5 ------------------------------------------------------------------------

TEST(ElPositionExtended, ReadsZlotyAsHundredthsAndThePrintout) {
  ElPosition p;
  p.MakeFromLineExtended(kLine5);
  EXPECT_EQ(p.GetNrTrans(), 7);
  EXPECT_EQ(p.GetNrParagonu(), 5);
  EXPECT_EQ(p.nr_tow, 12);
  EXPECT_DOUBLE_EQ(p.il_sp, 2);
  EXPECT_DOUBLE_EQ(p.wart_rabw, 700);
  EXPECT_DOUBLE_EQ(p.wart_rabp, 50);
  EXPECT_DOUBLE_EQ(p.wart_pr, 750);
  EXPECT_DOUBLE_EQ(p.rabat, 50);
  EXPECT_EQ(TdtTools::FormatCompressed(p.data + p.czas), "20261208101500000");
  EXPECT_EQ(p.nr_kas, 3);
  EXPECT_EQ(p.GetNrWydruku(), 9);
}

TEST(ElPositionExtended, TakesAPointAndTrimsSpaces) {
  ElPosition p;
  p.MakeFromLineExtended(
      "1\t7\t5\t1\t0\t 12 \t0.250\t 12.34 \t261208\t101500\t1\t3\t0\t12.34\tX\t1\t23\t 9 ");
  EXPECT_EQ(p.nr_tow, 12);
  EXPECT_DOUBLE_EQ(p.il_sp, 0.25);
  EXPECT_DOUBLE_EQ(p.wart_rabw, 1234);
  EXPECT_EQ(p.nr_wyd, 9);
}

TEST(ElPositionExtended, ADecimalThatIsNoNumberIsTheConversionError) {
  ElPosition p;
  EXPECT_THROW(p.MakeFromLineExtended("1\t7\t5\t1\t0\t12\tdwa\t7,00\t261208\t101500\t1\t3\t0\t7"),
               EConvertError);
  EXPECT_THROW(p.MakeFromLineExtended("1\t7\t5\t1\t0\t12\t2\t7,00\t261208\t101500\t1\t3\t0\t"),
               EConvertError);
}

TEST(ElPositionExtended, ADateOrTimeThatIsNoneIsAnError) {
  ElPosition p;
  EXPECT_THROW(p.MakeFromLineExtended("1\t7\t5\t1\t0\t12\t2\t7\t26120\t101500\t1\t3\t0\t7"),
               EConvertError);
  EXPECT_THROW(p.MakeFromLineExtended("1\t7\t5\t1\t0\t12\t2\t7\t261208\t106100\t1\t3\t0\t7"),
               EConvertError);
}

// ----- The document ----------------------------------------------------------------------------

TEST(ElParagonLines, TheFirstLineGivesNumbersDateAndCashier) {
  ElParagon r(4, ElParagon::op_paragon);
  r.SetPrRab(10);
  r + Position(kLine4);
  r + Position("1\t7\t5\t2\t1\t40\t2.000\t500\t26.12.08\t11:30\t1\t6\t0\t500");
  EXPECT_EQ(r.nrPar, 5);
  EXPECT_EQ(r.nrTrans, 7);
  EXPECT_EQ(r.nrKasjera, 3);
  EXPECT_EQ(r.GetGodzina(), 10);
  EXPECT_DOUBLE_EQ(r.GetData(), Day(2026, 12, 8));
  EXPECT_DOUBLE_EQ(r.GetWartosc(), 200);  // the return lowers it
  EXPECT_EQ(r.GetPosCount(), 2);
  EXPECT_EQ(r.GetPozycja(1).GetPrRab(), 10);
}

TEST(ElParagonLines, APaymentTakesTheReceiptsDateAndNumbers) {
  ElParagon r(4, ElParagon::op_paragon);
  r + Position(kLine4);
  r + Payment(3, 700);
  EXPECT_EQ(r.GetPaymentCount(), 1);
  EXPECT_EQ(r.GetPlatnosc(0).nr_par, 5);
  EXPECT_EQ(r.GetPlatnosc(0).nr_rap, 7);
  EXPECT_DOUBLE_EQ(r.GetPlatnosc(0).data, Day(2026, 12, 8));
}

TEST(ElParagonText, AReceiptWithAReturnAndTwoPayments) {
  ElParagon r(4, ElParagon::op_paragon);
  r.SetKSK("000123");
  r + Position(kLine4);
  r + Position("1\t7\t5\t2\t1\t40\t2.000\t500\t26.12.08\t10:16\t1\t3\t0\t500");
  r + Payment(0, 100);
  auto card = Payment(3, 100);
  card->terminowa = 1;
  r + std::move(card);
  std::ostringstream out;
  out << r;
  EXPECT_EQ(out.str(),
            "\n[PARAGON nr 5]\n"
            "TRN;7;5;2;2;3;4;123;0;20261208101500000\n"
            "ZAW;12;;2000;700;50;5;20261208101500000\n"
            "ZAW;40;;-2000;-500;0;5;20261208101600000\n"
            "PMT;0;100;100;;;0;0;0;20261208101500000\n"
            "PMT;3;100;100;;;1;1;0;20261208101500000\n");
}

TEST(ElParagonText, AReceiptWithoutPaymentsIsPaidInOneDefaultLine) {
  ElParagon r(1, ElParagon::op_paragon);
  r + Position(kLine4);
  EXPECT_EQ(r.ToString(),
            "\n[PARAGON nr 5]\n"
            "TRN;7;5;1;1;3;1;;0;20261208101500000\n"
            "ZAW;12;;2000;700;50;5;20261208101500000\n"
            "PMT;0;700;100;;;;1;0;\n");
}

TEST(ElParagonText, LargeValuesArePlainWholeNumbers) {
  ElParagon r(1, ElParagon::op_paragon);
  r + Position("1\t7\t5\t1\t0\t12\t1234.5674\t1234567\t26.12.08\t10:15\t1\t3\t0\t1234567");
  r + Payment(0, 123456789.0);
  const std::string text = r.ToString();
  EXPECT_NE(text.find("ZAW;12;;1234567;1234567;0;5;"), std::string::npos) << text;
  EXPECT_NE(text.find("PMT;0;123456789;100;"), std::string::npos) << text;
}

TEST(ElParagonText, ALoyaltyCardLosesItsLeadingZerosButALoneZeroStays) {
  ElParagon r(1, ElParagon::op_paragon);
  r.SetKSK("0");
  EXPECT_NE(r.ToString().find("TRN;0;0;0;1;0;1;0;0;"), std::string::npos) << r.ToString();
  r.SetKSK("000");
  EXPECT_NE(r.ToString().find("TRN;0;0;0;1;0;1;0;0;"), std::string::npos);
  r.SetKSK("0012");
  EXPECT_NE(r.ToString().find(";1;12;0;"), std::string::npos);
}

TEST(ElParagonText, ACustomersTaxNumberFollowsTheLines) {
  ElParagon r(1, ElParagon::op_paragon);
  r + Position(kLine4);
  r.SetNIP("526-025-02-74");
  EXPECT_NE(r.ToString().find("20261208101500000\nNIP;526-025-02-74\nPMT;0;700;"),
            std::string::npos)
      << r.ToString();
}

TEST(ElParagonText, ACancelledReceiptHasNoNumbersAndAVoidNoReceiptPayment) {
  ElParagon anul(2, ElParagon::op_anul);
  anul + Position(kLine4);
  EXPECT_EQ(anul.ToString(),
            "\n[INNA_OPER]\n"
            "OP_ANUL;;;1;1;3;2;;0;20261208101500000\n"
            "ZAW;12;;2000;700;50;5;20261208101500000\n"
            "PMT;-1;700;100;;;;1;0;\n");
  ElParagon storno(2, ElParagon::op_storno);
  storno + Position(kLine4);
  EXPECT_EQ(storno.ToString(),
            "\n[INNA_OPER]\n"
            "OP_STORNO;7;5;1;1;3;2;;0;20261208101500000\n"
            "ZAW;12;;2000;700;50;5;20261208101500000\n"
            "PMT;-1;700;100;;;;1;0;\n");
}

TEST(ElParagonText, AnInvoiceHasItsNumberAndBuyer) {
  ElParagon r(1, ElParagon::op_faktura);
  r + Position(kLine4);
  r.SetInvType("FV");
  r.SetInvNumber("1/2026");
  r.SetInvNip("5260250274");
  r.SetInvBuyerName("Firma; \"Zbyt\"\r\nSp. z o.o.");
  r.SetInvCityAndZipCode("00-950 Warszawa");
  r.SetInvStreetAndNumber("ul. Prosta 1");
  r + Payment(3, 700);
  EXPECT_EQ(r.ToString(),
            "\n[FAKTURA nr 5]\n"
            "FV;7;5;1;1;3;1;;0;20261208101500000;;;1/2026;20261208101500000\n"
            "ZAW;12;;2000;700;50;5;20261208101500000\n"
            "KTH;5260250274;Firma  \"Zbyt\"  Sp. z o.o.;ul. Prosta 1;;;Warszawa;00-950;;;1;\n"
            "PMT;3;700;100;;;1;0;0;20261208101500000\n");
}

TEST(ElParagonText, APostalCodeIsSplitFromACityWithAHyphen) {
  ElParagon r(1, ElParagon::op_faktura);
  r.SetInvCityAndZipCode(" Bielsko-Biała 43-300 ");
  EXPECT_NE(r.ToString().find(";;;Bielsko-Biała;43-300;;;1;\n"), std::string::npos) << r.ToString();
  r.SetInvCityAndZipCode("Kraków");
  EXPECT_NE(r.ToString().find(";;;Kraków;;;;1;\n"), std::string::npos) << r.ToString();
}

TEST(ElParagonText, FreeTextCannotShiftTheHostsColumns) {
  ElParagon r(1, ElParagon::op_paragon);
  r.SetKSK("12;34\n");
  r.SetNIP("52;6\r");
  const std::string text = r.ToString();
  EXPECT_NE(text.find(";1;12 34 ;0;"), std::string::npos) << text;
  EXPECT_NE(text.find("\nNIP;52 6 \n"), std::string::npos) << text;
}

}  // namespace

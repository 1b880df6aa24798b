#include "exchange/TKartaRab.h"

#include <gtest/gtest.h>

#include <string>

#include "hostlib/Exceptions.h"
#include "hostlib/TMLgExtTools.h"
#include "hostlib/TdtTools.h"

namespace {

int EchoKey(void*, const char* module, const char* key, const char*, char* buffer, int size) {
  const std::string text = std::string(module) + "/" + key;
  buffer[text.copy(buffer, static_cast<size_t>(size) - 1)] = '\0';
  return 1;
}

std::string ErrorOf(const std::string& pattern, const TMLgExtTools* lg = nullptr) {
  try {
    TKartaRab::SprawdzPoprawnoscWzorca(pattern, lg);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(no error)";
}

class CardCode : public ::testing::Test {
 protected:
  CardCode() {
    card.Przedrostek = 7;
    card.PoziomRabatu = 3;
    card.KodKarty = "12";
    card.TermWaznKarty = TdtTools::EncodeDate(2031, 7, 5);
  }
  TKartaRab card;
};

}  // namespace

TEST_F(CardCode, SectionsAreFittedToTheirRuns) {
  EXPECT_EQ(card.Poskladaj("kkkkkk", nullptr), "000012");
  card.KodKarty = "123456";
  EXPECT_EQ(card.Poskladaj("yyMMkkkk", nullptr), "31071234");  // code keeps its leading digits
  EXPECT_EQ(card.Poskladaj("YYDDDk", nullptr), "200051");      // upper case keeps leading
  EXPECT_EQ(card.Poskladaj("29ssrkk", nullptr), "2907312");
}

TEST_F(CardCode, AnXAtTheThirteenthPlaceIsTheEan13CheckDigit) {
  card.KodKarty = "123456789";
  EXPECT_EQ(card.Poskladaj("590kkkkkkkkkx", nullptr), "5901234567893");
}

TEST(CardPattern, FaultsAreReportedInOrder) {
  EXPECT_EQ(ErrorOf(""),
            "TKartaRab: jak mam przetwarzać karty klienta, jeśli format nie wprowadzony?");
  EXPECT_EQ(ErrorOf("yYk?"), "TKartaRab: w formacie nie mogą występować równocześnie y i Y");
  EXPECT_EQ(ErrorOf("kkkkkkkkkkkx"),  // x twelfth
            "TKartaRab: cyfra kontrolna EAN13 (literka 'x' w formacie karty) może być tylko na 13 "
            "miejscu, albo wcale");
  EXPECT_EQ(ErrorOf("sr-"),
            "TKartaRab: niedopuszczalne znaki w formacie karty - używaj tylko 0-9 oraz skymdYMDrx");
  EXPECT_EQ(ErrorOf("ssrr"),
            "TKartaRab: format karty musi zawierać sekcję z kodem klienta (\"kkk...\")");
  EXPECT_EQ(ErrorOf("skrymd012345x"), "(no error)");
  EXPECT_EQ(ErrorOf(std::string("k\0", 2)), ErrorOf("k-"));  // a NUL byte is no letter
}

TEST(CardPattern, MessagesAreTranslatedUnderTheCardModule) {
  TMLgExtTools echo(nullptr, &EchoKey);
  EXPECT_EQ(ErrorOf("mM", &echo), "kstools_KartaRab/TKartaRaSprawdzPExceptio_00002");
  EXPECT_EQ(ErrorOf("dD", &echo), "kstools_KartaRab/TKartaRaSprawdzPExceptio_00003");
  EXPECT_EQ(ErrorOf("kkkkkkkkkkkkkx", &echo), "kstools_KartaRab/TKartaRaSprawdzPExceptio_00004");
  EXPECT_EQ(ErrorOf("s", &echo), "kstools_KartaRab/TKartaRaSprawdzPExceptio_00006");
}

TEST_F(CardCode, RozparsujTakesTheCustomerCodeFromItsPlace) {
  card.Rozparsuj("29yykkkk", "29311234", nullptr);
  EXPECT_EQ(card.KodKarty, "1234");
  EXPECT_EQ(card.Przedrostek, 0);
  card.Rozparsuj("29yykkkk", "29311", nullptr);  // a short code gives what it has
  EXPECT_EQ(card.KodKarty, "1");
  card.Rozparsuj("29yykkkk", "29", nullptr);
  EXPECT_EQ(card.KodKarty, "");
}

// The driver's description of itself: properties and the parameter table with list texts.
#include <gtest/gtest.h>

#include "elzab/TTrelvaxLibrary.h"
#include "platform/FakeEnv.h"
#include "testutil/DriverFixture.h"

namespace {
struct Param {
  int type;
  std::string name, description, defaultValue, text1, text2;
  int flag;
};
Param Get(int group, int index) {
  Param p;
  p.flag = -5;
  p.type = TKSLibrary::Parametr(group, index, p.name, p.description, p.defaultValue, p.text1,
                                p.text2, p.flag);
  return p;
}
std::vector<std::string> List(const std::string& name) {
  std::vector<std::string> out;
  for (int i = 0;; ++i) {
    std::string t = TKSLibrary::TekstListyParametru(name, i);
    if (t.empty()) break;
    out.push_back(t);
  }
  return out;
}
}  // namespace

TEST(Description, TypeAndProperties) {
  EXPECT_EQ(TKSLibrary::TypBiblioteki(), 1);
  EXPECT_EQ(TKSLibrary::Wlasciwosci(1), "Elzab ECR (protokół STX)");
  EXPECT_EQ(TKSLibrary::Wlasciwosci(2), "KS_ElzabSTX");
  EXPECT_EQ(
      TKSLibrary::Wlasciwosci(3),
      "Testowano na: K10, K10 online, MiniLT online, Sigma\nSterowniki wersja z dn. 4.06.2019");
  for (int code : {102, 103, 104, 105}) EXPECT_EQ(TKSLibrary::Wlasciwosci(code), "1");
  for (int code : {0, 4, 101, 106, -1}) EXPECT_EQ(TKSLibrary::Wlasciwosci(code), "");
  EXPECT_EQ(TKSLibrary::OpisOkna(0), "");
}

TEST(Parameters, Group101InOrderAndItsEnd) {
  const std::vector<std::pair<std::string, int>> expected = {
      {"ElzabSTXPort", 3},           {"ElzabSTXRS232Speed", 7},
      {"ElzabSTXIPAddr", 1},         {"ElzabSTXIPPort", 1},
      {"ElzabSTXIPAuth", 1},         {"ElzabSTXIPTimeout", 4},
      {"ElzabSTXIPRet", 4},          {"ElzabSTXTimeout", 4},
      {"ElzabSTXUserKonfig", 7},     {"PoziomCen", 7},
      {"ElzabSTXProductFlag", 7},    {"ElzabSTXSaleSource", 7},
      {"ElzabSTXSaleBufferType", 7}, {"ElzabSTXSaleBufferFV", 7},
  };
  for (size_t i = 0; i < expected.size(); ++i) {
    Param p = Get(101, static_cast<int>(i));
    EXPECT_EQ(p.name, expected[i].first);
    EXPECT_EQ(p.type, expected[i].second) << p.name;
    EXPECT_EQ(p.flag, 0);
    EXPECT_EQ(p.text1, "");
    EXPECT_EQ(p.text2, "");
  }
  Param end = Get(101, 14);
  EXPECT_EQ(end.type, 0);
  EXPECT_EQ(end.name + end.description + end.defaultValue, "");
  EXPECT_EQ(end.flag, 0);
}

TEST(Parameters, DefaultsAndDescriptions) {
  Param port = Get(101, 0);
  EXPECT_EQ(port.defaultValue, "PLIK");
  EXPECT_EQ(port.description, "Złącze");
  EXPECT_EQ(Get(101, 1).defaultValue, "115200");
  EXPECT_EQ(Get(101, 2).defaultValue, "192.168.0.12");
  EXPECT_EQ(Get(101, 4).defaultValue, "VARNOKTE");
  EXPECT_EQ(Get(101, 7).description, "Timeout komunikacji z kasą (sek.)");
  EXPECT_EQ(Get(101, 10).defaultValue, "2");
  EXPECT_EQ(Get(101, 13).description,
            "Bufor pozycji paragonowych - odczyt faktur (typ odczytu / metoda 5)");
  EXPECT_EQ(Get(102, 1).name, "ElzabSTXProtectExe");
  EXPECT_EQ(Get(102, 1).defaultValue, "1");
  EXPECT_EQ(Get(105, 1).description, "Nr raportu fiskalnego");
  EXPECT_EQ(Get(105, 1).type, 4);
  EXPECT_EQ(Get(105, 1).flag, 1);
}

TEST(Parameters, ImportGroupsFlagsAndTheirDifferentDefault) {
  EXPECT_EQ(Get(104, 0).flag, 0);
  EXPECT_EQ(Get(104, 0).type, 5);
  EXPECT_EQ(Get(104, 1).flag, 1);
  EXPECT_EQ(Get(104, 2).flag, 1);
  EXPECT_EQ(Get(104, 2).defaultValue, "0");
  EXPECT_EQ(Get(107, 2).defaultValue, "1");
  EXPECT_EQ(Get(107, 2).name, "ElzabSTXDokPlu");
  EXPECT_EQ(Get(103, 1).name, "ElzabSTXPrgPayments");
  EXPECT_EQ(Get(106, 0).description, "ELZAB ECR STX - Zaprogramuj kurs euro");
  EXPECT_EQ(Get(103, 2).type, 0);
  for (int group : {100, 108, 0, -101}) EXPECT_EQ(Get(group, 0).type, 0);
  EXPECT_EQ(Get(101, -1).type, 0);
}

TEST(Parameters, TheProgramsFolderDefaultsToTheHostsBinaries) {
  platform::FakeEnv fake;
  platform::ScopedEnv scope(&fake);
  EXPECT_EQ(Get(102, 0).defaultValue, "c:\\TvkWin\\Elzab");
  EXPECT_EQ(Get(102, 0).type, 6);
  fake.registry["SOFTWARE\\KALMORA\\TVKWin\\Instalacja|Binaria"] = "D:\\Torvik\\bin";
  EXPECT_EQ(Get(102, 0).defaultValue,
            std::string("D:\\Torvik\\bin") + platform::kPathSeparator + "Elzab");
}

TEST(ListTexts, EveryList) {
  EXPECT_EQ(List("ElzabSTXPort"),
            (std::vector<std::string>{"PLIK", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6",
                                      "COM7", "COM8", "COM9", "LAN"}));
  EXPECT_EQ(List("ElzabSTXRS232Speed"),
            (std::vector<std::string>{"4800", "9600", "19200", "28800", "57600", "115200"}));
  EXPECT_EQ(List("ElzabSTXUserKonfig"),
            (std::vector<std::string>{"utwórz nowy", "wykorzystaj istniejący"}));
  for (const char* yesNo : {"ElzabSTXDokPlu", "ElzabSTXPrgEuro", "ElzabSTXPrgPayments",
                            "ElzabSTXReceipts", "ElzabSTXFiscalReport", "ElzabSTXCashierStats",
                            "ElzabSTXProtectExe", "ElzabSTXSaleBufferFV"}) {
    EXPECT_EQ(List(yesNo), (std::vector<std::string>{"Nie", "Tak"})) << yesNo;
  }
  EXPECT_EQ(List("PoziomCen"),
            (std::vector<std::string>{"detaliczna", "hurtowa", "nocna", "dodatkowa"}));
  EXPECT_EQ(List("ElzabSTXProductFlag"),
            (std::vector<std::string>{
                "cena otw/zam - czy towar rabatowany",
                "cena otw/zam - czy można zmieniać cenę | dod. rabat - czy towar rabatowany",
                "cena otw/zam - czy można zmieniać cenę | towar rabatowany"}));
  EXPECT_EQ(List("ElzabSTXSaleSource"),
            (std::vector<std::string>{"Liczniki sprzedaży", "Bufor paragonów"}));
  EXPECT_EQ(List("ElzabSTXSaleBufferType"),
            (std::vector<std::string>{"Metoda 4",
                                      "Metoda 5 (odczyt NIP klienta na paragonie / faktur)"}));
}

TEST(ListTexts, NamesMatchWithoutCaseOrBlanksAndOthersHaveNone) {
  EXPECT_EQ(TKSLibrary::TekstListyParametru("  poziomcen ", 3), "dodatkowa");
  EXPECT_EQ(TKSLibrary::TekstListyParametru("ElzabSTXPort", 10), "LAN");
  EXPECT_EQ(TKSLibrary::TekstListyParametru("ElzabSTXPort", 11), "");
  EXPECT_EQ(TKSLibrary::TekstListyParametru("ElzabSTXPort", -1), "");
  EXPECT_EQ(TKSLibrary::TekstListyParametru("ElzabSTXIPAddr", 0), "");
  EXPECT_EQ(TKSLibrary::TekstListyParametru("", 0), "");
}

class DriverTexts : public testutil::DriverFixture {};

TEST_F(DriverTexts, TheDriversOwnTextsAreNotTranslated) {
  // The driver's link is taken at registration, before the host hands its language object.
  host.translations["trelvax_elxaction/TKSLibraWlasciworeturn"] = "Elzab cash register";
  Register({34});
  EXPECT_EQ(TKSLibrary::Wlasciwosci(1), "Elzab ECR (protokół STX)");
}

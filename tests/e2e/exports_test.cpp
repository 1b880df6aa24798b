// The library through its C interface, loaded as the host loads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "e2e/Driver.h"

using e2e::Buffer;
using e2e::DriverTest;
using testutil::HostMessage;

TEST(ExportTable, HoldsExactlyTheFifteenNames) {
  std::string error;
  std::vector<std::string> names = e2e::ExportedNames(e2e::LibraryPath(), error);
  ASSERT_TRUE(error.empty()) << error;
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names,
            (std::vector<std::string>{
                "TVKDLLParametr", "TVKDLLRejestrujBiblioteke", "TVKDLLRejestrujCallback",
                "TVKDLLSerKasJakSzukacParagonu", "TVKDLLSerKasNazwaZasobuDzielonego",
                "TVKDLLSerKasOperacja", "TVKDLLSerKasOpisOkna", "TVKDLLSerKasPodtrzymajSesje",
                "TVKDLLSerKasPokazOkno", "TVKDLLTekstListyParametru", "TVKDLLTypBiblioteki",
                "TVKDLLUstawJezykKomponentow", "TVKDLLWlasciwosci", "TVKDLLWlasciwosciUrzadzenia",
                "TVKDLLZwolnijBiblioteke"}));
}

TEST_F(DriverTest, DescriptiveExportsNeedNoLibrary) {
  EXPECT_EQ(x.TypBiblioteki(), 1);
  Buffer b;
  x.Wlasciwosci(b.data(), 2);
  EXPECT_EQ(b.Text(), "KS_ElzabSTX");
  EXPECT_TRUE(b.WellFormed());
  x.Wlasciwosci(b.data(), 3);
  EXPECT_EQ(
      b.Text(),
      "Testowano na: K10, K10 online, MiniLT online, Sigma\nSterowniki wersja z dn. 4.06.2019");
  x.Wlasciwosci(b.data(), 104);
  EXPECT_EQ(b.Text(), "1");
  x.Wlasciwosci(b.data(), 4);
  EXPECT_EQ(b.Text(), "");
  EXPECT_TRUE(b.WellFormed());
  EXPECT_EQ(x.SerKasOpisOkna(b.data(), 1), 0);
  EXPECT_EQ(b.Text(), "");
  EXPECT_TRUE(b.WellFormed());
}

TEST_F(DriverTest, TheEndOfAParameterGroupIsTypeZeroWithEmptyTexts) {
  Buffer name, description, def, t1, t2;
  int flag = 9;
  EXPECT_EQ(
      x.Parametr(101, 14, name.data(), description.data(), def.data(), t1.data(), t2.data(), &flag),
      0);
  for (Buffer* b : {&name, &description, &def, &t1, &t2}) {
    EXPECT_EQ(b->Text(), "");
    EXPECT_TRUE(b->WellFormed());
  }
  EXPECT_EQ(flag, 0);
}

TEST_F(DriverTest, AParameterWithoutAFlagPointerStillFillsItsBuffers) {
  Buffer name, description, def, t1, t2;
  EXPECT_EQ(x.Parametr(104, 2, name.data(), description.data(), def.data(), t1.data(), t2.data(),
                       nullptr),
            7);
  EXPECT_EQ(name.Text(), "ElzabSTXDokPlu");
  EXPECT_EQ(description.Text(),
            "ELZAB ECR STX - Doklej dane do ostatniego dokumentu PARAGON z dnia importu");
  EXPECT_EQ(def.Text(), "0");
  int flag = 0;
  x.Parametr(104, 2, name.data(), description.data(), def.data(), t1.data(), t2.data(), &flag);
  EXPECT_EQ(flag, 1);
  EXPECT_TRUE(name.WellFormed() && description.WellFormed() && def.WellFormed());
}

TEST_F(DriverTest, ListTextsAreEnumeratedUntilFalse) {
  Buffer b;
  EXPECT_EQ(x.TekstListyParametru("  poziomcen ", 3, b.data()), 1);
  EXPECT_EQ(b.Text(), "dodatkowa");
  int count = 0;
  while (x.TekstListyParametru("ElzabSTXPort", count, b.data()) != 0) ++count;
  EXPECT_EQ(count, 11);
  EXPECT_EQ(b.Text(), "");
  EXPECT_EQ(x.TekstListyParametru("ElzabSTXIPAddr", 0, b.data()), 0);
  EXPECT_EQ(x.TekstListyParametru(nullptr, 0, b.data()), 0);
  EXPECT_TRUE(b.WellFormed());
}

TEST_F(DriverTest, NullLibraryHandlesAreHarmless) {
  Buffer b;
  x.ZwolnijBiblioteke(nullptr);
  x.RejestrujCallback(nullptr, nullptr, 12);
  x.WlasciwosciUrzadzenia(nullptr, &host, b.data(), 1102);
  EXPECT_EQ(b.Text(), "");
  EXPECT_TRUE(b.WellFormed());
  int a = 5, c = 5, d = 5;
  EXPECT_EQ(x.SerKasJakSzukacParagonu(nullptr, &host, &a, &c, &d), 0);
  EXPECT_EQ(a, 5);
  EXPECT_EQ(x.SerKasPokazOkno(nullptr, &host, 1, 0, &a, b.data()), 0);
  Buffer name;
  x.SerKasNazwaZasobuDzielonego(nullptr, &host, name.data());
  EXPECT_EQ(name.Text(), "");
  EXPECT_TRUE(name.WellFormed());
  std::strcpy(sessionBuffer.data(), "s");
  EXPECT_EQ(x.SerKasOperacja(nullptr, &host, nullptr, sessionBuffer.data(), -1, 0), 0);
  x.SerKasPodtrzymajSesje(nullptr, nullptr, sessionBuffer.data(), 0, 0);
  EXPECT_EQ(sessionBuffer.Text(), "s");
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(DriverTest, AnUnsupportedOperationGivesTwoErrorLinesAndZero) {
  RegisterLibrary();
  EXPECT_EQ(Operation(-7, 0, nullptr, "moja sesja"), 0);
  EXPECT_EQ(host.ErrorTexts(),
            (std::vector<std::string>{"Podczas wykonywania operacji 'nasłuch' wystąpił błąd:",
                                      "Urządzenie nie obsługuje zleconego typu operacji"}));
  EXPECT_EQ(sessionBuffer.Text(), "moja sesja");
  EXPECT_TRUE(sessionBuffer.WellFormed());
}

TEST_F(DriverTest, OperationsWithoutANameAreNumbered) {
  RegisterLibrary();
  EXPECT_EQ(Operation(-12), 0);
  EXPECT_EQ(host.ErrorTexts().front(),
            "Podczas wykonywania operacji 'operacja [-12]' wystąpił błąd:");
  host.messages.clear();
  EXPECT_EQ(Operation(-8), 0);  // the additional function does nothing in this driver
  EXPECT_TRUE(host.ErrorTexts().empty());
}

TEST_F(DriverTest, AHostSessionMakesTheCallWaitASecondAndAnswerOne) {
  RegisterLibrary();
  int session = 0;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Operation(-1, 0, &session, "Sesja kasowa"), 1);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(990));
  EXPECT_EQ(host.messages,
            (std::vector<HostMessage>{{0, "Oczekiwanie na zamknięcie sesji 'Sesja kasowa'"}}));
  EXPECT_FALSE(testutil::Exists(dir.File("KONFIG.TXT")));  // no operation ran
}

TEST_F(DriverTest, WithoutTheAbortServiceTheFirstCheckEndsTheOperation) {
  host.params = {
      {"ElzabSTXPort", "COM1"}, {"ElzabSTXProtectExe", "1"}, {"ElzabSTXExePath", dir.Path()}};
  host.grantResource = false;
  std::set<int> codes = testutil::RecordingHost::AllServices();
  codes.erase(5);
  RegisterLibrary(codes);
  EXPECT_EQ(Operation(-1), 0);
  EXPECT_EQ(host.ErrorTexts(),
            (std::vector<std::string>{"Operacja 'test połączenia' została przerwana"}));
}

TEST_F(DriverTest, LongTextsAreCutAt300Characters) {
  host.params = {{"ElzabSTXPort", "LAN"},
                 {"ElzabSTXIPAddr", std::string(300, 'a')},
                 {"ElzabSTXIPPort", std::string(300, 'b')}};
  RegisterLibrary();
  Buffer b;
  x.SerKasNazwaZasobuDzielonego(lib, &host, b.data());
  EXPECT_EQ(b.Text(), std::string(300, 'a'));
  EXPECT_TRUE(b.WellFormed());
  Buffer p;
  x.WlasciwosciUrzadzenia(lib, &host, p.data(), 1102);
  EXPECT_EQ(p.Text(), std::string(300, 'a'));
  EXPECT_TRUE(p.WellFormed());
}

TEST_F(DriverTest, DeviceLevelAnswers) {
  host.params = {{"ElzabSTXPort", "COM3"}, {"ElzabSTXReportNo", "7"}, {"ElzabSTXReceiptNo", "21"}};
  RegisterLibrary();
  Buffer b;
  x.WlasciwosciUrzadzenia(lib, &host, b.data(), 1102);
  EXPECT_EQ(b.Text(), "COM3");
  x.WlasciwosciUrzadzenia(lib, &host, b.data(), 1104);
  EXPECT_EQ(b.Text(), "-1");
  x.SerKasNazwaZasobuDzielonego(lib, &host, b.data());
  EXPECT_EQ(b.Text(), "COM3");
  int report = 0, second = 0, receipt = 0;
  EXPECT_EQ(x.SerKasJakSzukacParagonu(lib, &host, &report, &second, &receipt), 1);
  EXPECT_EQ(report, 7);
  EXPECT_EQ(second, -1);
  EXPECT_EQ(receipt, 21);
  int value = 0;
  EXPECT_EQ(x.SerKasPokazOkno(lib, &host, 1, 1, &value, b.data()), 0);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(DriverTest, KeepingASessionAliveCopiesTheNameBack) {
  RegisterLibrary();
  std::strcpy(sessionBuffer.data(), "sesja 1");
  HTVKDLLSKSESJA none = nullptr;
  x.SerKasPodtrzymajSesje(lib, &none, sessionBuffer.data(), 5, 1);
  EXPECT_EQ(sessionBuffer.Text(), "sesja 1");
  EXPECT_TRUE(sessionBuffer.WellFormed());
  int session = 0;
  HTVKDLLSKSESJA foreign = &session;
  Buffer untouched;
  std::strcpy(untouched.data(), "obca");
  x.SerKasPodtrzymajSesje(lib, &foreign, untouched.data(), 5, 1);
  EXPECT_EQ(untouched.Text(), "obca");
}

TEST_F(DriverTest, TheHostsLanguageObjectTranslatesFrameworkTexts) {
  host.translations["kstools_KSLib/TKSActioOperacjaExceptio"] = "Operation not supported";
  host.translations["kstools_KSLib/TKSActioOstateczstr_00004"] = "While running '";
  host.translations["kstools_KSLib/TKSActioOstateczstr_00005"] = "' an error occurred:";
  RegisterLibrary();
  x.UstawJezykKomponentow(1);
  EXPECT_EQ(Operation(-7), 0);
  EXPECT_EQ(host.ErrorTexts(),
            (std::vector<std::string>{"While running 'nasłuch' an error occurred:",
                                      "Operation not supported"}));
}

TEST_F(DriverTest, EachRegistrationMakesItsOwnLibrary) {
  RegisterLibrary();
  HTVKDLLLIB second = x.RejestrujBiblioteke(&host, nullptr, nullptr, nullptr);
  EXPECT_NE(second, nullptr);
  EXPECT_NE(second, lib);
  x.ZwolnijBiblioteke(second);
  EXPECT_EQ(Operation(-7), 0);  // the first one still works
  EXPECT_EQ(host.ErrorTexts().size(), 2u);
}

TEST_F(DriverTest, PropertiesAreTrimmedButTheResourceNameIsNot) {
  host.params = {{"ElzabSTXPort", " COM2 "}};
  RegisterLibrary();
  Buffer property, resource;
  x.WlasciwosciUrzadzenia(lib, &host, property.data(), 1102);
  EXPECT_EQ(property.Text(), "COM2");
  x.SerKasNazwaZasobuDzielonego(lib, &host, resource.data());
  EXPECT_EQ(resource.Text(), " COM2 ");
  EXPECT_TRUE(property.WellFormed() && resource.WellFormed());
}

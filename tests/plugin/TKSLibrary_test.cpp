#include "plugin/TKSLibrary.h"

#include <gtest/gtest.h>

#include <climits>

#include "TestDriver.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TMacSetOfIntegers.h"

class Library : public PluginFixture {};

TEST_F(Library, WithoutServicesEveryWrapperGivesItsDefault) {
  auto action = Action();
  EXPECT_EQ(action->FIdUrzadzenia, -1);
  EXPECT_EQ(action->FNrUrzadzenia, 0);
  EXPECT_EQ(action->FKatalogWymiany, "");
  EXPECT_TRUE(library->CzyPrzerwac(action.get()));
  EXPECT_EQ(library->WartoscParametru(action.get(), "ElzabSTXPort"), "");
  EXPECT_FALSE(library->ZapiszWynikEksportu(action.get()));
  EXPECT_FALSE(library->ZapiszImport(action.get()));
  EXPECT_FALSE(library->ZapiszParagon(action.get()));
  EXPECT_FALSE(library->ZmienParametr(action.get(), "a", "b"));
  EXPECT_FALSE(library->ZajmijZasobSterownika(action.get(), "HeavyLoadSection"));
  EXPECT_EQ(library->OdczytajTowar(action.get(), "1"), "");
  EXPECT_EQ(library->WstrzymajOperacje(action.get(), "x", 3), -1);
  EXPECT_EQ(library->DodajTowarZKasy(action.get(), "", 0, "", 0, "", "", 0, 0, 0, 0, 0, 0, 0, ""),
            -1);
  library->DodajKomunikat(action.get(), 0, "nobody hears this");
  library->KasujFlageAlarmu(action.get());
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(Library, DeviceDataComesFromTheHost) {
  host.deviceId = 7;
  host.deviceNumber = 3;
  host.deviceName = "Kasa sklepowa";
  Register({11});
  auto action = Action();
  EXPECT_EQ(action->FIdUrzadzenia, 7);
  EXPECT_EQ(action->FNrUrzadzenia, 3);
  EXPECT_EQ(action->FNazwaUrzadzenia, "Kasa sklepowa");
  EXPECT_EQ(action->FNazwaStanowiska, "Stanowisko 1");
  EXPECT_EQ(action->FKatalogWymiany, dir.Path());
}

TEST_F(Library, TakingTheResourceFailsUnlessBothResourceServicesAreThere) {
  Register({22});
  auto action = Action();
  EXPECT_FALSE(library->ZajmijZasobSterownika(action.get(), "HeavyLoadSection"));
  EXPECT_EQ(host.resourceRequests, 0);
  Register({23});
  EXPECT_TRUE(library->ZajmijZasobSterownika(action.get(), "HeavyLoadSection"));
}

TEST_F(Library, PreciseRatesFallBackToWholePercentTimesAHundred) {
  host.vatRates = {23, 8, 0, -1};
  Register({15});
  auto action = Action();
  TMacSetOfIntegers rates;
  library->WypelnijStawkiVATPrec(action.get(), rates);
  ASSERT_EQ(rates.Count(), 4);
  EXPECT_TRUE(rates.Contains(2300));
  EXPECT_TRUE(rates.Contains(800));
  EXPECT_TRUE(rates.Contains(0));
  EXPECT_TRUE(rates.Contains(-1));
  host.vatRatesPrec = {850};
  Register({32});
  library->WypelnijStawkiVATPrec(action.get(), rates);
  ASSERT_EQ(rates.Count(), 1);
  EXPECT_TRUE(rates.Contains(850));
}

TEST_F(Library, WeighedFormatsStopAtTheFirstEmptyAnswer) {
  host.weighedFormats = {" 21PPPPWWWWW ", "22PPPPWWWWW", "", "23"};
  Register({14});
  auto action = Action();
  EXPECT_EQ(action->GetFormatyWazone(), (std::vector<std::string>{"21PPPPWWWWW", "22PPPPWWWWW"}));
}

// A host whose lists never end (it answers TRUE for every position) gets its lists read up
// to a bound, not forever; a whole-percent rate too large for hundredths is left out rather
// than multiplied past the integer range.
TEST_F(Library, ListsThatNeverEndAreReadOnlyUpToABound) {
  host.garbage = true;
  Register({14, 15});
  auto action = Action();
  TMacSetOfIntegers rates;
  // The garbage host answers INT_MAX, INT_MIN and the position in turn.
  library->WypelnijStawkiVAT(action.get(), rates);
  EXPECT_TRUE(rates.Contains(998));
  EXPECT_FALSE(rates.Contains(1001));
  library->WypelnijStawkiVATPrec(action.get(), rates);  // whole percent, times a hundred
  EXPECT_FALSE(rates.Contains(INT_MAX));
  EXPECT_TRUE(rates.Contains(INT_MIN));
  EXPECT_TRUE(rates.Contains(200));
  EXPECT_EQ(action->GetFormatyWazone().size(), 1000u);
}

TEST_F(Library, ParameterNamesMatchWithoutRegardToCaseAndBlanks) {
  EXPECT_TRUE(TKSLibrary::ZgodnaNazwaParametru("  elzabstxport ", "ElzabSTXPort"));
  EXPECT_FALSE(TKSLibrary::ZgodnaNazwaParametru("", ""));
  EXPECT_FALSE(TKSLibrary::ZgodnaNazwaParametru("ElzabSTXPort", "ElzabSTXIPPort"));
  EXPECT_EQ(TKSLibrary::NazwaZTypem(" PosortowaneStawkiVat "), "KS_ElzabSTX_PosortowaneStawkiVat");
}

TEST_F(Library, OnlyNoSessionPasses) {
  EXPECT_NO_THROW(library->WeryfikujTypSesji(nullptr, "s"));
  int dummy = 0;
  try {
    library->WeryfikujTypSesji(&dummy, "s");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Niezgodny typ sesji w sterowniku");
  }
}

TEST_F(Library, TheLanguageObjectTranslatesFrameworkTextsAndCanBeReplaced) {
  host.translations["kstools_KSLib/TKSLibraWeryfikuExceptio"] = "Session mismatch";
  Register({34});
  int dummy = 0;
  try {
    library->WeryfikujTypSesji(&dummy, "s");
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Session mismatch");
  }
  library->RejestrujCallback(nullptr, 34);
  EXPECT_EQ(library->GetLgLink(), nullptr);
}

TEST_F(Library, TextsPassedToTheHostAreTrimmed) {
  Register();
  auto action = Action();
  library->DodajKomunikat(action.get(), 1, "  uwaga \r\n");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "uwaga");
  EXPECT_EQ(host.messages[0].significance, 1);
  library->WstrzymajOperacje(action.get(), " not trimmed ", 0);
  EXPECT_EQ(host.events.back(), "25  not trimmed ");
}

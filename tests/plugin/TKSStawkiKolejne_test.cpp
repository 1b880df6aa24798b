#include "plugin/TKSStawkiKolejne.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TestDriver.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TMacSetOfIntegers.h"
#include "plugin/KSAction.h"
#include "testutil/DecimalComma.h"

namespace {

constexpr int kUnset = TKSStawkiKolejne::kNieustawiona;

std::vector<int> Slots(const TKSStawkiKolejne& m) {
  std::vector<int> out;
  for (int i = 0; i < 10; ++i) out.push_back(m.GetWartosci(i));
  return out;
}

TMacSetOfIntegers SetOf(const std::vector<int>& values) {
  TMacSetOfIntegers set(100);
  for (int v : values) set.Add(v);
  return set;
}

const char* const kWholeKey = "KS_ElzabSTX_PosortowaneStawkiVat";
const char* const kPreciseKey = "KS_ElzabSTX_PosortowaneStawkiVatPrec";

}  // namespace

// --- the mapping itself ---

TEST(StoredForm, IsTheTenValuesJoinedByCrLfWithUnsetSlotsAsMinus999) {
  TKSStawkiKolejne m;
  const int values[] = {23, 8, 5, 0, -1};
  for (int i = 0; i < 5; ++i) m.SetWartosci(i, values[i]);
  EXPECT_EQ(m.SpiszDoTekstuParametru(),
            "23\r\n8\r\n5\r\n0\r\n-1\r\n-999\r\n-999\r\n-999\r\n-999\r\n-999");
}

TEST(StoredForm, ReadsBackToTheSameSlots) {
  TKSStawkiKolejne m;
  m.WczytajZTekstuParametru("23\r\n8\r\n5\r\n0\r\n-1\r\n-999\r\n-999\r\n-999\r\n-999\r\n-999",
                            false);
  EXPECT_EQ(Slots(m), (std::vector<int>{23, 8, 5, 0, -1, kUnset, kUnset, kUnset, kUnset, kUnset}));
  EXPECT_EQ(m.IleUstawionych(), 5);
}

TEST(StoredForm, AnUnreadableLineLeavesOnlyItsSlotUnset) {
  TKSStawkiKolejne m;
  m.WczytajZTekstuParametru("23\r\nabc\r\n8", false);
  EXPECT_EQ(m.GetWartosci(0), 23);
  EXPECT_EQ(m.GetWartosci(1), kUnset);
  EXPECT_EQ(m.GetWartosci(2), 8);
  EXPECT_EQ(m.IleUstawionych(), 3);
}

TEST(StoredForm, AcceptsAnyLineEndAndBlanksAroundValues) {
  TKSStawkiKolejne m;
  m.WczytajZTekstuParametru("  23 \n 8\r5\r\n\t0  \r\n", false);
  EXPECT_EQ(Slots(m),
            (std::vector<int>{23, 8, 5, 0, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset}));
}

TEST(StoredForm, ReadsOnlyTheFirstTenLines) {
  TKSStawkiKolejne m;
  m.WczytajZTekstuParametru("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12", false);
  EXPECT_EQ(Slots(m), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(StoredForm, ValuesBelowMinusOneAreUnset) {
  TKSStawkiKolejne m;
  m.WczytajZTekstuParametru("-5\r\n-1", false);
  EXPECT_EQ(m.GetWartosci(0), kUnset);
  EXPECT_EQ(m.GetWartosci(1), -1);
}

TEST(StoredForm, ReadingReplacesEverySlotOfTheEarlierContent) {
  TKSStawkiKolejne m;
  m.WczytajZTekstuParametru("1\r\n2\r\n3", false);
  m.WczytajZTekstuParametru("7", false);
  EXPECT_EQ(Slots(m), (std::vector<int>{7, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset,
                                        kUnset, kUnset}));
}

TEST(StoredForm, WithTheMultiplyFlagRatesAboveZeroBecomeHundredths) {
  TKSStawkiKolejne m;
  m.WczytajZTekstuParametru("23\r\n8\r\n0\r\n-1\r\n-999", true);
  EXPECT_EQ(Slots(m),
            (std::vector<int>{2300, 800, 0, -1, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset}));
}

TEST(StoredForm, AValueTooLargeToMultiplyIsUnsetInsteadOfWrappingAround) {
  TKSStawkiKolejne m;
  m.WczytajZTekstuParametru("30000000\r\n21474836", true);
  EXPECT_EQ(m.GetWartosci(0), kUnset);
  EXPECT_EQ(m.GetWartosci(1), 2147483600);
}

TEST(StoredForm, AnEmptyTextUnsetsEverySlot) {
  TKSStawkiKolejne m;
  m.SetWartosci(0, 23);
  m.WczytajZTekstuParametru("  \r\n ", false);
  EXPECT_EQ(m.IleUstawionych(), 0);
  EXPECT_EQ(m.GetWartosci(0), kUnset);
}

TEST(Slots, StartUnset) {
  TKSStawkiKolejne m;
  EXPECT_EQ(Slots(m), std::vector<int>(10, kUnset));
  EXPECT_EQ(m.IleUstawionych(), 0);
}

TEST(Slots, AValueBelowMinusOneIsStoredAsUnset) {
  TKSStawkiKolejne m;
  m.SetWartosci(3, -5);
  EXPECT_EQ(m.GetWartosci(3), kUnset);
  EXPECT_FALSE(m.GetUzywane(3));
}

TEST(Slots, OutsideZeroToNineNothingIsStoredAndNothingIsUsed) {
  TKSStawkiKolejne m;
  m.SetWartosci(10, 5);
  m.SetWartosci(-1, 5);
  EXPECT_EQ(m.GetWartosci(10), kUnset);
  EXPECT_EQ(m.GetWartosci(-1), kUnset);
  EXPECT_FALSE(m.GetUzywane(10));
  EXPECT_FALSE(m.GetZwolnione(-1));
  EXPECT_EQ(m.IleUstawionych(), 0);
}

TEST(Slots, ExemptIsMinusOneAndUsedIsMinusOneOrMore) {
  TKSStawkiKolejne m;
  m.SetWartosci(0, -1);
  m.SetWartosci(1, 0);
  EXPECT_TRUE(m.GetUzywane(0));
  EXPECT_TRUE(m.GetZwolnione(0));
  EXPECT_TRUE(m.GetUzywane(1));
  EXPECT_FALSE(m.GetZwolnione(1));
  EXPECT_FALSE(m.GetUzywane(2));
}

TEST(Slots, CountUpToTheLastUsedSlotIncludingUnsetOnesBeforeIt) {
  TKSStawkiKolejne m;
  m.SetWartosci(2, 5);
  EXPECT_EQ(m.IleUstawionych(), 3);
  m.SetWartosci(9, -1);
  EXPECT_EQ(m.IleUstawionych(), 10);
}

TEST(Slots, CuttingUnsetsEverySlotFromTheGivenOne) {
  TKSStawkiKolejne m;
  m.WczytajZTekstuParametru("1\r\n2\r\n3\r\n4", false);
  m.ObetnijDoTylu(2);
  EXPECT_EQ(m.IleUstawionych(), 2);
  EXPECT_EQ(m.GetWartosci(1), 2);
  m.ObetnijDoTylu(-3);
  EXPECT_EQ(m.IleUstawionych(), 0);
}

TEST(Slots, FromTheHostsRatesTheHighestComesFirst) {
  TKSStawkiKolejne m;
  m.WczytajZListyDostepnychStawek(SetOf({0, 5, 8, 23}));
  EXPECT_EQ(Slots(m),
            (std::vector<int>{23, 8, 5, 0, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset}));
}

TEST(Slots, FromMoreThanTenHostRatesTheTenHighestAreTaken) {
  TKSStawkiKolejne m;
  m.WczytajZListyDostepnychStawek(SetOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(Slots(m), (std::vector<int>{12, 11, 10, 9, 8, 7, 6, 5, 4, 3}));
}

TEST(Slots, AHostRateBelowMinusOneGivesAnUnsetSlot) {
  TKSStawkiKolejne m;
  m.WczytajZListyDostepnychStawek(SetOf({-7, -1, 23}));
  EXPECT_EQ(Slots(m), (std::vector<int>{23, -1, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset,
                                        kUnset, kUnset}));
}

// --- the action's mappings ---

namespace {

// An action of a register with fewer slots than the base's ten.
class FourSlotAction : public KSAction {
 public:
  using KSAction::KSAction;
  std::string NazwaZasobuDzielonego() override { return "test"; }

 protected:
  int IleMaxStawekKolejnych() override { return 4; }
};

class Mapping : public PluginFixture {
 protected:
  void SetUp() override {
    host.vatRates = {0, 5, 8, 23};
    host.vatRatesPrec = {0, 500, 800, 2300};
    Register();
  }
};

}  // namespace

TEST_F(Mapping, WithNothingStoredIsTheHostsRatesHighestFirst) {
  auto a = Action();
  EXPECT_EQ(Slots(a->GetStawkiKolejne()),
            (std::vector<int>{23, 8, 5, 0, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset}));
}

TEST_F(Mapping, IsReadFromTheStoredOwnParameter) {
  host.params[kWholeKey] = "8\r\n23\r\n-1";
  auto a = Action();
  EXPECT_EQ(Slots(a->GetStawkiKolejne()),
            (std::vector<int>{8, 23, -1, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset}));
}

TEST_F(Mapping, StoredAsBlanksOnlyCountsAsNothingStored) {
  host.params[kWholeKey] = "  ";
  auto a = Action();
  EXPECT_EQ(a->GetStawkiKolejne().GetWartosci(0), 23);
}

TEST_F(Mapping, IsReadOnceAndKeptForTheAction) {
  auto a = Action();
  TKSStawkiKolejne& first = a->GetStawkiKolejne();
  host.params[kWholeKey] = "8";
  EXPECT_EQ(&a->GetStawkiKolejne(), &first);
  EXPECT_EQ(a->GetStawkiKolejne().GetWartosci(0), 23);
}

TEST_F(Mapping, PreciseWithOnlyTheWholePercentStoredIsThatInHundredths) {
  host.params[kWholeKey] = "23\r\n8\r\n-1";
  auto a = Action();
  EXPECT_EQ(
      Slots(a->GetStawkiKolejnePrec()),
      (std::vector<int>{2300, 800, -1, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset}));
}

TEST_F(Mapping, PreciseStoredIsReadAsItIs) {
  host.params[kWholeKey] = "23\r\n8";
  host.params[kPreciseKey] = "550\r\n2300";
  auto a = Action();
  EXPECT_EQ(a->GetStawkiKolejnePrec().GetWartosci(0), 550);
  EXPECT_EQ(a->GetStawkiKolejnePrec().GetWartosci(1), 2300);
}

TEST_F(Mapping, PreciseWithNothingStoredIsTheHostsPreciseRatesHighestFirst) {
  host.vatRatesPrec = {0, 550, 800, 2300};
  auto a = Action();
  EXPECT_EQ(Slots(a->GetStawkiKolejnePrec()),
            (std::vector<int>{2300, 800, 550, 0, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset}));
}

TEST_F(Mapping, IsCutToTheSlotsTheRegisterHas) {
  host.params[kWholeKey] = "1\r\n2\r\n3\r\n4\r\n5\r\n6";
  host.params[kPreciseKey] = "100\r\n200\r\n300\r\n400\r\n500";
  FourSlotAction a(library.get(), nullptr);
  EXPECT_EQ(a.GetStawkiKolejne().IleUstawionych(), 4);
  EXPECT_EQ(a.GetStawkiKolejne().GetWartosci(4), kUnset);
  EXPECT_EQ(a.GetStawkiKolejnePrec().IleUstawionych(), 4);
}

TEST_F(Mapping, StoringWritesTheStoredFormUnderTheDriversOwnName) {
  auto a = Action();
  a->GetStawkiKolejne().SetWartosci(4, -1);
  a->ZapiszStawkiKolejne();
  EXPECT_EQ(host.stored[kWholeKey],
            "23\r\n8\r\n5\r\n0\r\n-1\r\n-999\r\n-999\r\n-999\r\n-999\r\n-999");
  // The precise mapping, read after that, is the stored whole-percent one in hundredths.
  a->ZapiszStawkiKolejnePrec();
  EXPECT_EQ(host.stored[kPreciseKey],
            "2300\r\n800\r\n500\r\n0\r\n-1\r\n-999\r\n-999\r\n-999\r\n-999\r\n-999");
}

TEST_F(Mapping, AStoredMappingIsReadBackByTheNextAction) {
  {
    auto a = Action();
    a->GetStawkiKolejne().SetWartosci(0, 5);
    a->ZapiszStawkiKolejne();
  }
  auto b = Action();
  EXPECT_EQ(b->GetStawkiKolejne().GetWartosci(0), 5);
  EXPECT_EQ(b->GetStawkiKolejne().GetWartosci(1), 8);
}

TEST_F(Mapping, StoringRefusedByTheHostRaisesTheOwnParameterError) {
  host.storeAnswer = false;
  auto a = Action();
  try {
    a->ZapiszStawkiKolejnePrec();
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(),
              std::string("Błąd zapisu własnego parametru '") + kPreciseKey + "' do bazy danych");
  }
}

// --- a host rate's slot ---

class SlotLookup : public Mapping {};

TEST_F(SlotLookup, IsTheFirstSlotHoldingTheRate) {
  host.params[kWholeKey] = "23\r\n8\r\n5\r\n0\r\n8";
  auto a = Action();
  EXPECT_EQ(a->NumerStawki(8), 1);
  EXPECT_EQ(a->NumerStawki(0), 3);
  EXPECT_EQ(a->NumerStawki(23), 0);
  EXPECT_EQ(a->NumerStawki(8), 1);
}

TEST_F(SlotLookup, PreciseIsTheFirstSlotHoldingTheRateInHundredths) {
  host.params[kPreciseKey] = "2300\r\n800\r\n550";
  auto a = Action();
  EXPECT_EQ(a->NumerStawkiPrec(550), 2);
  EXPECT_EQ(a->NumerStawkiPrec(2300), 0);
}

TEST_F(SlotLookup, ARateNotInTheMappingRaisesInsteadOfAnsweringAnEarlierSlot) {
  auto a = Action();
  EXPECT_EQ(a->NumerStawki(8), 1);
  try {
    a->NumerStawki(7);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Niezdefiniowana stawka 7%");
  }
  EXPECT_EQ(a->NumerStawki(8), 1);
}

TEST_F(SlotLookup, APreciseRateNotInTheMappingRaisesWithTheRateInPercent) {
  auto a = Action();
  try {
    a->NumerStawkiPrec(750);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Niezdefiniowana stawka 7.50%");
  }
  EXPECT_THROW(a->NumerStawkiPrec(750), Exception);  // asked again: still no slot
  EXPECT_EQ(a->FLastStawkaPrec, 9999);
}

TEST_F(SlotLookup, TheRateInTheMessageHasADecimalPointInADecimalCommaLocale) {
  testutil::CLocaleAfterwards restore;
  ASSERT_NO_FATAL_FAILURE(testutil::SwitchToDecimalComma());
  auto a = Action();
  try {
    a->NumerStawkiPrec(750);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Niezdefiniowana stawka 7.50%");
  }
}

TEST_F(SlotLookup, EachActionAnswersFromItsOwnMapping) {
  host.params[kWholeKey] = "23\r\n8";
  auto a = Action();
  EXPECT_EQ(a->NumerStawki(8), 1);
  host.params[kWholeKey] = "8\r\n23";
  auto b = Action();
  EXPECT_EQ(b->NumerStawki(8), 0);
  EXPECT_EQ(a->NumerStawki(8), 1);
  EXPECT_EQ(b->NumerStawki(8), 0);
}

TEST_F(SlotLookup, AMappingChangedBetweenTwoCallsGivesTheNewSlot) {
  auto a = Action();
  EXPECT_EQ(a->NumerStawki(8), 1);
  EXPECT_EQ(a->NumerStawkiPrec(800), 1);
  a->GetStawkiKolejne().SetWartosci(0, 8);
  a->GetStawkiKolejnePrec().SetWartosci(0, 800);
  EXPECT_EQ(a->NumerStawki(8), 0);
  EXPECT_EQ(a->NumerStawkiPrec(800), 0);
}

TEST_F(SlotLookup, TheLastRateAskedIsRemembered) {
  auto a = Action();
  EXPECT_EQ(a->FLastStawka, 9999);
  a->NumerStawki(5);
  a->NumerStawkiPrec(800);
  EXPECT_EQ(a->FLastStawka, 5);
  EXPECT_EQ(a->FLastStawkaPrec, 800);
}

TEST_F(SlotLookup, TheMessageComesThroughTheLanguageLink) {
  host.translations["kstools_KSAction/KSActionNumerStadesc"] = "Undefined rate %.2f%%!";
  host.translations["kstools_KSAction/KSActionNumerStawkidesc"] = "Undefined rate %d%%!";
  auto a = Action();
  try {
    a->NumerStawkiPrec(1);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Undefined rate 0.01%!");
  }
  try {
    a->NumerStawki(-4);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Undefined rate -4%!");
  }
}

TEST_F(SlotLookup, ATranslationThatIsNoSafeFormatIsNotUsedAsOne) {
  host.translations["kstools_KSAction/KSActionNumerStadesc"] = "Stawka %s nieznana";
  host.translations["kstools_KSAction/KSActionNumerStawkidesc"] = "Stawka %d%% i %d%%";
  auto a = Action();
  try {
    a->NumerStawkiPrec(1);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Niezdefiniowana stawka 0.01%");
  }
  try {
    a->NumerStawki(1);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Niezdefiniowana stawka 1%");
  }
}

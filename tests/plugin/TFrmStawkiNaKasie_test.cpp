#include "plugin/TFrmStawkiNaKasie.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "TestDriver.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TMLgExtTools.h"
#include "hostlib/TMacSetOfIntegers.h"
#include "hostlib/TxTools.h"
#include "plugin/KSAction.h"
#include "plugin/TKSStawkiKolejne.h"
#include "testutil/DecimalComma.h"

using platform::DialogResult;
using platform::RatesDialog;

namespace {

constexpr int kUnset = TKSStawkiKolejne::kNieustawiona;

TMacSetOfIntegers SetOf(const std::vector<int>& values) {
  TMacSetOfIntegers set(100);
  for (int v : values) set.Add(v);
  return set;
}

TKSStawkiKolejne MappingOf(const std::vector<int>& values) {
  TKSStawkiKolejne m;
  for (size_t i = 0; i < values.size(); ++i) m.SetWartosci(static_cast<int>(i), values[i]);
  return m;
}

std::vector<int> Slots(const TKSStawkiKolejne& m) {
  std::vector<int> out;
  for (int i = 0; i < 10; ++i) out.push_back(m.GetWartosci(i));
  return out;
}

std::vector<std::string> Labels(const RatesDialog& d) {
  std::vector<std::string> out;
  for (const auto& row : d.rows) out.push_back(row.label);
  return out;
}

std::vector<std::string> Shown(const RatesDialog& d) {
  std::vector<std::string> out;
  for (const auto& row : d.rows) {
    out.push_back(row.selected >= 0 ? row.choices[static_cast<size_t>(row.selected)] : "?");
  }
  return out;
}

// A language link answering from a table (module + "/" + key -> text).
struct Translations {
  std::map<std::string, std::string> texts;
  static int Lookup(void* context, const char* module, const char* key, const char*, char* buffer,
                    int size) {
    auto* self = static_cast<Translations*>(context);
    auto it = self->texts.find(std::string(module) + "/" + key);
    if (it == self->texts.end()) return 0;
    const std::string text = it->second.substr(0, static_cast<size_t>(size - 1));
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = '\0';
    return 1;
  }
};

}  // namespace

// --- texts of values ---

TEST(DisplayText, WholePercentIsTheRateCappedAt100) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  EXPECT_EQ(f.ToDispFormat(23), "23");
  EXPECT_EQ(f.ToDispFormat(0), "0");
  EXPECT_EQ(f.ToDispFormat(100), "100");
  EXPECT_EQ(f.ToDispFormat(150), "100");
}

TEST(DisplayText, ExemptIsZwAndUnsetIsPusta) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  EXPECT_EQ(f.ToDispFormat(-1), "zw");
  EXPECT_EQ(f.ToDispFormat(-999), "<pusta>");
  EXPECT_EQ(f.ToDispFormat(-2), "<pusta>");
  TFrmStawkiNaKasie p(nullptr, true, nullptr);
  EXPECT_EQ(p.ToDispFormat(-1), "zw");
  EXPECT_EQ(p.ToDispFormat(-999), "<pusta>");
}

TEST(DisplayText, PreciseIsPercentWithTwoDecimalsAfterAComma) {
  TFrmStawkiNaKasie f(nullptr, true, nullptr);
  EXPECT_EQ(f.ToDispFormat(2300), "23,00");
  EXPECT_EQ(f.ToDispFormat(550), "5,50");
  EXPECT_EQ(f.ToDispFormat(5), "0,05");
  EXPECT_EQ(f.ToDispFormat(0), "0,00");
  EXPECT_EQ(f.ToDispFormat(15000), "150,00");
}

TEST(DisplayText, ZwInAnyCaseWithBlanksReadsAsExempt) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  EXPECT_EQ(f.FromDispFormat("  ZW "), -1);
  EXPECT_EQ(f.FromDispFormat("Zw"), -1);
}

TEST(DisplayText, WholePercentReadsANumberRoundedToWhole) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  EXPECT_EQ(f.FromDispFormat(" 23 "), 23);
  EXPECT_EQ(f.FromDispFormat("7.6"), 8);
  EXPECT_EQ(f.FromDispFormat("7,4"), 7);
  EXPECT_EQ(f.FromDispFormat("7,5"), 8);
}

TEST(DisplayText, PreciseReadsCommaOrPointAsHundredths) {
  TFrmStawkiNaKasie f(nullptr, true, nullptr);
  EXPECT_EQ(f.FromDispFormat("23,00"), 2300);
  EXPECT_EQ(f.FromDispFormat("5.5"), 550);
  EXPECT_EQ(f.FromDispFormat("8"), 800);
  EXPECT_EQ(f.FromDispFormat("0,055"), 6);  // rounded to two places first
  EXPECT_EQ(f.FromDispFormat("0,07"), 7);
}

TEST(DisplayText, PreciseTextsReadBackToTheirValues) {
  TFrmStawkiNaKasie f(nullptr, true, nullptr);
  for (int v : {0, 1, 7, 50, 99, 550, 800, 2300, 2999, 10000}) {
    EXPECT_EQ(f.FromDispFormat(f.ToDispFormat(v)), v) << v;
  }
}

TEST(DisplayText, ATextThatIsNoNumberReadsAsUnset) {
  TFrmStawkiNaKasie f(nullptr, true, nullptr);
  EXPECT_EQ(f.FromDispFormat("<pusta>"), kUnset);
  EXPECT_EQ(f.FromDispFormat(""), kUnset);
  EXPECT_EQ(f.FromDispFormat("1e999"), kUnset);
  TFrmStawkiNaKasie w(nullptr, false, nullptr);
  EXPECT_EQ(w.FromDispFormat("99999999999"), kUnset);
}

TEST(DisplayText, AreReadAndWrittenAlikeInADecimalCommaLocale) {
  // The host may switch its process (and so the driver's C runtime) to a Polish locale.
  testutil::CLocaleAfterwards restore;
  ASSERT_NO_FATAL_FAILURE(testutil::SwitchToDecimalComma());
  TFrmStawkiNaKasie f(nullptr, true, nullptr);
  EXPECT_EQ(f.ToDispFormat(550), "5,50");
  EXPECT_EQ(f.FromDispFormat("5.5"), 550);
  EXPECT_EQ(f.FromDispFormat("5,5"), 550);
  TFrmStawkiNaKasie w(nullptr, false, nullptr);
  EXPECT_EQ(w.FromDispFormat("7.6"), 8);
}

// --- the lists ---

TEST(Lists, OfferPustaThenEveryHostRateInTheSetsOrderAndSelectPusta) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  f.SetStawkiMarket(SetOf({23, 8, 5, 0, -1}));
  ASSERT_EQ(f.Okno().rows.size(), 10u);
  for (const auto& row : f.Okno().rows) {
    EXPECT_EQ(row.choices, (std::vector<std::string>{"<pusta>", "zw", "0", "5", "8", "23"}));
    EXPECT_EQ(row.selected, 0);
  }
}

TEST(Lists, SelectTheChoiceShowingEachSlotsValue) {
  TFrmStawkiNaKasie f(nullptr, true, nullptr);
  f.SetStawkiMarket(SetOf({0, 800, 2300, -1}));
  f.SetStawkiUrzadzenia(MappingOf({2300, 800, -1, 0, 550}), true);
  EXPECT_EQ(Shown(f.Okno()),
            (std::vector<std::string>{"23,00", "8,00", "zw", "0,00", "<pusta>", "<pusta>",
                                      "<pusta>", "<pusta>", "<pusta>", "<pusta>"}));
}

TEST(Lists, AreUsableOnlyInAnEditableWindow) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  f.SetStawkiMarket(SetOf({5, 23}));
  f.SetStawkiUrzadzenia(MappingOf({23}), false);
  for (const auto& row : f.Okno().rows) EXPECT_FALSE(row.enabled);
  EXPECT_FALSE(f.Okno().okEnabled);
  f.SetStawkiUrzadzenia(MappingOf({23}), true);
  for (const auto& row : f.Okno().rows) EXPECT_TRUE(row.enabled);
  EXPECT_TRUE(f.Okno().okEnabled);
}

TEST(Lists, GiveBackTheChosenValuesAndPustaAsUnset) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  f.SetStawkiMarket(SetOf({-1, 0, 5, 8, 23}));  // <pusta> zw 0 5 8 23
  f.SetStawkiUrzadzenia(MappingOf({23, 8, 5, 0, -1}), true);
  f.Wybierz(0, 3);  // 5
  f.Wybierz(1, 0);  // <pusta>
  f.Wybierz(6, 1);  // zw
  TKSStawkiKolejne m = MappingOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  f.GetStawkiUrzadzenia(m);
  EXPECT_EQ(Slots(m), (std::vector<int>{5, kUnset, 5, 0, -1, kUnset, -1, kUnset, kUnset, kUnset}));
}

TEST(Lists, AMappingShownAndGivenBackUnchangedStaysTheSame) {
  TFrmStawkiNaKasie f(nullptr, true, nullptr);
  f.SetStawkiMarket(SetOf({-1, 0, 550, 800, 2300}));
  const TKSStawkiKolejne before = MappingOf({2300, 800, 550, 0, -1});
  f.SetStawkiUrzadzenia(before, true);
  TKSStawkiKolejne after;
  f.GetStawkiUrzadzenia(after);
  EXPECT_EQ(Slots(after), Slots(before));
}

// --- rows, labels and the extra row ---

TEST(Rows, AreLabelledOneToTenAndAllShownAtFirst) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  EXPECT_EQ(Labels(f.Okno()), (std::vector<std::string>{
                                  "1:", "2:", "3:", "4:", "5:", "6:", "7:", "8:", "9:", "10:"}));
  for (const auto& row : f.Okno().rows) EXPECT_TRUE(row.visible);
}

TEST(Rows, OnlyTheFirstNAreShown) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  f.SetIloscStawek(4);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(f.Okno().rows[static_cast<size_t>(i)].visible, i < 4);
  f.SetIloscStawek(10);
  for (const auto& row : f.Okno().rows) EXPECT_TRUE(row.visible);
}

TEST(Rows, ANumberNameNumbersTheLabelsFromIt) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  f.SetNazwaStawki("0");
  EXPECT_EQ(Labels(f.Okno()).front(), "0:");
  EXPECT_EQ(Labels(f.Okno()).back(), "9:");
  f.SetNazwaStawki("5");
  EXPECT_EQ(Labels(f.Okno()).back(), "14:");
}

TEST(Rows, ALetterNameGivesThatLetterAndTheNextOnes) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  f.SetNazwaStawki("A");
  EXPECT_EQ(Labels(f.Okno()),
            (std::vector<std::string>{"A:", "B:", "C:", "D:", "E:", "F:", "G:", "H:", "I:", "J:"}));
  f.SetNazwaStawki("-3");  // no number of 0 or more: its first character
  EXPECT_EQ(Labels(f.Okno()).front(), "-:");
}

TEST(Rows, AnEmptyNameNumbersTheLabelsFromOne) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  f.SetNazwaStawki("A");
  f.SetNazwaStawki("");
  EXPECT_EQ(Labels(f.Okno()).front(), "1:");
  EXPECT_EQ(Labels(f.Okno()).back(), "10:");
}

TEST(Rows, TheExtraRowIsHiddenAtFirst) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  EXPECT_FALSE(f.GetSpecjalnaWidoczna());
  EXPECT_FALSE(f.Okno().extraVisible);
  EXPECT_EQ(f.Okno().extraLabel, "11:");
}

TEST(Rows, TheExtraRowShowsItsTextAndValueWhenMadeVisible) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  f.StawkaSpecjalna("Zw:", -1);
  f.SetSpecjalnaWidoczna(true);
  EXPECT_TRUE(f.GetSpecjalnaWidoczna());
  EXPECT_TRUE(f.Okno().extraVisible);
  EXPECT_EQ(f.Okno().extraLabel, "Zw:");
  EXPECT_EQ(f.Okno().extraText, "zw");
  f.SetSpecjalnaWidoczna(false);
  EXPECT_FALSE(f.Okno().extraVisible);
}

TEST(Rows, MakingTheVisibleExtraRowVisibleAgainChangesNothing) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  f.StawkaSpecjalna("A:", -1);
  f.SetSpecjalnaWidoczna(true);
  f.StawkaSpecjalna("B:", 23);
  f.SetSpecjalnaWidoczna(true);
  EXPECT_EQ(f.Okno().extraLabel, "A:");
  EXPECT_EQ(f.Okno().extraText, "zw");
}

TEST(Rows, TextsComeThroughTheLanguageLink) {
  Translations t;
  t.texts = {{"kstools_fstavat/Caption", "VAT rates"},
             {"kstools_fstavat/btn_okCaption", "Okay"},
             {"kstools_fstavat/btn_cancCaption", "Cancel"},
             {"kstools_fstavat/TFrmStawSetStawkstr", "(none)"},
             {"kstools_fstavat/TFrmStawToDispForeturn", "(none)"}};
  TMLgExtTools link(&t, &Translations::Lookup);
  TFrmStawkiNaKasie f(nullptr, false, &link);
  EXPECT_EQ(f.Okno().caption, "VAT rates");
  EXPECT_EQ(f.Okno().okText, "Okay");
  EXPECT_EQ(f.Okno().cancelText, "Cancel");
  f.SetStawkiMarket(SetOf({5}));
  EXPECT_EQ(f.Okno().rows[0].choices.front(), "(none)");
  EXPECT_EQ(f.ToDispFormat(-999), "(none)");
  f.SetStawkiUrzadzenia(MappingOf({5}), true);
  EXPECT_EQ(Shown(f.Okno())[1], "(none)");
}

TEST(Rows, WithoutALinkTheTextsAreThePolishOnes) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  EXPECT_EQ(f.Okno().caption, "Stawki VAT na kasie");
  EXPECT_EQ(f.Okno().okText, "OK");
  EXPECT_EQ(f.Okno().cancelText, "Anuluj");
}

// On Windows the real seam shows a real window (scripts/show-rates-window and the rates_window
// test drive that one); elsewhere there is none.
#ifndef _WIN32
TEST(Rows, WithoutAWindowSystemNoWindowIsShown) {
  TFrmStawkiNaKasie f(nullptr, false, nullptr);
  EXPECT_EQ(f.ShowModal(), DialogResult::Unavailable);
}
#endif

// --- the window shown by the action ---

namespace {

class FourSlotAction : public KSAction {
 public:
  using KSAction::KSAction;
  std::string NazwaZasobuDzielonego() override { return "test"; }

 protected:
  int IleMaxStawekKolejnych() override { return 4; }
};

class RatesWindow : public PluginFixture {
 protected:
  void SetUp() override {
    host.vatRates = {23, 8, 5, 0, -1};  // lists: <pusta> zw 0 5 8 23
    host.params[kWholeKey] = "23\r\n8\r\n5\r\n0\r\n-1";
    Register();
    TxTools::ApplicationWindow = &hostWindow;
  }
  void TearDown() override { TxTools::ApplicationWindow = nullptr; }

  // The person chooses entry `index` in row `row` and presses OK.
  void PersonChoosesAndPressesOk(int row, int index) {
    env.onRatesDialog = [=](RatesDialog& d) {
      d.rows[static_cast<size_t>(row)].selected = index;
      return DialogResult::Ok;
    };
  }

  static constexpr const char* kWholeKey = "KS_ElzabSTX_PosortowaneStawkiVat";
  static constexpr const char* kPreciseKey = "KS_ElzabSTX_PosortowaneStawkiVatPrec";
  int hostWindow = 0;
};

}  // namespace

TEST_F(RatesWindow, IsOwnedByTheHostsWindowAndShowsTheMapping) {
  auto a = Action();
  a->WyswietlOknoStawekNaKasie("", true, "");
  ASSERT_EQ(env.ratesDialogs.size(), 1u);
  EXPECT_EQ(env.ratesDialogOwners[0], &hostWindow);
  const RatesDialog& d = env.ratesDialogs[0];
  EXPECT_EQ(d.caption, "Stawki VAT na kasie");
  EXPECT_EQ(Shown(d), (std::vector<std::string>{"23", "8", "5", "0", "zw", "<pusta>", "<pusta>",
                                                "<pusta>", "<pusta>", "<pusta>"}));
  EXPECT_EQ(Labels(d).front(), "1:");
  EXPECT_TRUE(d.okEnabled);
  EXPECT_FALSE(d.extraVisible);
}

TEST_F(RatesWindow, OkInAnEditableWindowStoresTheChosenMapping) {
  PersonChoosesAndPressesOk(0, 3);  // 5 instead of 23
  auto a = Action();
  EXPECT_TRUE(a->WyswietlOknoStawekNaKasie("1", true, ""));
  EXPECT_EQ(host.stored[kWholeKey],
            "5\r\n8\r\n5\r\n0\r\n-1\r\n-999\r\n-999\r\n-999\r\n-999\r\n-999");
  EXPECT_EQ(a->GetStawkiKolejne().GetWartosci(0), 5);
  EXPECT_EQ(a->NumerStawki(5), 0);
}

TEST_F(RatesWindow, CancelLeavesTheStoredMappingAlone) {
  env.onRatesDialog = [](RatesDialog& d) {
    d.rows[0].selected = 3;
    return DialogResult::Cancelled;
  };
  auto a = Action();
  EXPECT_FALSE(a->WyswietlOknoStawekNaKasie("1", true, ""));
  EXPECT_TRUE(host.stored.empty());
  EXPECT_EQ(a->GetStawkiKolejne().GetWartosci(0), 23);
}

TEST_F(RatesWindow, OkInAReadOnlyWindowStoresNothing) {
  PersonChoosesAndPressesOk(0, 3);
  auto a = Action();
  EXPECT_FALSE(a->WyswietlOknoStawekNaKasie("1", false, ""));
  EXPECT_FALSE(env.ratesDialogs[0].okEnabled);
  EXPECT_FALSE(env.ratesDialogs[0].rows[0].enabled);
  EXPECT_TRUE(host.stored.empty());
  EXPECT_EQ(a->GetStawkiKolejne().GetWartosci(0), 23);
}

TEST_F(RatesWindow, WhereNoWindowCanBeShownItSaysSoAsAWarningAndChangesNothing) {
  env.onRatesDialog = [](RatesDialog&) { return DialogResult::Unavailable; };
  auto a = Action();
  EXPECT_FALSE(a->WyswietlOknoStawekNaKasie("1", true, ""));
  EXPECT_TRUE(host.stored.empty());
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0],
            (testutil::HostMessage{1,
                                   "Nie można wyświetlić okna stawek VAT na kasie; "
                                   "przypisanie stawek pozostaje bez zmian"}));
}

TEST_F(RatesWindow, ThePreciseWindowShowsAndStoresHundredths) {
  host.vatRatesPrec = {2300, 800, 550, 500, 0, -1};  // <pusta> zw 0,00 5,00 5,50 8,00 23,00
  PersonChoosesAndPressesOk(1, 4);                   // 5,50 instead of 8,00
  auto a = Action();
  EXPECT_TRUE(a->WyswietlOknoStawekNaKasiePrec("1", true, ""));
  EXPECT_EQ(Shown(env.ratesDialogs[0])[0], "23,00");
  EXPECT_EQ(host.stored[kPreciseKey],
            "2300\r\n550\r\n500\r\n0\r\n-1\r\n-999\r\n-999\r\n-999\r\n-999\r\n-999");
  EXPECT_EQ(host.stored.count(kWholeKey), 0u);
}

TEST_F(RatesWindow, TheSpecialTextShowsTheExtraRowAsExempt) {
  auto a = Action();
  a->WyswietlOknoStawekNaKasie("A", true, "Zw:");
  const RatesDialog& d = env.ratesDialogs[0];
  EXPECT_TRUE(d.extraVisible);
  EXPECT_EQ(d.extraLabel, "Zw:");
  EXPECT_EQ(d.extraText, "zw");
  EXPECT_EQ(Labels(d).front(), "A:");
  EXPECT_EQ(d.extraPosition, 9);  // every row in use: over the last one
}

TEST_F(RatesWindow, ShowsOnlyTheSlotsTheRegisterHasWithTheExtraRowBelowThem) {
  FourSlotAction a(library.get(), nullptr);
  a.WyswietlOknoStawekNaKasie("1", true, "Zw:");
  const RatesDialog& d = env.ratesDialogs[0];
  for (int i = 0; i < 10; ++i) EXPECT_EQ(d.rows[static_cast<size_t>(i)].visible, i < 4) << i;
  EXPECT_EQ(d.extraPosition, 4);
  EXPECT_EQ(Shown(d)[4], "<pusta>");  // the mapping was cut to four slots
}

TEST_F(RatesWindow, StoringRefusedByTheHostRaises) {
  host.storeAnswer = false;
  PersonChoosesAndPressesOk(0, 3);
  auto a = Action();
  EXPECT_THROW(a->WyswietlOknoStawekNaKasie("1", true, ""), Exception);
}

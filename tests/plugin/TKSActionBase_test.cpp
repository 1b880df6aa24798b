#include "plugin/TKSActionBase.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "TestDriver.h"
#include "hostlib/Exceptions.h"
#include "hostlib/TdtTools.h"

using testutil::HostMessage;

namespace {

// What the host's service 33 last received.
struct GoodsFromRegister {
  HTVKCBARG1 arg1 = nullptr;
  HTVKCBARG2 arg2 = nullptr;
  std::vector<std::string> texts;
  std::vector<int> ints;
  std::vector<double> values;
};
GoodsFromRegister g_goods;

int TVKAPI TakeGoodsFromRegister(HTVKCBARG1 arg1, HTVKCBARG2 arg2, const char* text1, int int1,
                                 const char* text2, int int2, const char* text3, const char* text4,
                                 int int3, double value1, double value2, double value3,
                                 double value4, int int4, int int5, const char* text5) {
  g_goods.arg1 = arg1;
  g_goods.arg2 = arg2;
  g_goods.texts = {text1, text2, text3, text4, text5};
  g_goods.ints = {int1, int2, int3, int4, int5};
  g_goods.values = {value1, value2, value3, value4};
  return 31;
}

}  // namespace

class Frame : public PluginFixture {
 protected:
  void SetUp() override { Register(); }
};

TEST_F(Frame, MsgAddOfAnEmptyTextSendsNothingAndKeepsTheState) {
  auto a = Action();
  a->MsgAdd("Krok", LPV_Percent, 20);
  a->MsgAdd("", LPV_Ok, 5);
  ASSERT_EQ(host.messages.size(), 1u);
  a->MsgP(5);  // still the percent step with maximum 20
  EXPECT_EQ(host.messages.back().text,
            "Krok:\x01"
            "25 %");
}

TEST_F(Frame, MsgAddOfANullCharacterTextSendsNothingAndKeepsTheState) {
  auto a = Action();
  a->MsgAdd("Krok", LPV_Percent, 20);
  a->MsgAdd(static_cast<const char*>(nullptr), LPV_Ok, 5);
  ASSERT_EQ(host.messages.size(), 1u);
  a->MsgP(5);
  EXPECT_EQ(host.messages.back().text,
            "Krok:\x01"
            "25 %");
}

TEST_F(Frame, MsgAddOfACharacterTextSendsWhatTheTextFormSends) {
  auto a = Action();
  const char* text = "A\r\nB";
  a->MsgAdd(text, LPV_Value, 0);
  a->MsgAdd(std::string(text), LPV_Value, 0);
  EXPECT_EQ(host.Texts(), (std::vector<std::string>{"A\x01"
                                                    "0",
                                                    "B:\x01"
                                                    "0",
                                                    "A\x01"
                                                    "0",
                                                    "B:\x01"
                                                    "0"}));
}

TEST_F(Frame, MsgAddSplitsLinesAndPutsTheStatusOnTheLastOne) {
  auto a = Action();
  a->MsgAdd("A\r\nB", LPV_Percent, 0);
  EXPECT_EQ(host.messages, (std::vector<HostMessage>{{0, "A"},
                                                     {0,
                                                      "B:\x01"
                                                      "0 %"}}));
  a->MsgP(1);  // maximum 0 counts as 1
  EXPECT_EQ(host.messages.back().text,
            "B:\x01"
            "100 %");
}

TEST_F(Frame, ValueLinesCarryTheStatusOnEveryLine) {
  auto a = Action();
  a->MsgAdd("X\nY", LPV_Value, 100);
  EXPECT_EQ(host.Texts(), (std::vector<std::string>{"X\x01"
                                                    "0",
                                                    "Y:\x01"
                                                    "0"}));
  a->MsgP(42);
  EXPECT_EQ(host.messages.back().text,
            "Y:\x01"
            "42");
}

TEST_F(Frame, StatesGiveTheirSignificanceAndStatusColumn) {
  auto a = Action();
  a->MsgAdd("ok", LPV_Ok, 100);
  a->MsgAdd("err", LPV_Error, 100);
  a->MsgAdd("warn", LPV_Warning, 100);
  a->MsgAdd("none", LPV_None, 100);
  a->MsgAdd("odd", static_cast<LPVState>(9), 100);
  EXPECT_EQ(host.messages, (std::vector<HostMessage>{
                               {0, "ok\x01OK"}, {2, "err"}, {1, "warn"}, {0, "none"}, {0, "odd"}}));
}

TEST_F(Frame, MsgPSendsOnlyChangesAndMsgSClosesTheLineOnce) {
  auto a = Action();
  a->MsgAdd("Analiza", LPV_Percent, 20);
  size_t events = host.events.size();
  a->MsgP(5);
  a->MsgP(5);
  EXPECT_EQ(host.events.size(), events + 1);
  EXPECT_EQ(host.messages.back().text,
            "Analiza:\x01"
            "25 %");
  a->MsgS(LPV_Ok);
  a->MsgS(LPV_Ok);
  EXPECT_EQ(host.events.size(), events + 2);
  EXPECT_EQ(host.messages.back().text, "Analiza\x01OK");
  a->MsgS(LPV_Error);
  EXPECT_EQ(host.messages.back(), (HostMessage{2, "Analiza"}));
  a->MsgS(LPV_Value);
  EXPECT_EQ(host.messages.back().text,
            "Analiza:\x01"
            "5");
}

TEST_F(Frame, TheLastMessageWithoutItsStatusKeepsTheColon) {
  auto a = Action();
  a->MsgAdd("Zapis", LPV_Percent, 10);
  EXPECT_EQ(a->PodajOstatniKomunikat(true), "Zapis:");
  EXPECT_EQ(a->PodajOstatniKomunikat(false),
            "Zapis:\x01"
            "0 %");
  EXPECT_EQ(a->ZmienOstatniKomunikat(0, "nowy"),
            "Zapis:\x01"
            "0 %");
  EXPECT_EQ(a->PodajOstatniKomunikat(true), "nowy");
}

TEST_F(Frame, LongOwnParametersAreSpreadOver250CharacterParts) {
  auto a = Action();
  const std::string value = std::string(250, 'a') + std::string(250, 'b') + std::string(100, 'c');
  a->WriteLongParamEx("Dlugi", value, 3);
  EXPECT_EQ(host.stored["KS_ElzabSTX_Dlugi1"], std::string(250, 'a'));
  EXPECT_EQ(host.stored["KS_ElzabSTX_Dlugi2"], std::string(250, 'b'));
  EXPECT_EQ(host.stored["KS_ElzabSTX_Dlugi3"], std::string(100, 'c'));
  EXPECT_EQ(a->ReadLongParamEx("Dlugi", 3), value);
  a->WriteLongParamEx("Krotki", value, 2);
  EXPECT_EQ(a->ReadLongParamEx("Krotki", 2).size(), 500u);  // the last 100 are lost
  a->WriteLongParamEx("Pusty", "", 3);
  EXPECT_EQ(host.stored.count("KS_ElzabSTX_Pusty3"), 1u);
  EXPECT_EQ(host.stored["KS_ElzabSTX_Pusty1"], "");
}

TEST_F(Frame, AHostThatRefusesAnOwnParameterEndsTheOperation) {
  auto a = Action();
  host.storeAnswer = false;
  try {
    a->WriteParamEx("PosortowaneStawkiVat", "23");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(),
              "Błąd zapisu własnego parametru 'KS_ElzabSTX_PosortowaneStawkiVat' do bazy danych");
  }
}

TEST_F(Frame, IntegerAndDateParameters) {
  host.params["n"] = "  12 ";
  host.params["bad"] = "12x";
  host.params["d"] = "2026-12-08";
  host.params["d2"] = "garbage";
  auto a = Action();
  EXPECT_EQ(a->ParamAsInt("n"), 12);
  EXPECT_EQ(a->ParamAsInt("bad"), 0);
  EXPECT_EQ(a->ParamAsInt("missing"), 0);
  EXPECT_DOUBLE_EQ(a->ParamAsDate("d"), TdtTools::EncodeDate(2026, 12, 8));
  env.now = TdtTools::EncodeDate(2026, 3, 1) + 0.75;
  EXPECT_DOUBLE_EQ(a->ParamAsDate("missing"), TdtTools::EncodeDate(2026, 3, 1));
  EXPECT_THROW(a->ParamAsDate("d2"), EConvertError);
}

TEST_F(Frame, ADirectoryParameterIsCreatedAndProbedForWriting) {
  const std::string target = dir.Path() + "nowy" + platform::kPathSeparator + "podkatalog";
  host.params["Katalog"] = target;
  auto a = Action();
  EXPECT_EQ(a->ParamAsDir("Katalog"), target);
  EXPECT_TRUE(env.DirectoryExists(target));
  EXPECT_EQ(host.Texts().front(), "Katalog \"" + target + "\" nie istnieje, próba utworzenia");
  EXPECT_FALSE(env.FileExists(target + platform::kPathSeparator + "test"));
}

TEST_F(Frame, AFileCalledTestThatWasAlreadyThereIsNotDeleted) {
  testutil::WriteFile(dir.File("test"), "the user's own file");
  host.params["Katalog"] = dir.Path();
  auto a = Action();
  EXPECT_EQ(a->ParamAsDir("Katalog"), dir.Path());
  EXPECT_EQ(testutil::ReadFile(dir.File("test")), "the user's own file");
  testutil::WriteFile(dir.File("test.1"), "another");
  EXPECT_EQ(a->ParamAsDir("Katalog"), dir.Path());
  EXPECT_EQ(testutil::ReadFile(dir.File("test.1")), "another");
  EXPECT_FALSE(testutil::Exists(dir.File("test.2")));
}

TEST_F(Frame, ADirectoryThatCannotBeCreatedIsAnError) {
  testutil::WriteFile(dir.File("plik"), "x");
  host.params["Katalog"] = dir.File("plik") + platform::kPathSeparator + "pod";
  auto a = Action();
  try {
    a->ParamAsDir("Katalog");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Próba utworzenia katalogu zakończona błędem");
  }
  host.params["Pusty"] = "";
  EXPECT_THROW(a->ParamAsDir("Pusty"), Exception);
}

TEST_F(Frame, ResultsTheHostRefusesRaiseTheirTexts) {
  auto a = Action();
  host.storeAnswer = false;
  auto message = [&](auto call) {
    try {
      call();
    } catch (const Exception& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { a->ZapiszWynikEksportu(); }),
            "Błąd zapisu wyniku eksportu do bazy danych");
  EXPECT_EQ(message([&] { a->ZapiszKasaImp(); }), "Błąd zapisu importu sprzedaży do bazy danych");
  EXPECT_EQ(message([&] { a->ZapiszParagonImp(); }),
            "Błąd zapisu pojedynczego paragonu do bazy danych");
  host.storeAnswer = true;
  EXPECT_NO_THROW(a->ZapiszKasaImp());
}

TEST_F(Frame, TheSharedResourceIsAskedForEvery100MsUntilGranted) {
  auto a = Action();
  host.grantResource = false;
  env.onSleep = [&](int) {
    if (env.sleeps.size() == 3) host.grantResource = true;
  };
  a->ZajmijZasobSterownika("HeavyLoadSection");
  EXPECT_EQ(host.resourceRequests, 4);
  EXPECT_EQ(env.sleeps, (std::vector<int>{100, 100, 100}));
  EXPECT_EQ(host.abortChecks, 3);
  a->ZwolnijZasobSterownika("HeavyLoadSection");
  EXPECT_EQ(host.events.back(), "23 HeavyLoadSection");
}

TEST_F(Frame, WaitingForTheResourceEndsWhenTheHostAsksToStop) {
  auto a = Action();
  host.grantResource = false;
  host.abortAfterCalls = 2;
  EXPECT_THROW(a->ZajmijZasobSterownika("HeavyLoadSection"), EAbort);
  EXPECT_EQ(host.resourceRequests, 3);
}

// The guard gives the resource back however its scope ends, and gives back nothing it did not
// get: one not asked for, or one whose wait the host stopped.
TEST_F(Frame, TheResourceGuardGivesBackOnlyWhatItHeld) {
  auto a = Action();
  auto released = [&] {
    return std::count(host.events.begin(), host.events.end(), "23 HeavyLoadSection");
  };
  try {
    TKSActionBase::ZasobSterownika held(*a, "HeavyLoadSection");
    EXPECT_EQ(released(), 0);
    throw Exception("program failed");
  } catch (const Exception&) {
  }
  EXPECT_EQ(released(), 1);
  { TKSActionBase::ZasobSterownika notTaken(*a, "HeavyLoadSection", false); }
  EXPECT_EQ(host.resourceRequests, 1);
  host.grantResource = false;
  host.abortAfterCalls = host.abortChecks;
  EXPECT_THROW(TKSActionBase::ZasobSterownika stopped(*a, "HeavyLoadSection"), EAbort);
  EXPECT_EQ(released(), 1);
}

TEST_F(Frame, TheLastChanceHandlerReportsEachKindOfFailure) {
  auto a = Action();
  a->OstatecznePrzechwycenieBledu("eksport", nullptr);
  EAbort abort;
  a->OstatecznePrzechwycenieBledu("import sprzedaży", &abort);
  Exception plain("Coś poszło nie tak");
  a->OstatecznePrzechwycenieBledu("test połączenia", &plain);
  EMException topics(12, "Tytuł", "Opis");
  topics.AddTopic(13, "Drugi", "Opis 2");
  a->OstatecznePrzechwycenieBledu("nasłuch", &topics);
  std::runtime_error runtime("runtime");
  a->OstatecznePrzechwycenieBledu("x", &runtime);
  EXPECT_EQ(host.messages,
            (std::vector<HostMessage>{
                {2, "Podczas wykonywania operacji 'eksport' wystąpił nierozpoznawalny błąd"},
                {2, "Operacja 'import sprzedaży' została przerwana"},
                {2, "Podczas wykonywania operacji 'test połączenia' wystąpił błąd:"},
                {2, "Coś poszło nie tak"},
                {2, "Podczas wykonywania operacji 'nasłuch' wystąpił błąd:"},
                {2, "[12] Tytuł"},
                {2, "Opis"},
                {2, "[13] Drugi"},
                {2, "Opis 2"},
                {2, "Podczas wykonywania operacji 'x' wystąpił błąd:"},
                {2, "runtime"}}));
}

TEST_F(Frame, WithoutTheAbortServiceEveryCheckSaysStop) {
  library = std::unique_ptr<TKSLibrary>(TKSLibrary::RejestrujBiblioteke(&host));
  Register({6, 11, 12, 13});
  auto a = Action();
  EXPECT_TRUE(a->CzyPrzerwac());
  EXPECT_THROW(a->SprawdzCzyPrzerwac(), EAbort);
}

TEST_F(Frame, TheBaseAnswersOfAnAction) {
  auto a = Action();
  HTVKDLLSRODOWISKO environment;
  try {
    a->TKSActionBase::Operacja(&environment, -7, 0);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Urządzenie nie obsługuje zleconego typu operacji");
  }
  EXPECT_EQ(a->TKSActionBase::WlasciwosciUrzadzenia(1101), "0");
  EXPECT_EQ(a->TKSActionBase::WlasciwosciUrzadzenia(1103), "0");
  EXPECT_EQ(a->TKSActionBase::WlasciwosciUrzadzenia(1102), "");
  int x = 5;
  EXPECT_FALSE(a->TKSActionBase::JakSzukacParagonu(&x, &x, &x));
  EXPECT_EQ(x, 5);
}

TEST_F(Frame, GoodsFromTheRegisterGoToTheHostUnchanged) {
  library->RejestrujCallback(reinterpret_cast<void*>(&TakeGoodsFromRegister), 33);
  auto a = Action();
  EXPECT_EQ(a->DodajTowarZKasy(" Mleko 2% ", 12, "5900000000017 ", -3, "szt", " A", 4, 1.5, 2.25,
                               -0.1, 1e6, 5, 6, ""),
            31);
  EXPECT_EQ(g_goods.arg1, static_cast<HTVKCBARG1>(&host));
  EXPECT_EQ(g_goods.arg2, a->Arg2());
  EXPECT_EQ(g_goods.texts,
            (std::vector<std::string>{" Mleko 2% ", "5900000000017 ", "szt", " A", ""}));
  EXPECT_EQ(g_goods.ints, (std::vector<int>{12, -3, 4, 5, 6}));
  EXPECT_EQ(g_goods.values, (std::vector<double>{1.5, 2.25, -0.1, 1e6}));
}

TEST_F(Frame, GoodsFromTheRegisterWithoutTheHostsServiceAnswerMinusOne) {
  library->RejestrujCallback(nullptr, 33);
  auto a = Action();
  EXPECT_EQ(a->DodajTowarZKasy("x", 0, "", 0, "", "", 0, 0, 0, 0, 0, 0, 0, ""), -1);
}

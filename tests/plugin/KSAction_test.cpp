#include "plugin/KSAction.h"

#include <gtest/gtest.h>

#include "TestDriver.h"

using testutil::HostMessage;

class Services : public PluginFixture {
 protected:
  void SetUp() override { Register(); }
};

TEST_F(Services, ExchangeFilesAreTheHostsDirectoryAndTheName) {
  auto a = Action();
  EXPECT_EQ(a->FNameKEXP(), dir.Path() + "kasa.exp");
  EXPECT_EQ(a->FNameWEXP(), dir.Path() + "wynik.exp");
  EXPECT_EQ(a->FNameKIMP(), dir.Path() + "kasa.imp");
  EXPECT_EQ(a->FNameKARC(), dir.Path() + "arch1.imp");
  EXPECT_EQ(a->FNameLOG(), dir.Path() + "kasa.log");
  EXPECT_EQ(a->FNameIMP(), dir.Path() + "null.imp");
  EXPECT_EQ(a->FNamePAR(), dir.Path() + "paragon.imp");
}

TEST_F(Services, ProgressShowsEveryUnitAtFirstThenEveryTenthThenEveryTwentyFifth) {
  auto a = Action();
  a->MsgAdd("Analiza", LPV_Value, 250);
  host.events.clear();
  int counter = 0;
  for (int i = 0; i < 250; ++i) a->Progress(counter);
  std::vector<std::string> expected;
  for (int i = 1; i <= 30; ++i) expected.push_back("13 Analiza:\x01" + std::to_string(i));
  for (int i = 40; i <= 200; i += 10) expected.push_back("13 Analiza:\x01" + std::to_string(i));
  expected.push_back(
      "13 Analiza:\x01"
      "225");
  expected.push_back(
      "13 Analiza:\x01"
      "250");
  EXPECT_EQ(host.events, expected);
}

TEST_F(Services, WaitingForAFileThatNeverComesCountsDownAndTimesOut) {
  auto a = Action();
  a->MsgAdd("Czekam na plik", LPV_None, 100);
  host.events.clear();
  EXPECT_EQ(a->WaitForFileState(dir.File("never.out"), false, 5), -1);
  EXPECT_EQ(host.events, (std::vector<std::string>{"13 Czekam na plik\x01"
                                                   "5",
                                                   "13 Czekam na plik\x01"
                                                   "4",
                                                   "13 Czekam na plik\x01"
                                                   "3",
                                                   "13 Czekam na plik\x01"
                                                   "2",
                                                   "13 Czekam na plik\x01"
                                                   "1"}));
  EXPECT_EQ(env.sleeps.size(), 5u);
}

TEST_F(Services, AFileAlreadyInTheWantedStateEndsTheWaitAtOnce) {
  auto a = Action();
  testutil::WriteFile(dir.File("here.out"), "x");
  EXPECT_EQ(a->WaitForFileState(dir.File("here.out"), false, 5), 1);
  EXPECT_EQ(a->WaitForFileState(dir.File("gone.out"), true, 5), 1);
  EXPECT_TRUE(env.sleeps.empty());
}

TEST_F(Services, WaitingEndsWhenTheFileComesOrTheHostAsksToStop) {
  auto a = Action();
  a->MsgAdd("Czekam", LPV_None, 100);
  env.onSleep = [&](int) {
    if (env.sleeps.size() == 2) testutil::WriteFile(dir.File("late.out"), "x");
  };
  EXPECT_EQ(a->WaitForFileState(dir.File("late.out"), false, 0), 1);
  EXPECT_EQ(host.events.back(),
            "13 Czekam\x01"
            "2");  // without a limit the wait counts up
  env.onSleep = nullptr;
  host.abortAnswer = true;
  EXPECT_EQ(a->WaitForFileState(dir.File("never.out"), false, 0), 0);
}

TEST_F(Services, TwelveRejectedGoodsShowTheCountTenLinesAndTheRest) {
  auto a = Action();
  a->Fcokolwiek_eksportowano = true;
  for (int i = 1; i <= 12; ++i) a->SetErrorLog("PLU: " + std::to_string(i));
  a->warning_log.push_back("uwaga");
  a->LogujOdrzuconePrzyEksporcie();
  std::vector<HostMessage> expected = {{0,
                                        "- towary odrzucone:\x01"
                                        "12"}};
  for (int i = 1; i <= 10; ++i) expected.push_back({2, "...PLU: " + std::to_string(i)});
  expected.push_back({2, "i tak dalej..."});
  expected.push_back({0,
                      "- ostrzeżenia:\x01"
                      "1"});
  expected.push_back({1, "...uwaga"});
  EXPECT_EQ(host.messages, expected);
  EXPECT_TRUE(a->Frej_reported);
  EXPECT_TRUE(a->error_log.empty());
  const std::string log = testutil::ReadFile(dir.File("kasa.log"));
  EXPECT_EQ(log.substr(0, 82), std::string(80, '-') + "\r\n");
  EXPECT_NE(log.find("Eksport danych z dnia "), std::string::npos);
  EXPECT_NE(log.find("\n\rTowary odrzucone i ostrzeżenia:\r\nPLU: 1\r\n"), std::string::npos);
  EXPECT_EQ(log.substr(log.size() - 13), "PLU: 12\r\n\r\n\r\n");
  // Reported once per action.
  host.messages.clear();
  a->SetErrorLog("late");
  a->LogujOdrzuconePrzyEksporcie();
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(Services, NothingIsReportedWhenNothingWasExported) {
  auto a = Action();
  a->SetErrorLog("PLU: 1");
  a->LogujOdrzuconePrzyEksporcie();
  EXPECT_TRUE(host.messages.empty());
  EXPECT_TRUE(a->Frej_reported);
  EXPECT_FALSE(testutil::Exists(dir.File("kasa.log")));
}

TEST_F(Services, TheMessageBoxLogsAndAnswersTheSafeButton) {
  auto a = Action();
  EXPECT_EQ(a->MessageBoxA("Usunąć?", "Pytanie", 4), 7);
  EXPECT_EQ(a->error_log, (std::vector<std::string>{"Pytanie (Usunąć?)"}));
  EXPECT_EQ(a->MessageBoxA("t", "c", 0), 1);
  EXPECT_EQ(a->MessageBoxA("t", "c", 1), 1);
  EXPECT_EQ(a->MessageBoxA("t", "c", 2), 5);
  EXPECT_EQ(a->MessageBoxA("t", "c", 3), 2);
  EXPECT_EQ(a->MessageBoxA("t", "c", 5), 2);
  EXPECT_EQ(a->MessageBoxA("t", "c", 6), 2);
  EXPECT_EQ(a->MessageBoxA("t", "c", 0x24), 7);  // only the low four bits choose the set
  EXPECT_EQ(a->MessageBoxA("t", "c", 9), 2);
}

TEST_F(Services, LogWarningsShowsTwentyLinesAndTheRest) {
  auto a = Action();
  TErrorLog log(dir.File("errors.txt"));
  for (int i = 1; i <= 25; ++i) log.Add(i == 3 ? "" : "linia " + std::to_string(i));
  a->LogWarnings(&log, "WYSTĄPIŁY JAKIEŚ BŁĘDY, A JEST ICH ", "", LPV_Warning);
  ASSERT_EQ(host.messages.size(), 21u);  // count, 19 non-empty of the first 20, the rest
  EXPECT_EQ(host.messages[0], (HostMessage{1, "WYSTĄPIŁY JAKIEŚ BŁĘDY, A JEST ICH 25"}));
  EXPECT_EQ(host.messages[1].text, "linia 1");
  EXPECT_EQ(host.messages[3].text, "linia 4");
  EXPECT_EQ(host.messages[19].text, "linia 20");
  EXPECT_EQ(host.messages[20].text, "i tak dalej...");
  host.messages.clear();
  TErrorLog empty(dir.File("empty.txt"));
  a->LogWarnings(&empty, "x", "", LPV_Warning);
  a->LogWarnings(nullptr, "x", "", LPV_Warning);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(Services, TheErrorLogFileIsEmptiedWhenOpenedAndKeptAfterwards) {
  testutil::WriteFile(dir.File("errors.txt"), "old\r\n");
  {
    TErrorLog log(dir.File("errors.txt"));
    log.Add("PLU: 5 (brak)");
    log.Add("PLU: 6");
    EXPECT_EQ(log.GetCount(), 2);
    std::string line;
    EXPECT_FALSE(log.GetFirst(line));
    EXPECT_EQ(line, "PLU: 5 (brak)");
    EXPECT_FALSE(log.GetNext(line));
    EXPECT_TRUE(log.GetNext(line));
  }
  EXPECT_EQ(testutil::ReadFile(dir.File("errors.txt")), "PLU: 5 (brak)\r\nPLU: 6\r\n");
}

TEST_F(Services, AWarningWithoutALogGoesToTheHost) {
  auto a = Action();
  a->AddWarning("PLU: 1", nullptr);
  EXPECT_EQ(host.messages, (std::vector<HostMessage>{{1, "PLU: 1"}}));
}

// Identifying the register from OTypUrz.exe's output, and the register's shared resource.
#include <gtest/gtest.h>

#include "hostlib/Exceptions.h"
#include "testutil/DriverFixture.h"

using testutil::ProgramFixture;

class Identification : public ProgramFixture {
 protected:
  static std::string Line(const std::string& model, const std::string& plu) {
    return "OTypUrz\r\n\r\n\r\n$\t1\tx\t" + model + "\t" + plu + "\t3\t1.04\r\n";
  }
};

TEST_F(Identification, TheConnectionTestShowsTheRegistersDetails) {
  ProgramWritesOutput(Line("Sigma", "50000"));
  action->TestConnection();
  EXPECT_EQ(host.Texts(),
            (std::vector<std::string>{
                "Odczyt typu kasy ...\x01OK", "Numer urządzenia: 1", "Model kasy: Sigma",
                "Maksymalna ilość PLU w kasie: 50000", "Numer generacji kasy: 3",
                "Numer wersji programu kasy: 1.04",
                "Rozpoznano model: Sigma [ Ilość PLU:50000 | Długość nazwy towaru:48 ]"}));
  EXPECT_EQ(action->Register().cfgType(), t_Sigma);
  EXPECT_EQ(action->Register().cfgPLUMax(), 50000);
  EXPECT_EQ(action->Register().cfgNameMax(), 48);
  EXPECT_FALSE(testutil::Exists(dir.File("otypurz.in")));
  EXPECT_FALSE(testutil::Exists(dir.File("otypurz.out")));
}

TEST_F(Identification, ModelsAreRecognisedWithoutRegardToCase) {
  const std::vector<std::tuple<std::string, e_Type, std::string>> cases = {
      {"elzab k10 online", t_K10_Online, "K10 ONLINE"},
      {"K10", t_K10, "K10"},
      {"Mini online", t_Mini_Online, "Mini ONLINE"},
      {"JOTA ONLINE", t_Jota_Online, "Jota ONLINE"},
      {"Sigma II", t_Sigma, "Sigma"},
      {"Mini", t_Default, "<nie rozpoznano>"},
      {"Jota", t_Default, "<nie rozpoznano>"},
      {"Delta", t_Default, "<nie rozpoznano>"},
  };
  for (const auto& [model, type, shown] : cases) {
    host.messages.clear();
    ProgramWritesOutput(Line(model, "4000"));
    action->Register().CheckType(true);
    EXPECT_EQ(action->Register().cfgType(), type) << model;
    EXPECT_EQ(action->Register().cfgNameMax(), type == t_Sigma ? 48 : 40) << model;
    EXPECT_EQ(host.messages.back().text, "Rozpoznano model: " + shown +
                                             " [ Ilość PLU:4000 | Długość nazwy towaru:" +
                                             (type == t_Sigma ? "48" : "40") + " ]");
    EXPECT_EQ(host.messages[2].text, "Model kasy: " + model);
  }
}

TEST_F(Identification, AnUnreadableCapacityMeans10000) {
  for (const char* plu : {"", "dużo", "12a"}) {
    ProgramWritesOutput(Line("K10", plu));
    action->Register().CheckType(false);
    EXPECT_EQ(action->Register().cfgPLUMax(), 10000) << plu;
  }
}

TEST_F(Identification, WithoutPrintOnlyTheFirstLineIsShown) {
  ProgramWritesOutput(Line("K10", "4000"));
  action->Register().CheckType(false);
  EXPECT_EQ(host.Texts(), (std::vector<std::string>{"Odczyt typu kasy ...\x01OK"}));
  EXPECT_EQ(action->Register().cfgPLUMax(), 4000);
}

TEST_F(Identification, AShortOutputMeansAnUnknownModel) {
  ProgramWritesOutput("OTypUrz\r\n$\t1\r\n");
  action->Register().CheckType(false);
  EXPECT_EQ(action->Register().cfgType(), t_Default);
  EXPECT_EQ(action->Register().cfgPLUMax(), 10000);
  EXPECT_EQ(action->Register().cfgNameMax(), 40);
  EXPECT_FALSE(testutil::Exists(dir.File("otypurz.out")));
}

// An identification cut short, or whose register number is no number (a garbled digit), is
// not what the register wrote: a model and capacity guessed from it would decide what the
// export sends and which programs the import runs.
TEST_F(Identification, ACutShortOrGarbledIdentificationIsAnError) {
  const std::string out = dir.File("otypurz.out");
  const std::pair<std::string, std::string> cases[] = {
      {"#1\r\n#\r\n#\r\n$1\t1\tX\tSig", "plik urwany, ostatni wiersz niepełny"},
      {"#B\r\n#\r\n#\r\n$B\tB\tX\tKBA\tCAAA\tD\tA.AB\r\n", "nieczytelny wiersz 4"},
  };
  for (const auto& [text, detail] : cases) {
    ProgramWritesOutput(text);
    try {
      action->Register().CheckType(true);
      ADD_FAILURE() << text;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Błąd odczytu pliku raportu " + out + " " + detail);
    }
    EXPECT_FALSE(testutil::Exists(out));
  }
}

TEST_F(Identification, AMissingOutputIsAnErrorAndTheWorkingFilesGo) {
  env.onRun = [](const platform::FakeEnv::Run&) {
    platform::RunResult r;
    r.started = true;
    return r;
  };
  try {
    action->Register().CheckType(true);
    FAIL();
  } catch (const Exception& e) {
    const std::string out = dir.File("otypurz.out");
    EXPECT_EQ(e.Message().rfind("Błąd odczytu pliku raportu " + out + " ", 0), 0u) << e.Message();
  }
  EXPECT_FALSE(testutil::Exists(dir.File("otypurz.in")));
}

TEST_F(Identification, AFailedRunEndsBeforeAnyDetail) {
  env.onRun = [this](const platform::FakeEnv::Run&) {
    testutil::WriteFile(dir.File("RAPORT.TXT"), "x\r\n$21;\r\n");
    platform::RunResult r;
    r.started = true;
    r.exitCode = 1;
    return r;
  };
  EXPECT_THROW(action->Register().CheckType(true), Exception);
  EXPECT_EQ(host.Texts(), (std::vector<std::string>{"Odczyt typu kasy ..."}));
}

TEST_F(Identification, TheSharedResourceNameFollowsThePort) {
  EXPECT_EQ(action->NazwaZasobuDzielonego(), "COM1");
  host.params["ElzabSTXPort"] = "PLIK";
  EXPECT_EQ(action->NazwaZasobuDzielonego(), "");
  host.params["ElzabSTXPort"] = "LAN";
  host.params["ElzabSTXIPAddr"] = "10.0.0.5";
  host.params["ElzabSTXIPPort"] = "1001";
  EXPECT_EQ(action->NazwaZasobuDzielonego(), "10.0.0.5:1001");
  EXPECT_EQ(action->WlasciwosciUrzadzenia(1102), "10.0.0.5:1001");
  EXPECT_EQ(action->WlasciwosciUrzadzenia(1101), "0");
  EXPECT_EQ(action->WlasciwosciUrzadzenia(1103), "1");
  EXPECT_EQ(action->WlasciwosciUrzadzenia(1104), "-1");
  EXPECT_EQ(action->WlasciwosciUrzadzenia(1105), "");
}

TEST_F(Identification, TheHostIsToldHowToFindAReceipt) {
  host.params["ElzabSTXReportNo"] = "12";
  host.params["ElzabSTXReceiptNo"] = "345";
  int report = 0, second = 0, receipt = 0;
  EXPECT_TRUE(action->JakSzukacParagonu(&report, &second, &receipt));
  EXPECT_EQ(report, 12);
  EXPECT_EQ(second, -1);
  EXPECT_EQ(receipt, 345);
}

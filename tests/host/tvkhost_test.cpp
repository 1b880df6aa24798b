// tvkhost run as a process against a stand-in driver that reports what the host served it.
#include <atomic>
#include <filesystem>
#include <regex>
#include <thread>

#include "HostProcess.h"

namespace tvkhost {
namespace {

// Two goods to add, one price change and a goods' additional line.
constexpr char kExportFile[] =
    "VAT;23\r\n"
    "PLU;1;0;5900000000011;Chleb;649;590;649;649;23;0;F;0;F;F;F;0;;1;DOD\r\n"
    "PLU;1;1;5900000000998;Chleb;649;590;649;649;23;0;F;0;F;F;F;0;;1;DOD\r\n"
    "PLU;2;0;5900000000028;Bułka;79;70;79;79;23;0;F;0;F;F;F;0;;1;DOD\r\n"
    "PLU;3;0;5900000000035;Mleko;349;300;349;349;23;0;F;0;F;F;F;0;;1;CEN\r\n";

class TvkhostTest : public ::testing::Test {
 protected:
  void WriteConfig(const std::string& extra) {
    testutil::WriteFile(config_,
                        "; the shop's only register\r\n[Kasa1]\r\nId = 1\r\nNumber = 1\r\n"
                        "DeviceName = Kasa 1\r\nExchangeDir = ex\r\nVatRates = 23;8;0\r\n"
                        "ElzabSTXPort = COM3\r\n" +
                            extra);
  }
  // A small export file in the exchange directory `dir` (relative to the configuration).
  void WriteExportFile(const std::string& dir) {
    ASSERT_TRUE(platform::Env::Default()->MakeDirectories(dir_.File(dir)));
    testutil::WriteFile(dir_.File(dir + "/kasa.exp"), kExportFile);
  }
  HostRun Run(std::vector<std::string> args, const std::string& lib = "tvkhost_fake_driver") {
    std::vector<std::string> full = {"--config",       config_, "--lib",
                                     LibraryFile(lib), "--out", dir_.File("out")};
    full.insert(full.end(), args.begin(), args.end());
    return RunHost(full, dir_.Path(), dir_.File("log.txt"));
  }
  std::vector<std::string> Stored(const std::string& prefix) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir_.File("out"), ec)) {
      std::string name = e.path().filename().string();
      if (name.compare(0, prefix.size(), prefix) == 0) files.push_back(e.path().string());
    }
    return files;
  }

  testutil::TempDir dir_{"tvkhost"};
  std::string config_ = dir_.File("tvkhost.ini");
};

TEST_F(TvkhostTest, TestShowsTheDriversLinesWithParametersFromTheFileAndDefaults) {
  WriteConfig("Poziom = hurtowa\r\n");
  HostRun run = Run({"test"});
  EXPECT_EQ(run.exitCode, 0) << run.log;
  // A list parameter written as its text reaches the driver as its index; an unset one comes
  // from the driver's own default.
  EXPECT_TRUE(HasLine(run.log, "Port: COM3, poziom: 1, doklej: 0")) << run.log;
  EXPECT_NE(run.log.find(MessageRenderer::Layout(0, "Odczyt typu kasy ...\x01OK", 80)),
            std::string::npos)
      << run.log;
  // Progress is logged once, in its final form.
  EXPECT_NE(run.log.find("100 %"), std::string::npos);
  EXPECT_EQ(run.log.find("50 %"), std::string::npos);
  EXPECT_TRUE(HasLine(run.log, "tvkhost: connection test succeeded: no error lines (result 0)"))
      << run.log;
}

// A misspelt key would be passed over in silence and a list value outside the choices reach
// the driver as written: both are refused before anything runs, naming what they may be.
TEST_F(TvkhostTest, AKeyThatIsNoParameterAndAValueOutsideItsTypeAreRefused) {
  const struct {
    const char* line;
    const char* refusal;
  } cases[] = {
      {"ElzabSTXPortt = COM1\r\n",
       "ElzabSTXPortt is no parameter of the driver; did you mean ElzabSTXPort (\"Złącze\")? "
       "(tvkhost params lists them all)"},
      {"Cokolwiek = 1\r\n",
       "Cokolwiek is no parameter of the driver (tvkhost params lists them all)"},
      {"Poziom = 2\r\n",
       "Poziom = 2 is none of its choices: 0 \"detaliczna\", 1 \"hurtowa\" (give the number or "
       "the text)"},
      {"Numer = 1\r\n",
       "Numer is no parameter of the driver; did you mean Number (a key of tvkhost's own)? "
       "(tvkhost params lists them all)"},
      {"Doklej = 3s\r\n",
       "Doklej = 3s is no whole number (the driver would read 0); give digits only, e.g. its "
       "default 0"},
      {"Poziom = półhurtowa\r\n",
       "Poziom = półhurtowa is none of its choices: 0 \"detaliczna\", 1 \"hurtowa\" (give the "
       "number or the text)"},
  };
  for (const auto& c : cases) {
    WriteConfig(c.line);
    HostRun run = Run({"test"});
    EXPECT_EQ(run.exitCode, 2) << run.log;
    EXPECT_NE(run.log.find("[Kasa1] in " + config_ + ": " + c.refusal), std::string::npos)
        << run.log;
    EXPECT_EQ(run.log.find("Port: COM"), std::string::npos) << run.log;  // nothing ran
  }
  // The driver's own stored values and the list's texts in any case are no mistake.
  WriteConfig("Poziom = HURTOWA\r\nKS_Fake_PosortowaneStawkiVat = 23\r\nDoklej = -1\r\n");
  EXPECT_EQ(Run({"test"}).exitCode, 0);
}

TEST_F(TvkhostTest, AnOperationWithErrorLinesExitsNonZeroAndShowsThem) {
  WriteConfig("FakeFail = 1\r\n");
  HostRun run = Run({"test"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(HasLine(run.log, "E Podczas wykonywania operacji 'test połączenia' wystąpił błąd:"))
      << run.log;
  EXPECT_TRUE(HasLine(run.log, "E Błąd [7]: Brak odpowiedzi")) << run.log;
  // A failed operation is called failed, whatever result code the driver gave.
  EXPECT_TRUE(HasLine(run.log,
                      "tvkhost: connection test FAILED: 2 error lines (result 0, exit "
                      "code 1)"))
      << run.log;
}

TEST_F(TvkhostTest, AnUnsupportedOperationCodeIsPassedOnAndItsRefusalShown) {
  WriteConfig("");
  HostRun run = Run({"op", "-7"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(HasLine(run.log, "E Urządzenie nie obsługuje zleconego typu operacji")) << run.log;
}

TEST_F(TvkhostTest, TheExportResultIsCopiedToTheOutputFolderAndCounted) {
  WriteConfig("");
  WriteExportFile("ex");
  HostRun run = Run({"export"});
  EXPECT_EQ(run.exitCode, 0) << run.log;
  std::vector<std::string> files = Stored("wynik-");
  ASSERT_EQ(files.size(), 1u) << run.log;
  EXPECT_EQ(testutil::ReadFile(files[0]), testutil::ReadFile(dir_.File("ex/wynik.exp")));
  EXPECT_NE(run.log.find("2 goods accepted"), std::string::npos) << run.log;
}

// A shop's folders named in Polish, typed on the command line and in a configuration saved
// as UTF-8: tvkhost and the driver find the configuration, the exchange directory and the
// export file, store the result there and name them in good Polish on the screen.
TEST_F(TvkhostTest, FoldersNamedInPolishAreFoundAndShown) {
  const std::string shop = dir_.File("Sklep Łódź");
  ASSERT_TRUE(platform::Env::Default()->MakeDirectories(shop + "/wymiana ż"));
  testutil::WriteFile(shop + "/tvkhost.ini",
                      Cp1250ToUtf8("[Kasa1]\r\nId = 1\r\nNumber = 1\r\nDeviceName = Kasa 1\r\n"
                                   "ExchangeDir = wymiana ż\r\nVatRates = 23;8;0\r\n"
                                   "ElzabSTXPort = COM3\r\n"));
  testutil::WriteFile(shop + "/towary ś.exp", kExportFile);
  const std::string out = shop + "/wyniki ń";
  HostRun run =
      RunHost({"--config", shop + "/tvkhost.ini", "--lib", LibraryFile("tvkhost_fake_driver"),
               "--out", out, "export", "--file", shop + "/towary ś.exp"},
              dir_.Path(), dir_.File("log.txt"));
  EXPECT_EQ(run.exitCode, 0) << run.log;
  EXPECT_EQ(testutil::ReadFile(shop + "/wymiana ż/kasa.exp"), kExportFile);
  EXPECT_TRUE(HasLine(run.log, "additions/updates  2 in the file, 2 sent - done")) << run.log;
  // The log is UTF-8: the result's path shows its Polish letters as they are.
  const std::string raw = testutil::ReadFile(dir_.File("log.txt"));
  EXPECT_NE(
      raw.find(Cp1250ToUtf8("result             " + out + platform::kPathSeparator + "wynik-")),
      std::string::npos)
      << raw;
  EXPECT_TRUE(platform::Env::Default()->DirectoryExists(out));
}

TEST_F(TvkhostTest, TheExportFileNamedOnTheCommandLineIsCopiedInAndSummarised) {
  WriteConfig("");
  testutil::WriteFile(dir_.File("towary.exp"), kExportFile);
  HostRun run = Run({"export", "--file", dir_.File("towary.exp")});
  EXPECT_EQ(run.exitCode, 0) << run.log;
  EXPECT_EQ(testutil::ReadFile(dir_.File("ex/kasa.exp")), kExportFile);
  ASSERT_EQ(Stored("wynik-").size(), 1u) << run.log;
  EXPECT_TRUE(HasLine(run.log, "tvkhost: export summary")) << run.log;
  EXPECT_TRUE(HasLine(run.log, "additions/updates  2 in the file, 2 sent - done")) << run.log;
  EXPECT_TRUE(HasLine(run.log, "price changes      1 in the file, 1 sent - done")) << run.log;
  EXPECT_TRUE(HasLine(run.log, "result             " + Stored("wynik-")[0] +
                                   ": 2 goods accepted (2 added or updated, 0 price changes, "
                                   "0 deleted)"))
      << run.log;
}

TEST_F(TvkhostTest, AnExportWithoutAnExportFileSaysSoAndLeavesTheDriverAlone) {
  WriteConfig("");
  HostRun none = Run({"export"});
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_TRUE(HasLine(none.log, "tvkhost: no export file: " + dir_.File("ex") +
                                    platform::kPathSeparator +
                                    "kasa.exp does not exist (name one with --file PATH)"))
      << none.log;
  EXPECT_FALSE(testutil::Exists(dir_.File("ex/wynik.exp")));

  HostRun missing = Run({"export", "--file", dir_.File("brak.exp")});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_TRUE(HasLine(missing.log, "tvkhost: cannot read the export file " + dir_.File("brak.exp") +
                                       ": nie ma takiego pliku (kod 2)"))
      << missing.log;
  EXPECT_FALSE(testutil::Exists(dir_.File("ex/wynik.exp")));
  // An exchange directory that cannot be made (a file holds its name) is named with the reason.
  testutil::WriteFile(dir_.File("plik"), "");
  WriteConfig("");
  std::string ini = testutil::ReadFile(config_);
  ASSERT_NE(ini.find("ExchangeDir = ex"), std::string::npos) << ini;
  ini.replace(ini.find("ExchangeDir = ex"), 16, "ExchangeDir = plik/ex");
  testutil::WriteFile(config_, ini);
  testutil::WriteFile(dir_.File("towary.exp"), kExportFile);
  HostRun blocked = Run({"export", "--file", dir_.File("towary.exp")});
  EXPECT_EQ(blocked.exitCode, 2);
  EXPECT_NE(blocked.log.find("tvkhost: cannot copy the export file to "), std::string::npos)
      << blocked.log;
  EXPECT_NE(blocked.log.find("kasa.exp: "), std::string::npos) << blocked.log;

  // The option belongs to the export alone.
  HostRun other = Run({"test", "--file", dir_.File("brak.exp")});
  EXPECT_EQ(other.exitCode, 2);
}

TEST_F(TvkhostTest, TheImportIsCopiedAndItsSalesValueShown) {
  WriteConfig("");
  HostRun run = Run({"import"});
  EXPECT_EQ(run.exitCode, 0) << run.log;
  ASSERT_EQ(Stored("kasa-").size(), 1u) << run.log;
  EXPECT_NE(run.log.find("2 goods lines, sales value 16.47 zł"), std::string::npos) << run.log;
  // The date of an import left open is today's.
  EXPECT_TRUE(std::regex_search(run.log, std::regex("Data: \\d{4}-\\d\\d-\\d\\d"))) << run.log;
}

TEST_F(TvkhostTest, AStoreThatFailsIsAnsweredFalse) {
  WriteConfig("");
  WriteExportFile("ex");
  testutil::WriteFile(dir_.File("out"), "a file where the folder should be");
  HostRun run = Run({"export"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(HasLine(run.log, "E Błąd zapisu wyniku eksportu do bazy danych")) << run.log;
}

TEST_F(TvkhostTest, AnOwnParameterIsStoredInTheFileWhichKeepsTheRest) {
  WriteConfig("");
  std::string before = testutil::ReadFile(config_);
  HostRun run = Run({"op", "-8", "5"});
  EXPECT_EQ(run.exitCode, 0) << run.log;
  EXPECT_TRUE(HasLine(run.log, "Zapisano i odczytano")) << run.log;
  EXPECT_EQ(testutil::ReadFile(config_),
            before + "KS_Fake_PosortowaneStawkiVat = \"23\\r\\n8\\r\\n5\"\r\n");
  // Precise rates come from the whole ones when the file gives no others.
  EXPECT_TRUE(HasLine(run.log, "Stawki: 2300;800;0;")) << run.log;
}

TEST_F(TvkhostTest, TheLanguageLinkAnswersFromTheTranslationFile) {
  WriteConfig("");
  testutil::WriteFile(dir_.File("pl.txt"),
                      "# tests\nfake\tOdczyt\tCzytam typ kasy \xE2\x80\x93 chwila\n");
  HostRun run = Run({"--lang", dir_.File("pl.txt"), "test"});
  EXPECT_EQ(run.exitCode, 0) << run.log;
  EXPECT_NE(run.log.find("Czytam typ kasy \x96 chwila"), std::string::npos) << run.log;
}

TEST_F(TvkhostTest, BadInputEndsWithOneLineAndExitCodeTwo) {
  HostRun missing = Run({"test"});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.log.find("cannot read the configuration file"), std::string::npos);

  WriteConfig("");
  HostRun device = Run({"--device", "Kasa9", "test"});
  EXPECT_EQ(device.exitCode, 2);
  EXPECT_NE(device.log.find("no device \"Kasa9\""), std::string::npos) << device.log;

  HostRun noLib = Run({"test"}, "no_such_driver");
  EXPECT_EQ(noLib.exitCode, 2);
  EXPECT_NE(noLib.log.find("cannot load the driver"), std::string::npos) << noLib.log;

  HostRun incomplete = Run({"test"}, "tvkhost_fake_driver_incomplete");
  EXPECT_EQ(incomplete.exitCode, 2);
  EXPECT_NE(incomplete.log.find("lacks the export TVKDLLSerKasPokazOkno"), std::string::npos)
      << incomplete.log;

  HostRun usage = Run({"frobnicate"});
  EXPECT_EQ(usage.exitCode, 2);
}

// Two tvkhost processes on one machine share the driver's resource: the second waits for it
// while the first holds it, and their guarded runs never overlap.
TEST_F(TvkhostTest, TwoProcessesTakeTheSharedResourceInTurn) {
  std::string runLog = dir_.File("runs.txt");
  std::string release = dir_.File("release");
  auto config = [&](const std::string& name, const std::string& hold) {
    std::string path = dir_.File(name + ".ini");
    testutil::WriteFile(path, "[K]\r\nExchangeDir = ex-" + name + "\r\nFakeName = " + name +
                                  "\r\nFakeRunLog = " + runLog + "\r\nFakeHoldUntil = " + hold +
                                  "\r\n");
    return path;
  };
  std::string configA = config("A", release);
  std::string configB = config("B", "");
  WriteExportFile("ex-A");
  WriteExportFile("ex-B");
  auto run = [&](const std::string& cfg, const std::string& log, HostRun* out) {
    *out = RunHost({"--config", cfg, "--lib", LibraryFile("tvkhost_fake_driver"), "--out",
                    dir_.File("out"), "export"},
                   dir_.Path(), log);
  };
  auto waitFor = [&](const std::string& path, const std::string& text) {
    for (int i = 0; i < 3000; ++i) {  // up to a minute: Wine starts processes slowly
      if (testutil::ReadFile(path).find(text) != std::string::npos) return true;
      platform::Env::Default()->SleepMs(20);
    }
    return false;
  };
  HostRun a, b;
  std::thread first(run, configA, dir_.File("a.log"), &a);
  bool aHolds = waitFor(runLog, "begin A");
  std::thread second(run, configB, dir_.File("b.log"), &b);
  bool bWaits = waitFor(dir_.File("b.log"), "waiting for the shared resource");
  testutil::WriteFile(release, "");
  first.join();
  second.join();
  ASSERT_TRUE(aHolds) << a.log;
  EXPECT_TRUE(bWaits) << b.log;
  EXPECT_EQ(a.exitCode, 0) << a.log;
  EXPECT_EQ(b.exitCode, 0) << b.log;
  EXPECT_EQ(testutil::ReadFile(runLog), "begin A\nend A\nbegin B\nend B\n");
}

}  // namespace
}  // namespace tvkhost

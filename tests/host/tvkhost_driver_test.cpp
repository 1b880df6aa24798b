// tvkhost run as a process against the real driver and the register simulator's programs.
#include <filesystem>
#include <thread>
#include <utility>

#include "HostProcess.h"
#include "host/Host.h"
#include "host/ImportReport.h"
#include "testutil/ImportBooks.h"
#include "trelvax_version.h"

namespace tvkhost {
namespace {

#ifdef TVKHOST_TEST_DRIVER
constexpr bool kHaveDriver = true;
#else
constexpr bool kHaveDriver = false;
#endif
#ifdef TVKHOST_TEST_SIM
constexpr bool kHaveSim = true;
#else
constexpr bool kHaveSim = false;
#endif

std::string DriverLibrary() {
  return LibraryFile(IsWindowsProgram() ? "trelvax" : "libtrelvax");
}

std::string SimDir() {
  return BinFile("elzab");
}

// What a technician checks first: which tvkhost and which driver are installed. The driver's
// version is read from its file (the version resource on Windows), not from the build.
TEST(TvkhostWithDriver, VersionNamesTvkhostsAndTheDriversVersionAndRevision) {
  if (!kHaveDriver) GTEST_SKIP() << "the driver is not built";
  testutil::TempDir dir("tvkver");
  const std::string same = std::string(TRELVAX_VERSION) + " (revision " + TRELVAX_REVISION + ")";
  HostRun run = RunHost({"--lib", DriverLibrary(), "--version"}, dir.Path(), dir.File("log.txt"));
  EXPECT_EQ(run.exitCode, 0) << run.log;
  EXPECT_NE(run.log.find("tvkhost " + same + "\n"), std::string::npos) << run.log;
  EXPECT_NE(run.log.find("driver  " + DriverLibrary() + " " + same + "\n"), std::string::npos)
      << run.log;
  // A library without a version (the stand-in driver) is named as such.
  HostRun other = RunHost({"--lib", LibraryFile("tvkhost_fake_driver"), "--version"}, dir.Path(),
                          dir.File("other.txt"));
  EXPECT_EQ(other.exitCode, 2) << other.log;
  EXPECT_NE(other.log.find("carries no version"), std::string::npos) << other.log;
  // A library in a folder named in Polish is found, and its path shown in UTF-8.
  const std::string polish = dir.File("Sterownik ł");
  ASSERT_TRUE(platform::Env::Default()->MakeDirectories(polish));
  const std::string copy = testutil::Join(polish, platform::FileNameOf(DriverLibrary()));
  testutil::WriteFile(copy, testutil::ReadFile(DriverLibrary()));
  HostRun moved = RunHost({"--lib", copy, "--version"}, dir.Path(), dir.File("moved.txt"));
  EXPECT_EQ(moved.exitCode, 0) << moved.log;
  EXPECT_NE(testutil::ReadFile(dir.File("moved.txt")).find(Cp1250ToUtf8("driver  " + copy + " ")),
            std::string::npos)
      << moved.log;
}

TEST(TvkhostWithDriver, ParamsListsThePortWithItsElevenListTexts) {
  if (!kHaveDriver) GTEST_SKIP() << "the driver library is not part of this build";
  testutil::TempDir dir("tvkparams");
  HostRun run = RunHost({"--config", dir.File("none.ini"), "--lib", DriverLibrary(), "params"},
                        dir.Path(), dir.File("log.txt"));
  EXPECT_EQ(run.exitCode, 0) << run.log;
  EXPECT_NE(run.log.find("ElzabSTXPort  (port, default \"PLIK\")\n      Złącze\n"),
            std::string::npos)
      << run.log;
  EXPECT_NE(
      run.log.find("choices: 0 \"PLIK\", 1 \"COM1\", 2 \"COM2\", 3 \"COM3\", 4 \"COM4\", "
                   "5 \"COM5\", 6 \"COM6\", 7 \"COM7\", 8 \"COM8\", 9 \"COM9\", 10 \"LAN\"\n"),
      std::string::npos)
      << run.log;
}

// A register on COM1 in a private simulator state, and configurations of devices on it.
class TvkhostWithSimulator : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!kHaveDriver || !kHaveSim) GTEST_SKIP() << "the driver or the simulator is not built";
    platform::SetEnvironmentValue("ELZABSIM_STATE", state_);
    ASSERT_TRUE(
        Ecrsim({"create", "--port", "COM1", "--model", "Sigma", "--device", "1", "--plu", "4000"}));
  }
  void TearDown() override { platform::SetEnvironmentValue("ELZABSIM_STATE", ""); }

  bool Ecrsim(std::vector<std::string> args) {
    args.insert(args.begin(), {"--state", state_});
    std::string ecrsim = testutil::Join(SimDir(), IsWindowsProgram() ? "ecrsim.exe" : "ecrsim");
    platform::RunResult r = platform::Env::Default()->RunProgram(ecrsim, args, dir_.Path());
    return r.started && r.exitCode == 0;
  }
  std::string Config(const std::string& name) {
    std::string path = dir_.File(name + ".ini");
    testutil::WriteFile(path, "[" + name + "]\r\nId = 1\r\nNumber = 1\r\nExchangeDir = ex-" + name +
                                  "\r\nElzabSTXPort = COM1\r\nElzabSTXExePath = " + SimDir() +
                                  platform::kPathSeparator + "\r\nElzabSTXProtectExe = 1\r\n");
    return path;
  }
  HostRun Test(const std::string& config, const std::string& log) {
    return RunHost({"--config", config, "--lib", DriverLibrary(), "test"}, dir_.Path(), log);
  }

  testutil::TempDir dir_{"tvksim"};
  std::string state_ = dir_.File("state");
};

TEST_F(TvkhostWithSimulator, TestRecognisesTheModel) {
  HostRun run = Test(Config("Kasa1"), dir_.File("log.txt"));
  EXPECT_EQ(run.exitCode, 0) << run.log;
  EXPECT_TRUE(
      HasLine(run.log, "Rozpoznano model: Sigma [ Ilość PLU:4000 | Długość nazwy towaru:48 ]"))
      << run.log;
}

TEST_F(TvkhostWithSimulator, TestAgainstAFailingProgramExitsNonZeroWithTheDriversErrorLines) {
  ASSERT_TRUE(Ecrsim({"fault", "--port", "COM1", "--program", "OTypUrz.exe", "--code", "7",
                      "--desc", "Brak odpowiedzi z kasy"}));
  HostRun run = Test(Config("Kasa1"), dir_.File("log.txt"));
  EXPECT_EQ(run.exitCode, 1) << run.log;
  EXPECT_TRUE(HasLine(run.log, "E Podczas wykonywania operacji 'test połączenia' wystąpił błąd:"))
      << run.log;
  EXPECT_TRUE(HasLine(run.log, "E Błąd [7]: Brak odpowiedzi z kasy")) << run.log;
}

// Goods lines as Torvik writes them: PLU, ordinal 0, barcode, name, prices, VAT, unit, ...
std::string Goods(int plu, const std::string& name, int vat) {
  std::string p = std::to_string(plu);
  return "PLU;" + p + ";0;59000000000" + (plu < 10 ? "0" : "") + p + ";" + name + ";" +
         std::to_string(100 * plu + 49) + ";100;100;100;" + std::to_string(vat) +
         ";0;F;0;F;F;F;0;;1;DOD\r\n";
}

TEST_F(TvkhostWithSimulator, ExportSummarisesTheBatchesAndNamesTheGoodsNotTaken) {
  std::string file = dir_.File("towary.exp");
  testutil::WriteFile(file, "VAT;23\r\nVAT;8\r\nJM;0;0;szt.\r\n" + Goods(1, "Chleb żytni", 23) +
                                Goods(2, "Bułka", 8) + Goods(3, "Rogal", 7) +
                                Goods(4, "Mleko", 23));
  ASSERT_TRUE(Ecrsim(
      {"fault", "--port", "COM1", "--program", "ZBPTowar.exe", "--reject", "4:120", "--once"}));
  std::string config = Config("Kasa1");
  HostRun refused = RunHost({"--config", config, "--lib", DriverLibrary(), "--out",
                             dir_.File("out"), "export", "--file", file},
                            dir_.Path(), dir_.File("refused.log"));
  EXPECT_EQ(refused.exitCode, 1) << refused.log;
  EXPECT_TRUE(HasLine(refused.log,
                      "additions/updates  4 in the file, 1 withdrawn, 3 sent, 1 refused - FAILED"))
      << refused.log;
  EXPECT_TRUE(HasLine(refused.log, "withdrawn by the driver, not sent (1):")) << refused.log;
  EXPECT_TRUE(HasLine(refused.log, "PLU: 3; KOD: 5900000000003 Brak stawki 7 % na kasie"))
      << refused.log;
  EXPECT_TRUE(HasLine(refused.log, "refused by the register (1):")) << refused.log;
  EXPECT_NE(refused.log.find("\n    PLU: 4 ("), std::string::npos) << refused.log;
  EXPECT_TRUE(HasLine(refused.log,
                      "result             none: the export ended with an error: "
                      "Błąd [120]: Kasa odrzuciła towarów: 1"))
      << refused.log;

  // Again with the file now in the exchange directory, and the register taking everything.
  HostRun accepted =
      RunHost({"--config", config, "--lib", DriverLibrary(), "--out", dir_.File("out"), "export"},
              dir_.Path(), dir_.File("accepted.log"));
  // The withdrawn goods is still shown among the error lines.
  EXPECT_EQ(accepted.exitCode, 1) << accepted.log;
  EXPECT_TRUE(HasLine(accepted.log, "additions/updates  4 in the file, 1 withdrawn, 3 sent - done"))
      << accepted.log;
  EXPECT_NE(accepted.log.find(": 3 goods accepted (3 added or updated, 0 price changes, 0 "
                              "deleted)"),
            std::string::npos)
      << accepted.log;
}

// A day rung up on the Sigma after an export of two goods, imported for the day named with
// --date: the summary shows the file's sale date, goods, money and cashier section.
TEST_F(TvkhostWithSimulator, ImportSummarisesTheStoredFileOfTheDayAsked) {
  std::string file = dir_.File("towary.exp");
  testutil::WriteFile(file, "VAT;23\r\nVAT;8\r\nJM;0;0;szt.\r\n" + Goods(1, "Chleb żytni", 23) +
                                Goods(2, "Bułka", 8));
  std::string config = Config("Kasa1");
  HostRun exported = RunHost({"--config", config, "--lib", DriverLibrary(), "--out",
                              dir_.File("out"), "export", "--file", file},
                             dir_.Path(), dir_.File("export.log"));
  ASSERT_EQ(exported.exitCode, 0) << exported.log;
  testutil::WriteFile(dir_.File("day.txt"),
                      "date 2026-11-20\ntime 09:00\ncashier 3 Ewa\nreceipt\nsell 1 2\nsell 2 1\n"
                      "end\ndeposit 10\n");
  ASSERT_TRUE(Ecrsim({"sell", "--port", "COM1", dir_.File("day.txt")}));

  HostRun run = RunHost({"--config", config, "--lib", DriverLibrary(), "--out", dir_.File("out"),
                         "import", "--date", "2026-11-20"},
                        dir_.Path(), dir_.File("import.log"));
  EXPECT_EQ(run.exitCode, 0) << run.log;
  EXPECT_TRUE(HasLine(run.log, "tvkhost: sales of 2026-11-20 (DataImportu)")) << run.log;
  EXPECT_TRUE(HasLine(run.log, "tvkhost: import summary")) << run.log;
  EXPECT_TRUE(HasLine(run.log, "sale date          2026-11-20")) << run.log;
  // Bread 2 x 1,49 and a roll 2,49.
  EXPECT_TRUE(HasLine(run.log, "goods              2 lines, 5.47 zł")) << run.log;
  EXPECT_TRUE(HasLine(run.log, "deposits           10.00 zł")) << run.log;
  EXPECT_TRUE(HasLine(run.log, "withdrawals        0.00 zł")) << run.log;
  EXPECT_TRUE(HasLine(run.log, "packaging          returned 0.00 zł, sold 0.00 zł")) << run.log;
  EXPECT_TRUE(HasLine(run.log, "KAS_NUMER                 3")) << run.log;
  EXPECT_TRUE(HasLine(run.log, "KAS_NAZWISKO              Ewa")) << run.log;
  EXPECT_NE(run.log.find("stored as          " + dir_.File("out")), std::string::npos) << run.log;

  HostRun bad = RunHost({"--config", config, "import", "--date", "2026-02-30"}, dir_.Path(),
                        dir_.File("bad.log"));
  EXPECT_EQ(bad.exitCode, 2);
}

// Everything the back office was given: each import file stored in `outDir`.
std::vector<std::string> StoredIn(const std::string& outDir) {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(outDir, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("kasa", 0) == 0) files.push_back(testutil::ReadFile(entry.path().string()));
  }
  return files;
}

// What the technician does when the import says a day was being handed over as it stopped:
// looks in the back office (the stored files) for that day, and changes the record's line
// as the message says. False when the record holds no such day.
bool Settle(const std::string& exchangeDir, const std::string& outDir) {
  const std::string path = testutil::Join(exchangeDir, "zapisane.txt");
  std::string record = testutil::ReadFile(path);
  const size_t at = record.find("zapisywane=");
  if (at == std::string::npos) return false;
  const size_t end = record.find("\r\n", at);
  const std::string day = record.substr(at + 11, 10);  // YYYY-MM-DD, then the file's value
  const std::string compressed = day.substr(0, 4) + day.substr(5, 2) + day.substr(8, 2);
  bool has = false;
  for (const std::string& f : StoredIn(outDir)) {
    has = has || f.find("DATA_SPRZEDAZY;" + compressed) != std::string::npos;
  }
  record.replace(at, end + 2 - at, has ? "zapisano=" + day + "\r\n" : "");
  testutil::WriteFile(path, record);
  return true;
}

// How the day is read: sales from the receipt buffer (two sale dates), or from the counters
// with the receipt buffer imported too (one file, receipts appended).
struct DieSetup {
  const char* name;
  const char* params;
  bool counters;  // the counters' outputs lie beside the receipt buffer
  size_t files;   // what an undisturbed import stores
};

class TvkhostDying : public TvkhostWithSimulator, public ::testing::WithParamInterface<DieSetup> {};

// A back office that dies at any step of an import (at any message it is given, any status
// set on one, inside a store), and is started again until the import is done, ends up with
// exactly the day's sales, receipts and other operations: none lost, none stored twice.
TEST_P(TvkhostDying, AHostThatDiesAtAnyStepOfAnImportNeverStoresASaleTwice) {
  const DieSetup& setup = GetParam();
  std::string goods = dir_.File("towary.exp");
  testutil::WriteFile(
      goods, "VAT;23\r\nVAT;8\r\nJM;0;0;szt.\r\n" + Goods(1, "Chleb", 23) + Goods(2, "Bułka", 8));
  HostRun exported = RunHost({"--config", Config("Kasa1"), "--lib", DriverLibrary(), "--out",
                              dir_.File("out-export"), "export", "--file", goods},
                             dir_.Path(), dir_.File("export.log"));
  ASSERT_EQ(exported.exitCode, 0) << exported.log;
  testutil::WriteFile(dir_.File("day.txt"),
                      "date 2026-11-20\ntime 09:00\ncashier 3 Ewa\nreceipt\nsell 1 2\nend\n"
                      "receipt\nsell 2 1\nvoid 2 1\nsell 2 1\nend\ndeposit 15\n"
                      "date 2026-11-21\ntime 08:00\nreceipt\nsell 1 1\nsell 2 3\nend\n");
  ASSERT_TRUE(Ecrsim({"sell", "--port", "COM1", dir_.File("day.txt")}));

  // The outputs as the register gives them, read once by the simulator's programs.
  testutil::TempDir read("buffer");
  testutil::WriteFile(read.File("KONFIG.TXT"), "$1\tCOM1:115200:STX0:1\t3\r\n");
  auto program = [&](const std::string& name, const std::vector<std::string>& args) {
    platform::RunResult r =
        platform::Env::Default()->RunProgram(testutil::Join(SimDir(), name), args, read.Path());
    return r.started && r.exitCode == 0;
  };
  testutil::WriteFile(read.File("opsproz4.in"), "#1\r\n#\r\n#\r\n");
  ASSERT_TRUE(program("OPSpRoz4.exe", {read.File("opsproz4.in"), read.File("opsproz4.out")}))
      << testutil::ReadFile(read.File("RAPORT.TXT"));
  std::vector<std::string> outputs = {"opsproz4.out"};
  if (setup.counters) {
    testutil::WriteFile(read.File("ospopmax.in"), "#1\r\n#\r\n#\r\n$" +
                                                      read.File("ospopmax_sprz.out") + "\t" +
                                                      read.File("ospopmax_sort.out") + "\t" +
                                                      read.File("ospopmax_opak.out") + "\r\n");
    ASSERT_TRUE(program("OSpOpMax.exe", {read.File("ospopmax.in")}))
        << testutil::ReadFile(read.File("RAPORT.TXT"));
    outputs.insert(outputs.end(), {"ospopmax_sort.out", "ospopmax_opak.out"});
  }

  // Each attempt imports the outputs from a fresh exchange directory of its own (file mode).
  auto attempt = [&](const std::string& name) {
    const std::string ex = dir_.File("ex-" + name);
    EXPECT_TRUE(platform::Env::Default()->MakeDirectories(ex));
    for (const std::string& out : outputs) {
      testutil::WriteFile(testutil::Join(ex, out), testutil::ReadFile(read.File(out)));
    }
    const std::string config = dir_.File(name + ".ini");
    testutil::WriteFile(config, "[" + name + "]\r\nId = 1\r\nNumber = 1\r\nExchangeDir = ex-" +
                                    name + "\r\nElzabSTXPort = PLIK\r\n" + setup.params +
                                    "ElzabSTXReceipts = 1\r\nElzabSTXSaleBufferType = 0\r\n");
    return config;
  };
  auto import = [&](const std::string& config, const std::string& name, const std::string& log) {
    return RunHost({"--config", config, "--lib", DriverLibrary(), "--out", dir_.File("out-" + name),
                    "import", "--date", "2026-11-21"},
                   dir_.Path(), dir_.File(log));
  };

  const std::string refConfig = attempt("ref");
  HostRun ref = import(refConfig, "ref", "ref.log");
  ASSERT_EQ(ref.exitCode, 0) << ref.log;
  const std::vector<std::string> day = StoredIn(dir_.File("out-ref"));
  ASSERT_EQ(day.size(), setup.files) << ref.log;
  const std::string books = testutil::Show(testutil::Book(day));
  ASSERT_EQ(testutil::Documents(testutil::Book(day), "[PARAGON nr 3]"), 1) << books;

  int died = 0;
  int attempts = 0;
  for (const char* kind : {"store", "message", "change"}) {
    bool pastTheEnd = false;
    for (int n = 1; n <= 60 && !pastTheEnd; ++n) {
      const std::string point = std::string(kind) + ":" + std::to_string(n);
      SCOPED_TRACE(point);
      const std::string name = "k" + std::to_string(attempts++);
      const std::string config = attempt(name);
      platform::SetEnvironmentValue("TVKHOST_DIE_AT", point);
      HostRun first = import(config, name, name + "-1.log");
      platform::SetEnvironmentValue("TVKHOST_DIE_AT", "");
      if (first.exitCode != kDiedOnPurpose) {
        // The import ended before the chosen moment came: every later one would too.
        EXPECT_EQ(first.exitCode, 0) << first.log;
        pastTheEnd = true;
        continue;
      }
      ++died;
      if (testutil::Exists(testutil::Join(dir_.File("ex-" + name), "opsproz4.out"))) {
        HostRun again = import(config, name, name + "-2.log");
        // Died inside a store: the driver cannot know whether the back office took the day
        // in and asks; the technician looks in the back office and answers in the record.
        // A back office that died at a message or a status was never inside a store, the
        // one that tells which day is being taken in included: nobody need be asked.
        if (again.exitCode != 0 && Settle(dir_.File("ex-" + name), dir_.File("out-" + name))) {
          EXPECT_EQ(std::string(kind), "store") << again.log;
          again = import(config, name, name + "-3.log");
        }
        EXPECT_EQ(again.exitCode, 0) << again.log;
      }
      EXPECT_EQ(testutil::Show(testutil::Book(StoredIn(dir_.File("out-" + name)))), books);
    }
    EXPECT_TRUE(pastTheEnd) << kind;
  }
  EXPECT_GE(died, 10);
}

INSTANTIATE_TEST_SUITE_P(
    Setups, TvkhostDying,
    ::testing::Values(DieSetup{"SalesFromReceipts", "ElzabSTXSaleSource = 1\r\n", false, 2},
                      DieSetup{"SalesFromCounters", "ElzabSTXSaleSource = 0\r\n", true, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TvkhostDemo, ShowsThatTheRegisterHoldsExactlyTheGoodsTheResultLists) {
  if (!kHaveDriver || !kHaveSim) GTEST_SKIP() << "the driver or the simulator is not built";
  testutil::TempDir dir("tvkdemo");
  // The demo makes its folder in the temporary directory: here, one that goes with the test.
  const char* names[] = {"TMPDIR", "TMP", "TEMP"};
  std::vector<std::string> saved;
  for (const char* name : names) {
    saved.push_back(platform::GetEnvironmentValue(name));
    platform::SetEnvironmentValue(name, dir.Path());
  }
  HostRun run = RunHost({"--lib", DriverLibrary(), "--sim", SimDir(), "demo"}, dir.Path(),
                        dir.File("log.txt"));
  for (size_t i = 0; i < saved.size(); ++i) platform::SetEnvironmentValue(names[i], saved[i]);
  EXPECT_EQ(run.exitCode, 0) << run.log;
  EXPECT_TRUE(HasLine(run.log, "tvkhost: the register holds exactly the goods the result lists"))
      << run.log;
  EXPECT_TRUE(HasLine(run.log,
                      "export:          done - the register holds exactly the goods the "
                      "result lists"))
      << run.log;
  EXPECT_EQ(run.log.find("tvkhost: the register differs"), std::string::npos) << run.log;
  // The day is imported at noon and in the evening, the evening handing over only what is
  // new, and once more with nothing new: together the imports bring back the goods, receipts,
  // voids, cancellations, invoice, deposit and withdrawal rung up, each once.
  EXPECT_NE(run.log.find("  import, morning: done"), std::string::npos) << run.log;
  EXPECT_NE(run.log.find("  import, afternoon: done - with the morning's, the imported sales and "
                         "receipts equal what was rung up"),
            std::string::npos)
      << run.log;
  EXPECT_NE(run.log.find("  import, once more: done - nothing new, nothing stored"),
            std::string::npos)
      << run.log;
  EXPECT_EQ(run.log.find("tvkhost: the import differs"), std::string::npos) << run.log;
  EXPECT_NE(run.log.find("Kasa nie była zamknięta raportem dobowym od odczytu, którego sprzedaż "
                         "baza już przyjęła"),
            std::string::npos)
      << run.log;
  // A demo that went well leaves nothing behind in the temporary folder.
  bool left = false;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
    left = left || e.path().filename().string().rfind("tvkhost-demo-", 0) == 0;
  }
  EXPECT_FALSE(left) << run.log;
  EXPECT_EQ(run.log.find("Left behind in"), std::string::npos) << run.log;
}

// Two tvkhost processes on one register: while this test holds the driver's resource both
// wait; let go, they take it in turn. A fault that the first program run consumes (after a
// short hang) proves it: had the two runs overlapped, both would have met it.
TEST_F(TvkhostWithSimulator, TwoProcessesOnOnePortNeverOverlapTheirProgramRuns) {
  ASSERT_TRUE(
      Ecrsim({"fault", "--port", "COM1", "--program", "OTypUrz.exe", "--hang", "0.5", "--once"}));
  ASSERT_TRUE(Ecrsim({"fault", "--port", "COM1", "--program", "OTypUrz.exe", "--code", "7",
                      "--desc", "Kasa zajeta", "--once"}));
  platform::InterProcessLock resource("HeavyLoadSection");
  // Other test programs running beside this one hold it for a program run at a time.
  bool held = false;
  for (int i = 0; i < 3000 && !(held = resource.TryLock()); ++i) {
    platform::Env::Default()->SleepMs(20);
  }
  ASSERT_TRUE(held) << "the machine-wide resource stayed taken for a minute";
  std::string configA = Config("A");
  std::string configB = Config("B");
  HostRun a, b;
  std::thread first([&] { a = Test(configA, dir_.File("a.log")); });
  std::thread second([&] { b = Test(configB, dir_.File("b.log")); });
  auto waiting = [&](const std::string& log) {
    for (int i = 0; i < 3000; ++i) {  // up to a minute: Wine starts processes slowly
      if (testutil::ReadFile(log).find("waiting for the shared resource") != std::string::npos) {
        return true;
      }
      platform::Env::Default()->SleepMs(20);
    }
    return false;
  };
  bool bothWaited = waiting(dir_.File("a.log")) && waiting(dir_.File("b.log"));
  resource.Unlock();
  first.join();
  second.join();
  EXPECT_TRUE(bothWaited) << a.log << b.log;
  // Exactly one run met the fault: the other started after the first had ended.
  EXPECT_EQ(a.exitCode + b.exitCode, 1) << a.log << b.log;
  EXPECT_NE((a.log + b.log).find("E Błąd [7]: Kasa zajeta"), std::string::npos) << a.log << b.log;
}

// Two tvkhost processes importing at once through one exchange directory, with no shared
// resource between their program runs: this test holds the directory's lock until both have
// come to their operation, then lets them race for it. Whichever goes second must still read its
// own register's day whole, not the other's outputs or none at all.
class TvkhostSharedDirectory : public TvkhostWithSimulator {
 protected:
  // Device `number` on `port` whose exchange directory is `dir`; `name` is also its section.
  std::string Device(const std::string& name, const std::string& port, const std::string& dir,
                     int number = 1) {
    std::string path = dir_.File(name + ".ini");
    const std::string n = std::to_string(number);
    testutil::WriteFile(path, "[" + name + "]\r\nId = " + n + "\r\nNumber = " + n +
                                  "\r\nExchangeDir = " + dir + "\r\nElzabSTXPort = " + port +
                                  "\r\nElzabSTXExePath = " + SimDir() + platform::kPathSeparator +
                                  "\r\nElzabSTXProtectExe = 0\r\nElzabSTXReceipts = 1\r\n");
    return path;
  }
  // Two goods sent to the register of device `number` on `port`, and the day `day` rung up
  // on it.
  void Ring(const std::string& port, const std::string& day, int number = 1) {
    std::string goods = dir_.File("towary-" + port + ".exp");
    testutil::WriteFile(
        goods, "VAT;23\r\nVAT;8\r\nJM;0;0;szt.\r\n" + Goods(1, "Chleb", 23) + Goods(2, "Bułka", 8));
    HostRun exported =
        RunHost({"--config", Device("e" + port, port, "ex-e" + port, number), "--lib",
                 DriverLibrary(), "--out", dir_.File("out-e" + port), "export", "--file", goods},
                dir_.Path(), dir_.File("export-" + port + ".log"));
    ASSERT_EQ(exported.exitCode, 0) << exported.log;
    testutil::WriteFile(dir_.File("day-" + port + ".txt"), day);
    ASSERT_TRUE(Ecrsim({"sell", "--port", port, dir_.File("day-" + port + ".txt")}));
  }
  // What the back office booked from the imports stored in folder `out`.
  std::string Booked(const std::string& out) {
    return testutil::Show(testutil::Book(StoredIn(dir_.File(out))));
  }
  HostRun Import(const std::string& config, const std::string& out) {
    return RunHost({"--config", config, "--lib", DriverLibrary(), "--out", dir_.File(out), "import",
                    "--date", "2026-11-20"},
                   dir_.Path(), dir_.File(out + ".log"));
  }
  // The two configurations imported at once, each into its own folder, round `round`;
  // what each booked.
  std::pair<std::string, std::string> AtOnce(const std::string& a, const std::string& b,
                                             int round) {
    const std::string shared = dir_.File("ex-shared");
    EXPECT_TRUE(platform::Env::Default()->MakeDirectories(shared));
    bool held = false;
    void* lock = platform::Env::Default()->LockFile(testutil::Join(shared, "trelvax.lck"), held);
    EXPECT_NE(lock, nullptr);
    const std::string outA = "a" + std::to_string(round), outB = "b" + std::to_string(round);
    HostRun ra, rb;
    std::thread first([&] { ra = Import(a, outA); });
    std::thread second([&] { rb = Import(b, outB); });
    // The held line of the wait reaches the log only when the wait ends; the note before
    // the operation shows that a process has come to it.
    auto started = [&](const std::string& log) {
      for (int i = 0; i < 3000; ++i) {  // up to a minute: Wine starts processes slowly
        if (testutil::ReadFile(log).find("sales import (-3) on") != std::string::npos) return true;
        platform::Env::Default()->SleepMs(20);
      }
      return false;
    };
    const bool bothStarted = started(dir_.File(outA + ".log")) && started(dir_.File(outB + ".log"));
    if (lock != nullptr) platform::Env::Default()->UnlockFile(lock);
    first.join();
    second.join();
    EXPECT_TRUE(bothStarted) << ra.log << rb.log;
    EXPECT_NE((ra.log + rb.log).find("Czekam na koniec innej operacji w katalogu " + shared),
              std::string::npos)
        << ra.log << rb.log;
    EXPECT_EQ(ra.exitCode, 0) << ra.log;
    EXPECT_EQ(rb.exitCode, 0) << rb.log;
    return {Booked(outA), Booked(outB)};
  }
};

constexpr char kDayOnCom1[] =
    "date 2026-11-20\ntime 09:00\ncashier 3 Ewa\nreceipt\nsell 1 2\nend\n"
    "receipt\nsell 2 1\nvoid 2 1\nsell 2 1\nend\ndeposit 15\n";

// Two stations of one back office that import one register at the same moment: the day reaches
// the back office once, whichever goes first, and again nothing of it in a second round.
TEST_F(TvkhostSharedDirectory, TwoStationsImportingOneRegisterBookTheDayOnce) {
  ASSERT_NO_FATAL_FAILURE(Ring("COM1", kDayOnCom1));
  const std::string alone = Device("alone", "COM1", "ex-alone");
  ASSERT_EQ(Import(alone, "ref").exitCode, 0);
  const std::string day = Booked("ref");
  ASSERT_NE(day.find("qty"), std::string::npos) << day;
  const std::string a = Device("Stanowisko1", "COM1", "ex-shared");
  const std::string b = Device("Stanowisko2", "COM1", "ex-shared");
  std::vector<std::string> all;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    AtOnce(a, b, round);
    for (const char* station : {"a", "b"}) {
      for (const std::string& f : StoredIn(dir_.File(station + std::to_string(round)))) {
        all.push_back(f);
      }
    }
  }
  EXPECT_EQ(testutil::Show(testutil::Book(all)), day);
}

// Two registers whose devices were left with one exchange directory: the first import books its
// register's day; the other device's is refused, naming both registers, and stores nothing,
// until its device has a directory of its own.
TEST_F(TvkhostSharedDirectory, TwoDevicesOnOneDirectoryNeverBookEachOthersSales) {
  ASSERT_TRUE(Ecrsim({"create", "--port", "COM2", "--model", "Mini online", "--device", "2"}));
  ASSERT_NO_FATAL_FAILURE(Ring("COM1", kDayOnCom1));
  ASSERT_NO_FATAL_FAILURE(Ring(
      "COM2",
      "date 2026-11-20\ntime 10:00\nreceipt\nsell 2 3\nsell 1 1\nend\ndeposit 20\nwithdraw 5\n",
      2));
  ASSERT_EQ(Import(Device("alone1", "COM1", "ex-alone1"), "ref1").exitCode, 0);
  ASSERT_EQ(Import(Device("alone2", "COM2", "ex-alone2", 2), "ref2").exitCode, 0);
  const std::string day1 = Booked("ref1");
  const std::string day2 = Booked("ref2");
  ASSERT_NE(day1.find("qty"), std::string::npos) << day1;
  ASSERT_NE(day2.find("qty"), std::string::npos) << day2;
  ASSERT_NE(day1, day2);
  const std::string a = Device("Kasa1", "COM1", "ex-shared");
  const std::string b = Device("Kasa2", "COM2", "ex-shared", 2);
  ASSERT_EQ(Import(a, "a").exitCode, 0);
  EXPECT_EQ(Booked("a"), day1);
  const std::string record = testutil::ReadFile(dir_.File("ex-shared/przekazane.txt"));
  HostRun refused = Import(b, "b");
  EXPECT_EQ(refused.exitCode, 1) << refused.log;
  EXPECT_NE(refused.log.find("opisuje, co baza ma ze sprzedaży kasy Sigma nr "), std::string::npos)
      << refused.log;
  EXPECT_NE(refused.log.find(", a import jest z kasy Mini ONLINE nr 2 (urządzenie 2)"),
            std::string::npos)
      << refused.log;
  EXPECT_TRUE(StoredIn(dir_.File("b")).empty());
  EXPECT_EQ(testutil::ReadFile(dir_.File("ex-shared/przekazane.txt")), record);
  ASSERT_EQ(Import(Device("Kasa2", "COM2", "ex-own2", 2), "b-own").exitCode, 0);
  EXPECT_EQ(Booked("b-own"), day2);
}

// A failed import leaves one register's outputs in the directory two devices share: the
// other device refuses them and stores nothing; their own device takes them in.
TEST_F(TvkhostSharedDirectory, AnotherDevicesLeftoversAreRefusedNotBooked) {
  ASSERT_TRUE(Ecrsim({"create", "--port", "COM2", "--model", "Mini online", "--device", "2"}));
  ASSERT_NO_FATAL_FAILURE(Ring("COM1", kDayOnCom1));
  ASSERT_NO_FATAL_FAILURE(Ring("COM2", "date 2026-11-20\ntime 10:00\nreceipt\nsell 2 3\nend\n", 2));
  const std::string alone = Device("alone1", "COM1", "ex-alone1");
  ASSERT_EQ(Import(alone, "ref1").exitCode, 0);
  const std::string day1 = Booked("ref1");
  ASSERT_TRUE(
      Ecrsim({"fault", "--port", "COM1", "--program", "OPSpRoz4.exe", "--code", "21", "--once"}));
  const std::string a = Device("Kasa1", "COM1", "ex-shared");
  const std::string b = Device("Kasa2", "COM2", "ex-shared", 2);
  ASSERT_EQ(Import(a, "a-failed").exitCode, 1);
  HostRun refused = Import(b, "b-refused");
  EXPECT_EQ(refused.exitCode, 1) << refused.log;
  EXPECT_NE(refused.log.find("Pliki nieudanego importu z kasy Sigma nr "), std::string::npos)
      << refused.log;
  EXPECT_NE(refused.log.find(" (urządzenie 1) czekają w katalogu wymiany na import tamtym "
                             "urządzeniem, a ten katalog ma też to urządzenie (2)"),
            std::string::npos)
      << refused.log;
  EXPECT_TRUE(StoredIn(dir_.File("b-refused")).empty());
  ASSERT_EQ(Import(a, "a-again").exitCode, 0);
  std::vector<std::string> all = StoredIn(dir_.File("a-failed"));
  for (const std::string& f : StoredIn(dir_.File("a-again"))) all.push_back(f);
  EXPECT_EQ(testutil::Show(testutil::Book(all)), day1);
}

}  // namespace
}  // namespace tvkhost

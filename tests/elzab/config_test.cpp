// Reading the driver's parameters, KONFIG.TXT, and the names and headers of working files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "hostlib/Exceptions.h"
#include "testutil/DriverFixture.h"

using testutil::DriverFixture;

class Config : public DriverFixture {
 protected:
  void SetUp() override {
    host.deviceNumber = 1;
    host.params = {{"ElzabSTXPort", "COM2"},        {"ElzabSTXRS232Speed", "1"},
                   {"ElzabSTXTimeout", "10"},       {"ElzabSTXIPAddr", "10.0.0.5"},
                   {"ElzabSTXIPPort", "1001"},      {"ElzabSTXIPAuth", "tajne.hasło"},
                   {"ElzabSTXIPTimeout", "15"},     {"ElzabSTXIPRet", "3"},
                   {"ElzabSTXExePath", "C:\\Elzab"}};
    Register();
  }
  std::string Konfig() { return testutil::ReadFile(dir.File("KONFIG.TXT")); }
  // Runs operation `code` on a fresh action; its error, empty when it ended well.
  std::string OperationError(int code) {
    auto a = Action();
    HTVKDLLSRODOWISKO environment;
    try {
      a->Operacja(&environment, code, 0);
    } catch (const Exception& e) {
      return e.Message();
    }
    return {};
  }
  std::string Written(bool lan = false) {
    if (lan) host.params["ElzabSTXPort"] = "LAN";
    auto a = Action();
    a->ReadParams();
    a->CreateConfig();
    return Konfig();
  }
};

TEST_F(Config, ParametersFillTheConfiguration) {
  host.params["PoziomCen"] = "3";
  host.params["ElzabSTXProductFlag"] = "1";
  host.params["ElzabSTXReceipts"] = "1";
  host.params["ElzabSTXSaleSource"] = "1";
  host.params["ElzabSTXSaleBufferType"] = "1";
  host.params["ElzabSTXProtectExe"] = "1";
  host.params["ElzabSTXSaleBufferFV"] = "1";
  auto a = Action();
  a->ReadParams();
  EXPECT_EQ(a->Config().cfgExePath, std::string("C:\\Elzab") + platform::kPathSeparator);
  EXPECT_EQ(a->Config().cfgPort, "COM2");
  EXPECT_EQ(a->Config().cfgTimeout, 10);
  EXPECT_EQ(a->Config().cfgPoziomCen, 3);
  EXPECT_EQ(a->Config().cfgProductFlag, 1);
  EXPECT_EQ(a->Config().cfgReceipts, 1);
  EXPECT_EQ(a->Config().cfgSaleSource, 1);
  EXPECT_EQ(a->Config().cfgSaleBufferType, 1);
  EXPECT_TRUE(a->Config().cfgProtectExecution);
  EXPECT_TRUE(a->Config().cfgSaleBufferFV);
  EXPECT_FALSE(a->Config().cfgFileMode);
  EXPECT_EQ(a->Config().cfgIPTimeout, 15);
  EXPECT_EQ(a->Config().cfgIPRet, 3);
}

// The switches read once at the operation's start, each as the value that turns it on.
TEST_F(Config, TheOperationsSwitchesAndFileMode) {
  host.params["RodzajTransmisji"] = "3";
  host.params["ElzabSTXPrgEuro"] = "2";
  host.params["ElzabSTXPrgPayments"] = "0";
  host.params["ElzabSTXDokPlu"] = "1";
  host.params["ElzabSTXUserKonfig"] = "1";
  host.params["ElzabSTXRS232Speed"] = " 3 ";
  auto a = Action();
  a->ReadParams();
  EXPECT_EQ(a->Config().cfgTransmission, 3);
  EXPECT_TRUE(a->Config().cfgPrgEuro);
  EXPECT_FALSE(a->Config().cfgPrgPayments);
  EXPECT_TRUE(a->Config().cfgDokPlu);
  EXPECT_TRUE(a->Config().cfgUserKonfig);
  EXPECT_EQ(a->Config().cfgRS232Speed, "3");
  host.params["ElzabSTXPort"] = "PLIK";
  host.params["ElzabSTXDokPlu"] = "2";
  a->ReadParams();
  EXPECT_TRUE(a->Config().cfgFileMode);
  EXPECT_FALSE(a->Config().cfgDokPlu);
}

TEST_F(Config, OnlyTheValueOneSwitchesTheTwoFlagsOn) {
  host.params["ElzabSTXProtectExe"] = "2";
  host.params["ElzabSTXSaleBufferFV"] = "Tak";
  auto a = Action();
  a->ReadParams();
  EXPECT_FALSE(a->Config().cfgProtectExecution);
  EXPECT_FALSE(a->Config().cfgSaleBufferFV);
}

TEST_F(Config, TheProgramsFolderKeepsItsSeparatorAndIsShortened) {
  const std::string longDir = std::string("C:\\Program Files\\Elzab") + platform::kPathSeparator;
  env.shortPaths[longDir] = "C:\\PROGRA~1\\Elzab\\";
  host.params["ElzabSTXExePath"] = longDir;
  auto a = Action();
  a->ReadParams();
  EXPECT_EQ(a->Config().cfgExePath, "C:\\PROGRA~1\\Elzab\\");
}

TEST_F(Config, SerialLine) {
  EXPECT_EQ(Written(), "$1\tCOM2:9600:STX0:1\t10\r\n");
}

TEST_F(Config, ASpeedOutsideTheListGives115200) {
  for (const char* speed : {"7", "115200", "x", "", "-1"}) {
    host.params["ElzabSTXRS232Speed"] = speed;
    EXPECT_EQ(Written(), "$1\tCOM2:115200:STX0:1\t10\r\n") << speed;
  }
  host.params["ElzabSTXRS232Speed"] = "0";
  EXPECT_EQ(Written(), "$1\tCOM2:4800:STX0:1\t10\r\n");
}

TEST_F(Config, ASpeedStoredAsItsListTextIsUnderstood) {
  host.params["ElzabSTXRS232Speed"] = "19200";
  EXPECT_EQ(Written(), "$1\tCOM2:19200:STX0:1\t10\r\n");
}

TEST_F(Config, LanLineAlwaysNamesCom1At115200) {
  host.params["ElzabSTXRS232Speed"] = "0";
  EXPECT_EQ(Written(true),
            "$1\tCOM1:115200:STX6:1\t10\tElzab\tAnyString:3001:10.0.0.5:1001:tajne.hasło:15:3\r\n");
}

// A value that would break KONFIG.TXT's line (a control character, or ":" where the line
// separates its fields with it) is refused naming the parameter, and nothing is written.
TEST_F(Config, AValueThatWouldBreakTheLineIsRefusedNamingItsParameter) {
  const struct {
    const char* name;
    const char* value;
    bool lan;
    const char* label;
  } kCases[] = {
      {"ElzabSTXIPAddr", "10.0.0.5\t", true, "LAN - adres IP kasy"},
      {"ElzabSTXIPAddr", "10.0.0.5:80", true, "LAN - adres IP kasy"},
      {"ElzabSTXIPPort", "1001\r\n", true, "LAN - port IP kasy"},
      {"ElzabSTXIPAuth", "tajne:hasło", true, "LAN - hasło dostępu do kasy"},
      {"ElzabSTXIPAuth", "a\x7f", true, "LAN - hasło dostępu do kasy"},
      {"ElzabSTXPort", "COM2\n", false, "Złącze"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::remove(dir.File("KONFIG.TXT").c_str());
    host.params[c.name] = c.value;
    try {
      Written(c.lan);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), std::string("Parametr \"") + c.label + "\" (" + c.name + ")" +
                                 " zawiera znak, którego nie można zapisać w pliku KONFIG.TXT "
                                 "(znak sterujący lub \":\"); popraw go w parametrach urządzenia");
    }
    EXPECT_FALSE(testutil::Exists(dir.File("KONFIG.TXT")));
    SetUp();
  }
}

// A programs' folder, a LAN address or a LAN port the programs cannot be run with is refused
// before anything is written or run, naming the parameter as the host shows it; a register
// file mode reads no register, and a KONFIG.TXT of the user's own names the register itself.
TEST_F(Config, AConnectionTheProgramsCannotUseIsRefusedNamingItsParameter) {
  const std::string lan = "Parametr \"LAN - port IP kasy\" (ElzabSTXIPPort) ";
  const struct {
    const char* name;
    const char* value;
    std::string error;  // empty: accepted
  } kCases[] = {
      {"ElzabSTXExePath", "",
       "Parametr \"ELZAB ECR STX - Katalog programów komunikacyjnych\" (ElzabSTXExePath) jest "
       "pusty: wpisz w nim katalog programów komunikacyjnych ELZAB"},
      {"ElzabSTXExePath", "  ",
       "Parametr \"ELZAB ECR STX - Katalog programów komunikacyjnych\" "
       "(ElzabSTXExePath) jest pusty: wpisz w nim katalog programów "
       "komunikacyjnych ELZAB"},
      {"ElzabSTXIPAddr", " ",
       "Parametr \"LAN - adres IP kasy\" (ElzabSTXIPAddr) jest pusty: wpisz w nim adres IP kasy"},
      {"ElzabSTXIPPort", "", lan + "jest pusty: wpisz w nim numer portu kasy, od 1 do 65535"},
      {"ElzabSTXIPPort", "abc",
       lan + "ma wartość 'abc', a musi to być numer portu kasy, od 1 do 65535"},
      {"ElzabSTXIPPort", "0",
       lan + "ma wartość '0', a musi to być numer portu kasy, od 1 do 65535"},
      {"ElzabSTXIPPort", "65536",
       lan + "ma wartość '65536', a musi to być numer portu kasy, od 1 do 65535"},
      {"ElzabSTXIPPort", "-1",
       lan + "ma wartość '-1', a musi to być numer portu kasy, od 1 do 65535"},
      {"ElzabSTXIPPort", " 1001",
       lan + "ma wartość ' 1001', a musi to być numer portu kasy, od 1 do 65535"},
      {"ElzabSTXIPPort", "65535", ""},
      {"ElzabSTXIPPort", "1", ""},
  };
  for (const bool userKonfig : {false, true}) {
    for (const auto& c : kCases) {
      SCOPED_TRACE(std::string(c.name) + "=" + c.value);
      SetUp();
      host.params["ElzabSTXPort"] = "LAN";
      host.params["ElzabSTXUserKonfig"] = userKonfig ? "1" : "0";
      std::remove(dir.File("KONFIG.TXT").c_str());
      const std::string own = userKonfig ? "$1\tCOM1:9600:STX0:1\t3\r\n" : "";
      if (userKonfig) testutil::WriteFile(dir.File("KONFIG.TXT"), own);
      host.params[c.name] = c.value;
      env.runs.clear();
      const std::string error = OperationError(-1);
      const bool refused =
          !c.error.empty() && (!userKonfig || c.name == std::string("ElzabSTXExePath"));
      if (refused) {
        EXPECT_EQ(error, c.error);
        EXPECT_TRUE(env.runs.empty());
        EXPECT_EQ(testutil::Exists(dir.File("KONFIG.TXT")), userKonfig);
        EXPECT_EQ(testutil::ReadFile(dir.File("KONFIG.TXT")), own);
      } else {
        EXPECT_EQ(error.find("Parametr"), std::string::npos) << error;
        EXPECT_FALSE(env.runs.empty());
      }
    }
  }
  // File mode runs no program.
  SetUp();
  host.params["ElzabSTXPort"] = "PLIK";
  host.params["ElzabSTXExePath"] = "";
  auto a = Action();
  a->ReadParams();
  EXPECT_NO_THROW(a->CheckConnection());
}

// An exchange directory that is not there (a network drive not connected): the directory's
// lock, the first file an operation makes, names the folder missing at once, and nothing is
// run; without the lock (a technician's call) so does KONFIG.TXT.
TEST_F(Config, AMissingExchangeDirectoryIsNamedAsMissing) {
  const std::string exchange = host.exchangeDir;
  const std::string missing =
      dir.File("dysk-sieciowy") + platform::kPathSeparator + "kasa" + platform::kPathSeparator;
  host.exchangeDir = missing;
  const std::string error = OperationError(-1);
  EXPECT_EQ(error.rfind("Nie można utworzyć pliku blokady '" + missing +
                            "trelvax.lck': nie ma takiego folderu (kod ",
                        0),
            0u)
      << error;
  EXPECT_NE(error.find("); sprawdź, czy katalog wymiany istnieje, czy wolno w nim zapisywać i "
                       "czy nie ma w nim folderu o tej nazwie (nic nie zostało zapisane ani "
                       "wysłane)"),
            std::string::npos)
      << error;
  EXPECT_TRUE(env.runs.empty());
  // A folder under the lock's name: no waiting mends it either.
  host.exchangeDir = exchange;
  ASSERT_TRUE(platform::Env::Default()->MakeDirectories(dir.File("trelvax.lck")));
  const std::string folder = OperationError(-1);
  EXPECT_NE(folder.find("trelvax.lck': pod tą nazwą jest folder (kod "), std::string::npos)
      << folder;
  EXPECT_TRUE(env.runs.empty());
  std::filesystem::remove(dir.File("trelvax.lck"));

  host.exchangeDir = missing;
  auto a = Action();
  a->ReadParams();
  try {
    a->CreateConfig();
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("Nie można otworzyć pliku '" + missing +
                                    "KONFIG.TXT': nie ma takiego folderu (kod ",
                                0),
              0u)
        << e.Message();
  }
}

// Without an exchange directory an operation would write its files wherever the back office
// runs: it is refused before anything is written or run.
TEST_F(Config, AnOperationWithoutAnExchangeDirectoryIsRefused) {
  // The folder the tests run in stands for the back office's own.
  const bool existed = testutil::Exists("KONFIG.TXT");
  const std::string before = testutil::ReadFile("KONFIG.TXT");
  host.exchangeDir = "";
  for (int code : {-1, -2, -3, -5, -6}) {
    auto a = Action();
    HTVKDLLSRODOWISKO environment;
    try {
      a->Operacja(&environment, code, 0);
      ADD_FAILURE() << code;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(),
                "Urządzenie nie ma katalogu wymiany danych: ustaw go w danych urządzenia, nic "
                "nie zostało zapisane ani wysłane");
    }
  }
  EXPECT_TRUE(env.runs.empty());
  EXPECT_EQ(testutil::Exists("KONFIG.TXT"), existed);
  EXPECT_EQ(testutil::ReadFile("KONFIG.TXT"), before);
}

// Two operations in one exchange directory (a second station on the same register, two
// devices left with one directory) would read and delete each other's files: the second
// waits for the first, asking the host every 100 ms whether to stop, and when it is stopped
// says which directory was taken.
TEST_F(Config, ASecondOperationInTheSameDirectoryWaitsAndNamesItWhenStopped) {
  bool taken = false;
  void* held = env.LockFile(dir.File("trelvax.lck"), taken);
  ASSERT_NE(held, nullptr);
  host.abortAfterCalls = 3;
  auto a = Action();
  HTVKDLLSRODOWISKO environment;
  try {
    a->Operacja(&environment, -1, 0);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Katalog wymiany " + dir.Path() +
                               " jest zajęty przez inną operację (drugie stanowisko albo drugie "
                               "urządzenie z tym samym katalogiem); spróbuj ponownie, gdy tamta "
                               "się skończy");
  }
  EXPECT_TRUE(env.runs.empty());
  EXPECT_FALSE(testutil::Exists(dir.File("KONFIG.TXT")));
  EXPECT_EQ(env.sleeps, (std::vector<int>{100, 100, 100}));
  EXPECT_EQ(host.messages.front().text,
            "Czekam na koniec innej operacji w katalogu " + dir.Path() + " ...");

  // Once the other lets go, the operation runs, and lets go of the directory in turn.
  env.UnlockFile(held);
  host.abortAfterCalls = -1;
  auto b = Action();
  try {
    b->Operacja(&environment, -1, 0);
  } catch (const Exception&) {
    // the scripted identification has no output; that it ran is what counts here
  }
  EXPECT_EQ(env.runs.size(), 1u);
  void* again = env.LockFile(dir.File("trelvax.lck"), taken);
  EXPECT_NE(again, nullptr);
  env.UnlockFile(again);
  EXPECT_FALSE(testutil::Exists(dir.File("trelvax.lck")));
}

TEST_F(Config, TheDeviceNumberComesFromTheHost) {
  host.deviceNumber = 12;
  EXPECT_EQ(Written(), "$12\tCOM2:9600:STX0:1\t10\r\n");
}

TEST_F(Config, AnOlderLongerFileIsReplacedWhole) {
  testutil::WriteFile(dir.File("KONFIG.TXT"), std::string(200, 'x') + "\r\n");
  EXPECT_EQ(Written(), "$1\tCOM2:9600:STX0:1\t10\r\n");
}

TEST_F(Config, FileModeWritesNothingEvenWhenANewFileIsAskedFor) {
  host.params["ElzabSTXPort"] = "PLIK";
  host.params["ElzabSTXUserKonfig"] = "0";
  EXPECT_EQ(Written(), "");
  EXPECT_FALSE(testutil::Exists(dir.File("KONFIG.TXT")));
}

TEST_F(Config, TheUsersOwnFileIsLeftByteForByte) {
  host.params["ElzabSTXUserKonfig"] = "1";
  testutil::WriteFile(dir.File("KONFIG.TXT"), "$1\tCOM5:19200:STX0:1\t30\r\n# mine\n");
  EXPECT_EQ(Written(), "$1\tCOM5:19200:STX0:1\t30\r\n# mine\n");
}

TEST_F(Config, TheUsersOwnFileMissingEndsTheOperation) {
  host.params["ElzabSTXUserKonfig"] = "1";
  auto a = Action();
  a->ReadParams();
  try {
    a->CreateConfig();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Brak pliku konfig.txt w katalogu Urz_xxxx");
  }
}

TEST_F(Config, WorkingFileNames) {
  auto a = Action();
  EXPECT_EQ(a->Runner().FNameKonfig(), dir.File("KONFIG.TXT"));
  EXPECT_EQ(a->Runner().FNameRaport(), dir.File("RAPORT.TXT"));
  EXPECT_EQ(a->Runner().FNameRaportArch(), dir.File("RAPORT.arc"));
  EXPECT_EQ(a->Runner().FNamePackages(), dir.File("packages.dat"));
  EXPECT_EQ(a->Runner().FNameERL(), dir.File("errors.txt"));
  EXPECT_EQ(a->Runner().FNameFile(100, 1, false), dir.File("otypurz.in"));
  EXPECT_EQ(a->Runner().FNameFile(58, 2, false), dir.File("zbptowar.out"));
  EXPECT_EQ(a->Runner().FNameFile(54, 3, false), dir.File("zgrupa.arc"));
  EXPECT_EQ(a->Runner().FNameFile(1, 2, false), dir.File("ospopmax_sprz.out"));
  EXPECT_EQ(a->Runner().FNameFile(10, 9, false), dir.File("oplat"));
  EXPECT_EQ(a->Runner().FNameFile(30, 2, false), dir.Path());
  EXPECT_EQ(a->Runner().FNameFile(0, 1, true), dir.Path());  // names no file, writes none
}

TEST_F(Config, TheExchangeDirectoryIsUsedInItsShortForm) {
  env.shortPaths[dir.Path()] = "C:\\URZ_1~1\\";
  auto a = Action();
  EXPECT_EQ(a->Runner().FNameKonfig(), "C:\\URZ_1~1\\KONFIG.TXT");
  EXPECT_EQ(a->FNameKEXP(), dir.File("kasa.exp"));  // the host's own files keep its name
}

TEST_F(Config, InputFilesStartWithThreeHeaderLines) {
  host.deviceNumber = 3;
  auto a = Action();
  EXPECT_EQ(a->Runner().FNameFile(100, 1, true), dir.File("otypurz.in"));
  EXPECT_EQ(testutil::ReadFile(dir.File("otypurz.in")), "#3\r\n#\r\n#\r\n");
}

TEST_F(Config, TheSalesCountersInputListsItsThreeOutputs) {
  auto a = Action();
  a->Runner().FNameFile(4, 1, true);
  EXPECT_EQ(testutil::ReadFile(dir.File("ospopmax.in")),
            "#1\r\n#\r\n#\r\n$" + dir.File("ospopmax_sprz.out") + "\t" +
                dir.File("ospopmax_sort.out") + "\t" + dir.File("ospopmax_opak.out") + "\r\n");
}

// A folder named with letters the register's code page does not share ("Ź", "ä", "ť", "©")
// is named to the counters program as it is, whatever the converter is set to.
TEST_F(Config, PathsReachTheProgramsAsTheSystemNamesThem) {
  const std::string folder = dir.File("Źdźbło äť©") + platform::kPathSeparator;
  ASSERT_TRUE(env.MakeDirectories(folder));
  host.exchangeDir = folder;
  auto a = Action();
  // As the import sets it: the register's 852 to 1250.
  TLTools::CodePages fromRegister(a->tools, TLTools::plCp852, TLTools::plCp1250);
  a->Runner().FNameFile(4, 1, true);
  EXPECT_EQ(testutil::ReadFile(folder + "ospopmax.in"),
            "#1\r\n#\r\n#\r\n$" + folder + "ospopmax_sprz.out\t" + folder + "ospopmax_sort.out\t" +
                folder + "ospopmax_opak.out\r\n");
}

TEST_F(Config, InputTextGoesThroughTheCodePageConverter) {
  auto a = Action();
  a->Runner().WriteInFile(dir.File("zgrupa.in"), "$1\tMąka\r\n$2\tŁódź");
  EXPECT_EQ(testutil::ReadFile(dir.File("zgrupa.in")), "#1\r\n#\r\n#\r\n$1\tMąka\r\n$2\tŁódź\r\n");
  TLTools::CodePages towardsRegister(a->tools, TLTools::plCp1250, TLTools::plCp852);
  a->Runner().WriteInFile(dir.File("zgrupa.in"), "$1\tMąka");
  EXPECT_EQ(testutil::ReadFile(dir.File("zgrupa.in")), "#1\r\n#\r\n#\r\n$1\tM\xa5ka\r\n");
}

TEST_F(Config, AnInputFileThatCannotBeWrittenNamesItsPath) {
  auto a = Action();
  const std::string bad = dir.File("brak") + platform::kPathSeparator + "x.in";
  try {
    a->Runner().WriteInFile(bad, "");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Błąd zapisu pliku wyjściowego " + bad);
  }
  // The system's reason is a line of its own before it.
  ASSERT_FALSE(host.messages.empty());
  EXPECT_EQ(
      host.messages.back().text.rfind("Przyczyna: Nie można otworzyć pliku '" + bad + "': ", 0), 0u)
      << host.Dump();
}

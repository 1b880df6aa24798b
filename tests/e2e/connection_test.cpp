// The connection test from end to end: the library loaded as the host loads it, the
// simulator's programs run as real processes in the exchange directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "e2e/Simulator.h"

using e2e::SimulatorTest;

namespace {
bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}
}  // namespace

class Connection : public SimulatorTest {};

TEST_F(Connection, IdentifiesEachModel) {
  struct Case {
    const char* model;
    const char* plu;
    const char* shown;
    const char* nameLength;
  };
  const Case cases[] = {
      {"K10", "4000", "K10", "40"},
      {"K10 online", "5000", "K10 ONLINE", "40"},
      {"Mini online", "3000", "Mini ONLINE", "40"},
      {"Jota online", "2000", "Jota ONLINE", "40"},
      {"Sigma", "50000", "Sigma", "48"},
  };
  UseRegister("COM1");
  RegisterLibrary();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model);
    Ecrsim({"create", "--port", "COM1", "--model", c.model, "--device", "1", "--plu", c.plu});
    host.messages.clear();
    EXPECT_EQ(Operation(-1), 0);
    const std::vector<std::string> lines = host.Texts();
    EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
    EXPECT_EQ(lines.at(0), "Odczyt typu kasy ...\x01OK");
    EXPECT_TRUE(Has(lines, "Numer urządzenia: 1")) << host.Dump();
    EXPECT_TRUE(Has(lines, std::string("Maksymalna ilość PLU w kasie: ") + c.plu)) << host.Dump();
    EXPECT_EQ(lines.back(), std::string("Rozpoznano model: ") + c.shown + " [ Ilość PLU:" + c.plu +
                                " | Długość nazwy towaru:" + c.nameLength + " ]");
    EXPECT_FALSE(testutil::Exists(dir.File("otypurz.in")));
    EXPECT_FALSE(testutil::Exists(dir.File("otypurz.out")));
    EXPECT_EQ(testutil::ReadFile(dir.File("KONFIG.TXT")), "$1\tCOM1:115200:STX0:1\t3\r\n");
  }
}

TEST_F(Connection, TwoDevicesOnOnePortReachOneRegister) {
  UseRegister("COM4");
  RegisterLibrary();
  Ecrsim({"create", "--port", "COM4", "--model", "Sigma", "--device", "1"});
  EXPECT_EQ(Operation(-1), 0);
  testutil::TempDir other("other");
  host.exchangeDir = other.Path();
  host.messages.clear();
  EXPECT_EQ(Operation(-1), 0);
  EXPECT_TRUE(Has(host.Texts(), "Model kasy: Sigma")) << host.Dump();
}

TEST_F(Connection, AProgramThatNeverEndsIsEndedWhenTheHostAsksToStop) {
  UseRegister("COM1");
  RegisterLibrary();
  Ecrsim({"create", "--port", "COM1", "--model", "Sigma"});
  Ecrsim({"fault", "--port", "COM1", "--program", "OTypUrz.exe", "--hang", "600", "--once"});
  host.abortAfterCalls = 1;  // the first check says go on: the wait goes on and asks again
  EXPECT_EQ(Operation(-1), 0);
  EXPECT_EQ(host.abortChecks, 2);
  EXPECT_EQ(host.ErrorTexts(), (std::vector<std::string>{
                                   "Podczas wykonywania operacji 'test połączenia' wystąpił błąd:",
                                   "Operacja przerwana przez użytkownika"}))
      << host.Dump();
  // The register is free again: the ended program holds no lock on it. (The ended run never
  // got as far as using up its one-shot fault.)
  Ecrsim({"clear-faults", "--port", "COM1"});
  host.abortAfterCalls = -1;
  host.messages.clear();
  EXPECT_EQ(Operation(-1), 0);
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
}

TEST_F(Connection, AFailingProgramShowsTheRegistersErrorInTheHostsErrorLines) {
  UseRegister("COM1");
  RegisterLibrary();
  Ecrsim({"create", "--port", "COM1", "--model", "K10"});
  Ecrsim({"fault", "--port", "COM1", "--program", "OTypUrz.exe", "--code", "21", "--desc", "",
          "--once"});
  EXPECT_EQ(Operation(-1), 0);
  EXPECT_EQ(host.ErrorTexts(), (std::vector<std::string>{
                                   "Podczas wykonywania operacji 'test połączenia' wystąpił błąd:",
                                   "Błąd [21]: ### Błąd nr 21. Timeout odbierania"}));
  host.messages.clear();
  EXPECT_EQ(Operation(-1), 0);  // the fault was one-shot
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
}

TEST_F(Connection, TheRegistersOwnDescriptionIsShownWhenItGivesOne) {
  UseRegister("COM1");
  RegisterLibrary();
  Ecrsim({"create", "--port", "COM1", "--model", "K10"});
  // A Polish description reaches ecrsim as the system passes program arguments (UTF-8 on
  // POSIX, the ANSI code page on Windows) and comes back in the register's own text.
  Ecrsim({"fault", "--port", "COM1", "--program", "OTypUrz.exe", "--code", "62", "--desc",
          "Port zajęty"});
  Operation(-1);
  ASSERT_EQ(host.ErrorTexts().size(), 2u) << host.Dump();
  EXPECT_EQ(host.ErrorTexts()[1], "Błąd [62]: Port zajęty");
}

// File mode reads no register: the test says so and runs nothing, leaving the directory's
// KONFIG.TXT (which names some other port) as it is.
TEST_F(Connection, InFileModeTheTestSaysSoAndRunsNothing) {
  UseRegister("COM1");
  host.params["ElzabSTXPort"] = "PLIK";
  RegisterLibrary();
  testutil::WriteFile(dir.File("KONFIG.TXT"), "$1\tCOM5:9600:STX0:1\t3\r\n");
  EXPECT_EQ(Operation(-1), 0);
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_TRUE(
      Has(host.Texts(),
          "Ustawione złącze PLIK: sterownik nie łączy się z kasą, tylko bierze pliki importu "
          "z katalogu wymiany, więc test połączenia niczego nie uruchamia. Aby sprawdzić "
          "połączenie z kasą, ustaw jej złącze (COM albo LAN)."))
      << host.Dump();
  EXPECT_FALSE(testutil::Exists(dir.File("RAPORT.TXT")));
  EXPECT_EQ(testutil::ReadFile(dir.File("KONFIG.TXT")), "$1\tCOM5:9600:STX0:1\t3\r\n");
}

TEST_F(Connection, AnUnconfiguredPortTimesOut) {
  UseRegister("COM7");
  RegisterLibrary();
  Operation(-1);
  ASSERT_EQ(host.ErrorTexts().size(), 2u) << host.Dump();
  EXPECT_EQ(host.ErrorTexts()[1].rfind("Błąd [21]: ", 0), 0u) << host.Dump();
}

TEST_F(Connection, AProgramThatExitsWithoutAReportIsAFailure) {
  UseRegister("COM1");
  RegisterLibrary();
  Ecrsim({"create", "--port", "COM1", "--model", "K10"});
  Ecrsim({"fault", "--port", "COM1", "--program", "OTypUrz.exe", "--no-report", "--exit", "5"});
  Operation(-1);
  ASSERT_EQ(host.ErrorTexts().size(), 2u) << host.Dump();
  EXPECT_NE(host.ErrorTexts()[1].find("OTypUrz.exe zakończył pracę z kodem 5"), std::string::npos)
      << host.Dump();
}

TEST_F(Connection, AGarbledOrTruncatedIdentificationIsReportedOrFallsBack) {
  UseRegister("COM1");
  RegisterLibrary();
  Ecrsim({"create", "--port", "COM1", "--model", "Sigma", "--plu", "50000"});
  Ecrsim({"fault", "--port", "COM1", "--program", "OTypUrz.exe", "--truncate", "--once"});
  EXPECT_EQ(Operation(-1), 0);
  // Whatever is left of the output, the test ends with a verdict and no working files.
  EXPECT_FALSE(testutil::Exists(dir.File("otypurz.out")));
  EXPECT_FALSE(host.Texts().empty());
  Ecrsim({"fault", "--port", "COM1", "--program", "OTypUrz.exe", "--garble", "--once"});
  host.messages.clear();
  EXPECT_EQ(Operation(-1), 0);
  EXPECT_FALSE(testutil::Exists(dir.File("otypurz.out")));
}

TEST_F(Connection, TheSharedResourceIsHeldAroundEveryRunEvenWhenTheProgramCannotStart) {
  UseRegister("COM1");
  RegisterLibrary();
  Ecrsim({"create", "--port", "COM1", "--model", "K10"});
  EXPECT_EQ(Operation(-1), 0);
  std::vector<std::string> resource;
  for (const std::string& e : host.events) {
    if (e.rfind("22 ", 0) == 0 || e.rfind("23 ", 0) == 0) resource.push_back(e);
  }
  EXPECT_EQ(resource, (std::vector<std::string>{"22 HeavyLoadSection", "23 HeavyLoadSection"}));
  host.params["ElzabSTXExePath"] = dir.Path() + "nowhere";
  host.events.clear();
  host.messages.clear();
  Operation(-1);
  EXPECT_NE(host.ErrorTexts().at(1).find("Błąd uruchomienia "), std::string::npos) << host.Dump();
  resource.clear();
  for (const std::string& e : host.events) {
    if (e.rfind("22 ", 0) == 0 || e.rfind("23 ", 0) == 0) resource.push_back(e);
  }
  EXPECT_EQ(resource, (std::vector<std::string>{"22 HeavyLoadSection", "23 HeavyLoadSection"}));
}

TEST_F(Connection, DirectoriesWithSpacesWork) {
  // The exchange directory and the programs' folder both hold blanks in their names; on
  // Windows the programs get the short forms of the paths.
  const std::string exchange = dir.Path() + "Urz 1" + platform::kPathSeparator;
  const std::string programs = dir.Path() + "Programy Elzab";
  ASSERT_TRUE(platform::Env::Default()->MakeDirectories(exchange));
  ASSERT_TRUE(platform::Env::Default()->MakeDirectories(programs));
  const std::string name = "OTypUrz.exe";
  std::filesystem::copy_file(testutil::Join(e2e::SimulatorDir(), name),
                             testutil::Join(programs, name));
#ifndef _WIN32
  std::filesystem::permissions(testutil::Join(programs, name), std::filesystem::perms::owner_all);
#endif
  host.exchangeDir = exchange;
  UseRegister("COM2", programs);
  RegisterLibrary();
  Ecrsim({"create", "--port", "COM2", "--model", "K10 online"});
  Ecrsim({"fault", "--port", "COM2", "--program", "OTypUrz.exe", "--code", "23", "--once"});
  EXPECT_EQ(Operation(-1), 0);
  // The failed run left its report: it names the input path the program was given.
  const std::string report = testutil::ReadFile(exchange + "RAPORT.TXT");
  const size_t at = report.find("Plik wejściowy: ");
  ASSERT_NE(at, std::string::npos) << report;
  const std::string input = report.substr(at + 16, report.find('\r', at) - at - 16);
#ifdef _WIN32
  EXPECT_EQ(input.find(' '), std::string::npos) << input;
#endif
  EXPECT_EQ(platform::FileNameOf(input), "otypurz.in");
  host.messages.clear();
  EXPECT_EQ(Operation(-1), 0);
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_TRUE(Has(host.Texts(), "Model kasy: K10 online")) << host.Dump();
}

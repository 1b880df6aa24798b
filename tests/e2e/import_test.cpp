// The sales import from end to end: the library loaded as the host loads it, and either the
// ELZAB programs' outputs placed by hand in the exchange directory (file mode, port "PLIK")
// or a day rung up on a simulated register and read by the simulator's programs (port mode).
// What the host is given is checked as the back office receives it: the stored kasa.imp, the
// host's message list, and the files the import leaves in the exchange directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "e2e/Simulator.h"
#include "testutil/ImportBooks.h"

using e2e::SimulatorTest;

namespace {

constexpr char kPort[] = "COM1";
constexpr char kHeader[] = "#1\r\n#\r\n#\r\n";
constexpr char kLeftovers[] =
    "Import z zaległych danych! Coś się nie udało przy ostatnim imporcie!";
constexpr char kNothingNew[] =
    "Kasa nie zarejestrowała niczego nowego od poprzedniego importu: do bazy nie ma czego "
    "zapisać";
constexpr char kNoFiles[] = "Ustawione złącze PLIK, a nie ma żadnych plików importowych!";

// The program runs as the host's list announces them.
constexpr char kRunCounters[] = "Odczyt danych o sprzedaży ...";
constexpr char kRunClock[] = "Odczyt aktualnego czasu na kasie ...";
constexpr char kRunCashier[] = "Odczyt danych o kasjerze ...";
constexpr char kRunStatistics[] = "Odczyt danych statystycznych dla zalogowanego kasjera ...";
constexpr char kRunPayments[] = "Odczyt form płatności ...";
constexpr char kRunReceipts[] = "Odczyt pozycji paragonowych ...";

// The goods of the simulated register: milk, bread, and a returnable bottle.
const char kGoods[] =
    "#1\r\n#\r\n#\r\n"
    "$12\tMleko\t1\t1\t0\t0\t0\t\t350\t0\t0\t0\t0\t0\t0\t0\r\n"
    "$13\tChleb\t1\t1\t0\t0\t0\t\t300\t0\t0\t0\t0\t0\t0\t0\r\n"
    "$40\tButelka\t1\t1\t0\t0\t0\t\t50\t1\t0\t0\t0\t0\t0\t0\r\n";

// A day: two receipts, one with a returned bottle, and a sold bottle.
const char kDay[] =
    "date 2026-12-08\n"
    "time 10:15\n"
    "cashier 1 Anna Żak\n"
    "receipt\n"
    "  sell 12 2\n"
    "  return 40 1\n"
    "end\n"
    "time 11:30\n"
    "receipt\n"
    "  sell 13 1\n"
    "  sell 40 2\n"
    "end\n";

// 27 tab-separated columns of the cashier statistics, with these set.
std::string Statistics(const std::vector<std::pair<int, std::string>>& set) {
  std::vector<std::string> columns(27, "0");
  for (const auto& [n, v] : set) columns[static_cast<size_t>(n)] = v;
  std::string line = "$";
  for (size_t i = 0; i < columns.size(); ++i) line += (i > 0 ? "\t" : "") + columns[i];
  return line + "\r\n";
}

// Cashier 1, cash 100,00 + 25,00 + 0 - 5,00, card 2,00, voucher 1,00, cheque 3,00, shift from
// 2026-12-08 08:30, 3 receipts, 1 voided line worth 3,50.
std::string SigmaStatistics() {
  return kHeader + Statistics({{0, "1"},
                               {1, "10000"},
                               {2, "2500"},
                               {3, "0"},
                               {4, "500"},
                               {5, "200"},
                               {8, "100"},
                               {11, "300"},
                               {15, "26.12.08"},
                               {16, "08:30"},
                               {17, "Anna"},
                               {18, "3"},
                               {19, "1"},
                               {26, "350"}});
}

const char kPayments[] =
    "#1\r\n#\r\n#\r\n"
    "$1\tGOTÓWKA\t0\t0\t0\t0\t0\r\n$2\tKARTA\t1\t0\t0\t0\t0\r\n$3\tBON\t2\t0\t0\t0\tT\r\n"
    "$4\tCZEK\t3\t0\t0\t0\t0\r\n$5\tINNA\t4\t0\t0\t0\t0\r\n$6\t\t0\t0\t0\t0\t0\r\n"
    "$7\t\t0\t0\t0\t0\t0\r\n";

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

class Import : public SimulatorTest {
 protected:
  void SetUp() override {
    SimulatorTest::SetUp();
    host.onStore = [this](int code) {
      if (code == 17) stored.push_back(testutil::ReadFile(host.exchangeDir + "kasa.imp"));
    };
    host.params["DataImportu"] = "2026-12-08";
    host.params["ElzabSTXReceipts"] = "0";
  }

  // File mode: the outputs are what the exchange directory holds.
  void FileMode() {
    host.params["ElzabSTXPort"] = "PLIK";
    RegisterLibrary();
  }

  // A register `model` on COM1 with the goods above; port mode.
  void Register(const std::string& model) {
    Ecrsim({"create", "--port", kPort, "--model", model});
    ASSERT_NO_FATAL_FAILURE(LoadGoods(kGoods));
    testutil::WriteFile(dir.File("packages.dat"), "40\r\n");
    UseRegister(kPort);
    RegisterLibrary();
  }

  void Sell(const std::string& scenario) {
    testutil::WriteFile(state.File("day.txt"), scenario);
    Ecrsim({"sell", "--port", kPort, state.File("day.txt")});
  }

  // Runs the import; the host's list and what it stored start afresh.
  int RunImport() {
    host.messages.clear();
    host.events.clear();
    stored.clear();
    int result = Operation(-3);
    EXPECT_TRUE(sessionBuffer.WellFormed());
    return result;
  }

  bool Listed(const std::string& text) const {
    for (const std::string& t : host.Texts()) {
      if (Has(t, text)) return true;
    }
    return false;
  }
  int ListedCount(const std::string& text) const {
    int n = 0;
    for (const std::string& t : host.Texts()) n += Has(t, text) ? 1 : 0;
    return n;
  }
  bool ErrorListed(const std::string& text) const {
    for (const std::string& t : host.ErrorTexts()) {
      if (Has(t, text)) return true;
    }
    return false;
  }
  bool Exists(const std::string& name) { return testutil::Exists(dir.File(name)); }

  std::vector<std::string> stored;
};

// ----- File mode ---------------------------------------------------------------------------

// Returns of bottle 40 merge into one line; the two sales of milk stay two lines; the sold
// bottle counts as packaging sold; bread with nothing sold is left out. The Sigma's cashier
// section comes from its statistics (cash 100 + 25 + 0 - 5), the name from the cashier list in
// code page 852, the current time from its clock.
TEST_F(Import, FileModeGivesTheHostTheDayByteForByte) {
  testutil::WriteFile(dir.File("packages.dat"), "40\r\n");
  testutil::WriteFile(
      dir.File("ospopmax_opak.out"),
      std::string(kHeader) + "$40\t1.500\t75\r\n$41\t0.000\t0\r\n$40\t1.000\t50\r\n#\t3\t125\r\n");
  testutil::WriteFile(dir.File("ospopmax_sort.out"),
                      std::string(kHeader) +
                          "$12\t2.000\t700\r\n$40\t3.000\t150\r\n$12\t1.000\t350\r\n"
                          "$13\t0.000\t0\r\n#\t4\t1200\r\n");
  testutil::WriteFile(dir.File("oikaswla.out"), SigmaStatistics());
  // "Paweł" and "Anna Żak" in code page 852 (ł 0x88, Ż 0xBD).
  testutil::WriteFile(dir.File("okasjer.out"), std::string(kHeader) +
                                                   "$2\tPawe\x88\t0\r\n$1\t Anna \xBD"
                                                   "ak \t1\r\n");
  testutil::WriteFile(dir.File("ozegar.out"), std::string(kHeader) + "$26.12.08\t18:45\r\n");
  testutil::WriteFile(dir.File("oplat.out"), kPayments);
  FileMode();

  EXPECT_EQ(RunImport(), 0);
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_EQ(stored[0],
            "[TOWAROWE]\r\n"
            "PLU;40;;-2500;-125\r\n"
            "PLU;12;;2000;700\r\n"
            "PLU;40;;3000;150\r\n"
            "PLU;12;;1000;350\r\n"
            "\r\n[OPERACJE]\r\n"
            "\r\n[RAPORT_GODZINOWY]\r\n"
            "\r\n[RAPORT_WALUTOWY]\r\n"
            "\r\n[FINANSOWE]\r\n"
            "WPLATY;0\r\nWYPLATY;0\r\nRABATY;0\r\n"
            "ZWROT_OPAKOWAN;125\r\nSPRZEDAZ_OPAKOWAN;150\r\n"
            "FPLATN_BON;0\r\nFPLATN_CZEK;0\r\nFPLATN_KARTA;0\r\nFPLATN_INNE;0\r\n"
            "IL_KOSZYKOW;0\r\nIL_LINII_PAR;0\r\n"
            "\r\n[STAN_KASY]\r\n"
            "KAS_NUMER;1\r\n"
            "KAS_NAZWISKO;Anna Żak\r\n"
            "KAS_ZMSTART;20261208083000000\r\n"
            "KAS_BIEZ;20261208184500000\r\n"
            "KAS_STANKASY;12000\r\n"
            "KAS_KARTY;200\r\n"
            "KAS_BONY;100\r\n"
            "KAS_CZEKI;300\r\n"
            "KAS_PARAGONOW;3\r\n"
            "KAS_IL_STORNO;1\r\n"
            "KAS_WART_STORNO;350\r\n"
            "\r\n[FLAGI]\r\n"
            "DATA_SPRZEDAZY;20261208000000000\r\n"
            "FISK_Z_PLU;T\r\nNADPISZ_FISK;N\r\nNADPISZ_OPAK;T\r\nPODSUMUJ_OPAK;N\r\n"
            "NADPISZ_PLU;N\r\nDOKLEJ_PLU;N\r\n");
  // The archive holds the same file; the counters' outputs are archived and gone, the
  // cashier's, clock's and payment forms' stay.
  EXPECT_TRUE(Has(testutil::ReadFile(dir.File("arch1.imp")), "PLU;40;;-2500;-125")) << host.Dump();
  EXPECT_FALSE(Exists("ospopmax_sort.out"));
  EXPECT_FALSE(Exists("ospopmax_opak.out"));
  EXPECT_TRUE(Exists("ospopmax_sort.arc"));
  EXPECT_TRUE(Exists("ospopmax_opak.arc"));
  for (const char* kept : {"oikaswla.out", "okasjer.out", "ozegar.out", "oplat.out"}) {
    EXPECT_TRUE(Exists(kept)) << kept;
  }
}

TEST_F(Import, FileModeWithoutOutputsSaysSoAndStoresNothing) {
  FileMode();
  RunImport();
  EXPECT_TRUE(ErrorListed(kNoFiles)) << host.Dump();
  EXPECT_TRUE(stored.empty());
  EXPECT_FALSE(Exists("kasa.imp"));
}

// ----- Bad outputs in file mode ------------------------------------------------------------

// Counters that cannot be read as numbers, a line without its value, a last line cut off:
// that is not the register's file, and reading it as no sale would hand the back office a
// wrong day. The import ends naming the file, and the outputs stay for the next try.
TEST_F(Import, FileModeCountersWithGarbageOrMissingColumnsAreAnErrorNamingTheFile) {
  testutil::WriteFile(dir.File("ospopmax_opak.out"),
                      std::string(kHeader) + "$40\tx.y\tzz\r\n$41\r\n40\t1.000\t50\r\n");
  testutil::WriteFile(dir.File("ospopmax_sort.out"),
                      std::string(kHeader) + "$12\t2.000\r\n$13\tabc\t300\r\n$14\t1.0");
  FileMode();
  RunImport();
  const std::vector<std::string> errors = host.ErrorTexts();
  ASSERT_FALSE(errors.empty()) << host.Dump();
  EXPECT_TRUE(Has(errors.back(), "ospopmax_opak.out: nieczytelny wiersz 4")) << host.Dump();
  EXPECT_TRUE(stored.empty());
  EXPECT_TRUE(Exists("ospopmax_opak.out"));
  EXPECT_TRUE(Exists("ospopmax_sort.out"));

  // The returns mended, the sales file's cut last line is named next.
  testutil::WriteFile(dir.File("ospopmax_opak.out"), std::string(kHeader) + "#\t0\t0\r\n");
  RunImport();
  ASSERT_FALSE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_TRUE(
      Has(host.ErrorTexts().back(), "ospopmax_sort.out: plik urwany, ostatni wiersz niepełny"))
      << host.Dump();
  EXPECT_TRUE(stored.empty());
}

struct BadStatistics {
  const char* name;
  std::string file;
};

class ImportBadStatistics : public Import, public ::testing::WithParamInterface<BadStatistics> {};

// A statistics file whose integer column is no integer, or too short to have it, ends the
// import with the conversion's message; nothing is stored and every output stays.
TEST_P(ImportBadStatistics, EndsWithAnErrorAndKeepsTheOutputs) {
  testutil::WriteFile(dir.File("ospopmax_sort.out"), std::string(kHeader) + "$12\t1.000\t350\r\n");
  testutil::WriteFile(dir.File("oikaswla.out"), GetParam().file);
  FileMode();
  RunImport();
  EXPECT_FALSE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_TRUE(stored.empty()) << host.Dump();
  EXPECT_TRUE(Exists("ospopmax_sort.out"));
  EXPECT_TRUE(Exists("oikaswla.out"));
  EXPECT_FALSE(Exists("ospopmax_sort.arc"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImportBadStatistics,
    ::testing::Values(
        BadStatistics{"NonNumericCashier", kHeader + Statistics({{0, "jeden"}})},
        BadStatistics{"NonNumericReceipts", kHeader + Statistics({{0, "1"}, {18, "3x"}})},
        BadStatistics{"EmptyCardColumn", kHeader + Statistics({{0, "1"}, {5, ""}})},
        BadStatistics{"TooFewColumns", std::string(kHeader) + "$1\t100\t0\t0\t0\t200\r\n"}),
    [](const ::testing::TestParamInfo<BadStatistics>& info) { return info.param.name; });

// A statistics file without a data line (or whose only line lacks "$") leaves the cashier
// section with the number 0 alone; the import goes on.
TEST_F(Import, FileModeStatisticsWithoutADataLineGiveCashierZero) {
  testutil::WriteFile(dir.File("ospopmax_sort.out"), std::string(kHeader) + "$12\t1.000\t350\r\n");
  testutil::WriteFile(dir.File("oikaswla.out"), std::string(kHeader) + "1\t100\t0\r\n");
  FileMode();
  EXPECT_EQ(RunImport(), 0);
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_TRUE(Has(stored[0], "\r\n[STAN_KASY]\r\nKAS_NUMER;0\r\n\r\n[FLAGI]")) << stored[0];
}

// A cashier list without the logged-in cashier, and an empty clock file: the name falls back
// to "<nieznany kasjer>".
TEST_F(Import, FileModeUnknownCashierKeepsTheFallbackName) {
  testutil::WriteFile(dir.File("oikaswla.out"), SigmaStatistics());
  testutil::WriteFile(dir.File("okasjer.out"), std::string(kHeader) + "$2\tJan\t0\r\n");
  testutil::WriteFile(dir.File("ozegar.out"), "");
  testutil::WriteFile(dir.File("ospopmax_sort.out"), "");
  FileMode();
  EXPECT_EQ(RunImport(), 0);
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_TRUE(Has(stored[0], "KAS_NUMER;1\r\nKAS_NAZWISKO;<nieznany kasjer>\r\n")) << stored[0];
}

// ----- Port mode ---------------------------------------------------------------------------

// A record of stored days left without its outputs (they were taken away by hand) describes
// nothing the register now gives: the fresh day is stored whole.
TEST_F(Import, ARecordOfStoredDaysWithoutItsOutputsSkipsNothing) {
  ASSERT_NO_FATAL_FAILURE(Register("K10"));
  Sell(kDay);
  testutil::WriteFile(dir.File("zapisane.txt"),
                      "DataImportu=2026-12-08\r\nzapisano=2026-12-08\r\n");
  EXPECT_EQ(RunImport(), 0);
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_TRUE(Has(stored[0], "PLU;12;;2000;700\r\n")) << stored[0];
  EXPECT_FALSE(Exists("zapisane.txt"));
}

// A K10 has no cashier programs and no receipt buffer: only the counters are read.
TEST_F(Import, K10RunsOnlyTheCountersProgram) {
  ASSERT_NO_FATAL_FAILURE(Register("K10"));
  Sell(kDay);
  EXPECT_EQ(RunImport(), 0);
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_TRUE(Listed(kRunCounters));
  for (const char* other : {kRunClock, kRunCashier, kRunStatistics, kRunPayments, kRunReceipts}) {
    EXPECT_FALSE(Listed(other)) << other << "\n" << host.Dump();
  }
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  // Milk 2 x 3,50, bread 3,00, two bottles sold 1,00; one bottle returned 0,50.
  EXPECT_TRUE(Has(stored[0], "[TOWAROWE]\r\nPLU;40;;-1000;-50\r\n")) << stored[0];
  EXPECT_TRUE(Has(stored[0], "PLU;12;;2000;700\r\n")) << stored[0];
  EXPECT_TRUE(Has(stored[0], "PLU;13;;1000;300\r\n")) << stored[0];
  EXPECT_TRUE(Has(stored[0], "PLU;40;;2000;100\r\n")) << stored[0];
  EXPECT_TRUE(Has(stored[0], "ZWROT_OPAKOWAN;50\r\nSPRZEDAZ_OPAKOWAN;100\r\n")) << stored[0];
  EXPECT_FALSE(Has(stored[0], "[STAN_KASY]")) << stored[0];
}

// A Sigma runs the counters, clock, cashier, statistics and payment-form programs, then the
// receipt buffer; the outputs of functions 1 to 6 are archived and removed, 7 to 10 stay.
TEST_F(Import, SigmaRunsEveryProgramAndKeepsTheCashierOutputs) {
  ASSERT_NO_FATAL_FAILURE(Register("Sigma"));
  Sell(kDay);
  EXPECT_EQ(RunImport(), 0);
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  const std::vector<std::string> texts = host.Texts();
  std::vector<size_t> order;
  for (const char* run :
       {kRunCounters, kRunClock, kRunCashier, kRunStatistics, kRunPayments, kRunReceipts}) {
    auto it =
        std::find_if(texts.begin(), texts.end(), [&](const std::string& t) { return Has(t, run); });
    ASSERT_NE(it, texts.end()) << run << "\n" << host.Dump();
    order.push_back(static_cast<size_t>(it - texts.begin()));
  }
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << host.Dump();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_TRUE(Has(stored[0], "[STAN_KASY]\r\nKAS_NUMER;1\r\nKAS_NAZWISKO;Anna Żak\r\n"))
      << stored[0];
  for (const char* gone :
       {"ospopmax_sprz.out", "ospopmax_sort.out", "ospopmax_opak.out", "opsproz4.out"}) {
    EXPECT_FALSE(Exists(gone)) << gone;
  }
  for (const char* archived :
       {"ospopmax_sprz.arc", "ospopmax_sort.arc", "ospopmax_opak.arc", "opsproz4.arc"}) {
    EXPECT_TRUE(Exists(archived)) << archived;
  }
  for (const char* kept : {"oikaswla.out", "okasjer.out", "ozegar.out", "oplat.out"}) {
    EXPECT_TRUE(Exists(kept)) << kept;
  }
}

// An exchange directory whose name holds letters that code page 852 spells otherwise (a
// folder without a short name on Windows): the paths handed to the programs stay as they are,
// while the register's texts are still read from 852.
TEST_F(Import, AnExchangeDirectoryWithPolishLettersImportsTheDay) {
  host.params["ElzabSTXReceipts"] = "1";
  ASSERT_NO_FATAL_FAILURE(Register("Sigma"));
  host.exchangeDir = dir.File("Źródło-äť©Łódź") + platform::kPathSeparator;
  ASSERT_TRUE(platform::Env::Default()->MakeDirectories(host.exchangeDir));
  testutil::WriteFile(host.exchangeDir + "packages.dat", "40\r\n");
  Sell(kDay);
  EXPECT_EQ(RunImport(), 0);
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_TRUE(Has(stored[0], "PLU;12;;2000;700\r\n")) << stored[0];
  EXPECT_TRUE(Has(stored[0], "KAS_NAZWISKO;Anna Żak\r\n")) << stored[0];
  EXPECT_TRUE(Has(stored[0], "[PARAGON nr ")) << stored[0];
  EXPECT_TRUE(testutil::Exists(host.exchangeDir + "ospopmax_sprz.arc"));
}

// An empty day on a K10: the buffer is saved and archived, but the host is not asked to take
// it in.
TEST_F(Import, EmptyDayIsArchivedButNotStored) {
  ASSERT_NO_FATAL_FAILURE(Register("K10"));
  EXPECT_EQ(RunImport(), 0);
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_TRUE(stored.empty()) << host.Dump();
  EXPECT_TRUE(std::find(host.events.begin(), host.events.end(), "17") == host.events.end());
  EXPECT_TRUE(Exists("kasa.imp"));
  EXPECT_TRUE(Has(testutil::ReadFile(dir.File("arch1.imp")), "[FLAGI]"));
}

// A garbled statistics file stops the import after the programs ran: the outputs stay. The
// next import warns and imports the leftovers first; reading the register again finds the
// same sales there (no daily report between): nothing new of them, so that second store holds
// only the register's cashier section, which the leftovers' pass left to the new read.
TEST_F(Import, OutputsOfAFailedRunAreImportedFirstByTheNext) {
  ASSERT_NO_FATAL_FAILURE(Register("Sigma"));
  Sell(kDay);
  Ecrsim({"fault", "--port", kPort, "--program", "OIKasWla.exe", "--garble", "--once"});
  RunImport();
  EXPECT_FALSE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_TRUE(stored.empty()) << host.Dump();
  EXPECT_TRUE(Exists("ospopmax_sort.out"));
  EXPECT_TRUE(Exists("opsproz4.out"));

  // The damaged cashier statistics of the failed run do not stop the next import: its
  // leftover pass takes in the sales, and the register's cashier section is read anew.
  EXPECT_EQ(RunImport(), 0);
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_EQ(ListedCount(kLeftovers), 1) << host.Dump();
  ASSERT_EQ(stored.size(), 2u) << host.Dump();
  EXPECT_TRUE(Has(stored[0], "PLU;12;;2000;700\r\n")) << stored[0];
  EXPECT_TRUE(Has(stored[1], "[TOWAROWE]\r\n\r\n[OPERACJE]")) << stored[1];
  EXPECT_TRUE(Has(stored[1], "KAS_NUMER;1\r\n")) << stored[1];
  EXPECT_FALSE(Exists("ospopmax_sort.out"));
  EXPECT_TRUE(Exists("przekazane.txt"));
}

// A receipt-buffer program that never ends is ended when the person asks to stop: the import
// fails as an abort, stores nothing, and leaves no part of the buffer to be taken as whole.
// Once the register answers again the next import takes in the whole day.
TEST_F(Import, AHungProgramIsEndedByTheHostsAbortAndTheNextImportTakesTheWholeDay) {
  ASSERT_NO_FATAL_FAILURE(Register("Sigma"));
  Sell(kDay);
  Ecrsim({"fault", "--port", kPort, "--program", "OPSpRoz4.exe", "--hang", "600"});
  // The runner asks only once a program has run for a second: every program before the hung
  // one has ended by then on a quiet machine.
  host.abortAnswer = true;
  RunImport();
  EXPECT_GT(host.abortChecks, 0);
  EXPECT_TRUE(Listed("Operacja przerwana przez użytkownika")) << host.Dump();
  EXPECT_TRUE(stored.empty()) << host.Dump();
  EXPECT_FALSE(Exists("opsproz4.out"));

  host.abortAnswer = false;
  Ecrsim({"clear-faults", "--port", kPort});
  EXPECT_EQ(RunImport(), 0);
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  const testutil::Books books = testutil::Book(stored);
  EXPECT_EQ(books.at("20261208 qty 12"), 2000) << testutil::Show(books);
  EXPECT_FALSE(Exists("opsproz4.out"));
}

// The host refusing the store fails the import, and the outputs stay for the next one.
TEST_F(Import, RefusedStoreLeavesTheOutputsForTheNextImport) {
  ASSERT_NO_FATAL_FAILURE(Register("K10"));
  Sell(kDay);
  host.storeAnswer = false;
  RunImport();
  EXPECT_FALSE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_TRUE(Exists("ospopmax_sort.out"));

  host.storeAnswer = true;
  EXPECT_EQ(RunImport(), 0);
  EXPECT_EQ(ListedCount(kLeftovers), 1) << host.Dump();
  // The register still holds the same day: the leftovers were the whole of it.
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_TRUE(Has(stored[0], "PLU;12;;2000;700\r\n")) << stored[0];
  EXPECT_FALSE(Exists("ospopmax_sort.out"));
}

// ----- Recovery -----------------------------------------------------------------------------

// The next day at a shop with a Sigma: the day before was imported, its daily report done,
// and new sales rung up.
const char kNextDay[] =
    "date 2026-12-09\n"
    "time 09:05\n"
    "cashier 1 Anna Żak\n"
    "receipt\n"
    "  sell 13 3\n"
    "end\n"
    "deposit 20\n";

// The import of a day on a Sigma (sales from the counters, the receipt buffer imported too)
// stores the day and then cannot archive the counters' output (here a folder of that name
// stands in for a full disk or a file another program holds). After the daily report and the
// next day's sales, the next import, on the same date or the next one, skips the day the host
// has and takes in the new one: across both, every receipt, void, deposit and payment-form
// total once, and the goods as two undisturbed imports give them.
class ImportAfterAFailedCleanUp : public Import, public ::testing::WithParamInterface<const char*> {
 protected:
  // The two days imported as they should be, in an exchange directory of their own.
  std::vector<std::string> Undisturbed() {
    testutil::TempDir clean("clean");
    host.exchangeDir = clean.Path();
    testutil::WriteFile(clean.File("packages.dat"), "40\r\n");
    Sell(kDay);
    EXPECT_EQ(RunImport(), 0);
    EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
    std::vector<std::string> files = stored;
    Ecrsim({"zero", "--port", kPort});
    Sell(kNextDay);
    host.params["DataImportu"] = GetParam();
    EXPECT_EQ(RunImport(), 0);
    EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
    files.insert(files.end(), stored.begin(), stored.end());
    host.params["DataImportu"] = "2026-12-08";
    host.exchangeDir = dir.Path();
    // The same register anew, numbering its receipts from the start again.
    Ecrsim({"remove", "--port", kPort});
    Ecrsim({"create", "--port", kPort, "--model", "Sigma"});
    EXPECT_NO_FATAL_FAILURE(LoadGoods(kGoods));
    return files;
  }
};

TEST_P(ImportAfterAFailedCleanUp, TheNextImportOnAnyDateStoresNothingTwice) {
  host.params["ElzabSTXReceipts"] = "1";
  ASSERT_NO_FATAL_FAILURE(Register("Sigma"));
  const std::vector<std::string> expected = Undisturbed();
  ASSERT_EQ(expected.size(), 2u);

  std::vector<std::string> all;
  Sell(kDay);
  ASSERT_TRUE(platform::Env::Default()->MakeDirectories(dir.File("ospopmax_sort.arc")));
  RunImport();
  EXPECT_TRUE(ErrorListed("ospopmax_sort.arc")) << host.Dump();
  EXPECT_EQ(stored.size(), 1u) << host.Dump();
  all = stored;
  EXPECT_TRUE(Exists("zapisane.txt"));
  std::filesystem::remove(dir.File("ospopmax_sort.arc"));

  Ecrsim({"zero", "--port", kPort});
  Sell(kNextDay);
  host.params["DataImportu"] = GetParam();
  EXPECT_EQ(RunImport(), 0);
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_EQ(ListedCount(kLeftovers), 1) << host.Dump();
  // The host has all the leftovers hold: nothing of them is stored again.
  EXPECT_TRUE(Listed(kNothingNew)) << host.Dump();
  for (const std::string& f : stored) all.push_back(f);
  EXPECT_EQ(testutil::Show(testutil::Book(all)), testutil::Show(testutil::Book(expected)));
  EXPECT_FALSE(Exists("zapisane.txt"));
  EXPECT_FALSE(Exists("ospopmax_sort.out"));
}

INSTANTIATE_TEST_SUITE_P(Dates, ImportAfterAFailedCleanUp,
                         ::testing::Values("2026-12-08", "2026-12-09"), [](const auto& info) {
                           return std::string(info.param) == "2026-12-08" ? "SameDate" : "NextDate";
                         });

// More of the same day, rung up after a failed import, at an hour of its own.
const char kLater[] =
    "date 2026-12-08\n"
    "time 14:20\n"
    "cashier 1 Anna Żak\n"
    "receipt\n"
    "  sell 12 1\n"
    "  sell 40 1\n"
    "end\n"
    "withdraw 5\n";

// An import that fails at one of the register's programs (or whose store the host refuses),
// and then imports until one ends well: at once, after more sales of the same day, or after
// the daily report and the next day's sales (only after a failure that read everything: a
// daily report destroys what a failed read left on the register, which is why the shop is
// told to do it only after an import that ended well); the first retry may fail the same way.
// Across
// all of them the back office books what one undisturbed import of the same sales does:
// every goods quantity, money total, hourly line, receipt, deposit and withdrawal once.
struct Retry {
  const char* name;
  const char* model;
  const char* program;            // the program that fails; "store" for the host's refusal
  int failures;                   // imports that fail before one ends well
  int between;                    // 0 nothing, 1 more sales, 2 the daily report and the next day
  const char* damaged = nullptr;  // the program writes this output damaged, and the
                                  // technician moves it out of the exchange directory
  bool receipts = true;           // "ElzabSTXReceipts"
  bool dated = false;             // a receipt paid by the register's form 3, which carries a
                                  // date
};

// The day with its first receipt paid by form 3.
const char kDatedDay[] =
    "date 2026-12-08\n"
    "time 10:15\n"
    "cashier 1 Anna Żak\n"
    "receipt\n"
    "  sell 12 2\n"
    "  pay 3 7,00\n"
    "end\n";

class ImportUntilOneEndsWell : public Import, public ::testing::WithParamInterface<Retry> {
 protected:
  void Between() {
    if (GetParam().between == 1) Sell(kLater);
    if (GetParam().between == 2) {
      Ecrsim({"zero", "--port", kPort});
      Sell(kNextDay);
    }
  }
};

TEST_P(ImportUntilOneEndsWell, BooksEverySaleOnce) {
  const Retry& r = GetParam();
  host.params["ElzabSTXReceipts"] = r.receipts ? "1" : "0";
  ASSERT_NO_FATAL_FAILURE(Register(r.model));
  const char* const sales = r.dated ? kDatedDay : kDay;
  if (r.dated) Ecrsim({"payment-date", "--port", kPort, "3", "on"});
  std::vector<std::string> expected;
  {
    testutil::TempDir clean("clean");
    host.exchangeDir = clean.Path();
    testutil::WriteFile(clean.File("packages.dat"), "40\r\n");
    Sell(sales);
    if (r.between == 1) Sell(kLater);
    EXPECT_EQ(RunImport(), 0);
    expected = stored;
    if (r.between == 2) {
      Between();
      EXPECT_EQ(RunImport(), 0);
      expected.insert(expected.end(), stored.begin(), stored.end());
    }
    EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
    host.exchangeDir = dir.Path();
    Ecrsim({"remove", "--port", kPort});
    Ecrsim({"create", "--port", kPort, "--model", r.model});
    ASSERT_NO_FATAL_FAILURE(LoadGoods(kGoods));
    if (r.dated) Ecrsim({"payment-date", "--port", kPort, "3", "on"});
  }
  if (r.dated) {
    ASSERT_TRUE(Has(testutil::Show(testutil::Book(expected)), "PMT;1;700;100;;;1;1;"))
        << testutil::Show(testutil::Book(expected));
  }

  std::vector<std::string> all;
  Sell(sales);
  for (int n = 0; n < r.failures; ++n) {
    SCOPED_TRACE(n);
    if (std::string(r.program) == "store") {
      host.storeAnswer = false;
    } else if (r.damaged != nullptr) {
      Ecrsim({"fault", "--port", kPort, "--program", r.program, "--garble", "--once"});
    } else {
      Ecrsim({"fault", "--port", kPort, "--program", r.program, "--code", "62", "--once"});
    }
    RunImport();
    EXPECT_FALSE(host.ErrorTexts().empty()) << host.Dump();
    // A refused store is one the back office does not have.
    if (host.storeAnswer) all.insert(all.end(), stored.begin(), stored.end());
    host.storeAnswer = true;
    if (n == 0) Between();
  }
  // The technician moves each damaged output named out of the exchange directory, and
  // imports again.
  for (int n = 0; r.damaged != nullptr && n < 4; ++n) {
    if (n > 0 && RunImport() == 0 && host.ErrorTexts().empty()) break;
    if (n > 0) all.insert(all.end(), stored.begin(), stored.end());
    if (n == 0) {
      EXPECT_TRUE(ErrorListed(r.damaged)) << host.Dump();
    }
    for (const char* name :
         {"ospopmax_opak.out", "ospopmax_sort.out", "opsproz4.out", "oplat.out"}) {
      if (ErrorListed(name)) std::filesystem::remove(dir.File(name));
    }
  }
  if (r.damaged == nullptr) RunImport();
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  all.insert(all.end(), stored.begin(), stored.end());
  EXPECT_EQ(testutil::Show(testutil::Book(all)), testutil::Show(testutil::Book(expected)));
  for (const char* left : {"zapisane.txt", "odczyt.txt", "ospopmax_sort.out"}) {
    EXPECT_FALSE(Exists(left)) << left;
  }
  // What the host has of the register's day is kept for the imports to come.
  EXPECT_TRUE(Exists("przekazane.txt"));
}

INSTANTIATE_TEST_SUITE_P(
    Recovery, ImportUntilOneEndsWell,
    ::testing::Values(Retry{"K10StoreAtOnce", "K10", "store", 1, 0},
                      Retry{"K10StoreTwiceMoreSales", "K10", "store", 2, 1},
                      Retry{"K10StoreDailyReport", "K10", "store", 1, 2},
                      Retry{"SigmaReceiptsAtOnce", "Sigma", "OPSpRoz4.exe", 1, 0},
                      Retry{"SigmaReceiptsTwiceMoreSales", "Sigma", "OPSpRoz4.exe", 2, 1},
                      Retry{"SigmaStoreDailyReport", "Sigma", "store", 1, 2},
                      Retry{"SigmaPaymentsMoreSales", "Sigma", "OPlat.exe", 1, 1},
                      Retry{"SigmaStoreMoreSales", "Sigma", "store", 1, 1},
                      Retry{"SigmaStoreTwiceDailyReport", "Sigma", "store", 2, 2},
                      Retry{"MiniCountersAtOnce", "Mini ONLINE", "OSpOpMax.exe", 1, 0},
                      Retry{"MiniStoreMoreSales", "Mini ONLINE", "store", 1, 1},
                      // Only the receipts' payment totals and hours are left to hand over.
                      Retry{"MiniDamagedReceiptsNoReceipts", "Mini ONLINE", "OPSpRoz4.exe", 1, 0,
                            "opsproz4.out", false},
                      Retry{"JotaDamagedCountersNoReceipts", "Jota ONLINE", "OSpOpMax.exe", 1, 0,
                            "ospopmax_opak.out", false},
                      // The leftover receipts still learn which payment carries a date.
                      Retry{"SigmaDamagedPaymentForms", "Sigma", "OPlat.exe", 1, 0, "oplat.out",
                            true, true}),
    [](const auto& info) { return std::string(info.param.name); });

// What the host has of the register's day, kept during a recovery, can be damaged (a disk
// error, a hand edit): the import then stores nothing and says which file and what to do.
TEST_F(Import, ADamagedSummaryOfWhatTheHostHasStopsTheRecovery) {
  ASSERT_NO_FATAL_FAILURE(Register("K10"));
  Sell(kDay);
  host.storeAnswer = false;
  RunImport();
  host.storeAnswer = true;
  testutil::WriteFile(dir.File("przekazane.txt"), "kasa=0 COM1\r\nsprzedaz=12;x;1\r\n");
  RunImport();
  EXPECT_TRUE(ErrorListed("przekazane.txt jest uszkodzony")) << host.Dump();
  EXPECT_TRUE(stored.empty()) << host.Dump();
  EXPECT_TRUE(Exists("ospopmax_sort.out"));

  std::filesystem::remove(dir.File("przekazane.txt"));
  EXPECT_EQ(RunImport(), 0);
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_TRUE(Has(stored[0], "PLU;12;;2000;700\r\n")) << stored[0];
}

// A host that has not registered its abort service cannot be asked whether to stop: a
// program that takes a few seconds is waited for, and the import ends well.
TEST_F(Import, WithoutTheHostsAbortServiceASlowProgramIsWaitedFor) {
  Ecrsim({"create", "--port", kPort, "--model", "Mini ONLINE"});
  ASSERT_NO_FATAL_FAILURE(LoadGoods(kGoods));
  UseRegister(kPort);
  std::set<int> codes = testutil::RecordingHost::AllServices();
  codes.erase(5);
  RegisterLibrary(codes);
  Sell(kDay);
  Ecrsim({"fault", "--port", kPort, "--program", "OSpOpMax.exe", "--hang", "2.5", "--once"});
  EXPECT_EQ(RunImport(), 0);
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_TRUE(Has(stored[0], "PLU;12;;2000;700\r\n")) << stored[0];
}

#ifndef _WIN32
// A disk that fills while the import file or its archive is written (natively: they are
// the system's always-full device, which refuses what a close writes out): the import fails
// naming the file, the host is not asked to take in a day that is not written whole, and the
// outputs stay for the next import.
TEST_F(Import, AnImportFileThatCannotBeWrittenWholeIsNeverHandedToTheHost) {
  if (std::FILE* probe = std::fopen("/dev/full", "r+b")) {
    std::fclose(probe);
  } else {
    GTEST_SKIP() << "no /dev/full here";
  }
  ASSERT_NO_FATAL_FAILURE(Register("K10"));
  Sell(kDay);
  for (const char* name : {"kasa.imp", "arch1.imp"}) {
    SCOPED_TRACE(name);
    std::filesystem::create_symlink("/dev/full", dir.File(name));
    RunImport();
    EXPECT_TRUE(ErrorListed(dir.File(name) + "'")) << host.Dump();
    EXPECT_TRUE(stored.empty()) << host.Dump();
    EXPECT_TRUE(Exists("ospopmax_sort.out"));
    EXPECT_FALSE(Exists("zapisane.txt"));
    std::filesystem::remove(dir.File(name));
  }
  EXPECT_TRUE(ErrorListed("Błąd zapisu pliku '" + dir.File("arch1.imp") + "'")) << host.Dump();
}
#endif

namespace {

// The method of reading the receipt buffer changed in the middle of a register day: the rest of
// the day is read (and handed over) by the method the morning was, the new one read beside it
// and dropped; the first import after the daily report hands the new day over by the new
// method, which alone is read from then on.
TEST_F(Import, AMethodChangedMidDayAppliesFromTheFirstImportAfterTheDailyReport) {
  host.params["ElzabSTXReceipts"] = "1";
  ASSERT_NO_FATAL_FAILURE(Register("Mini online"));
  Sell(kDay);
  ASSERT_EQ(RunImport(), 0) << host.Dump();
  ASSERT_EQ(stored.size(), 1u);
  const std::string morning = stored[0];

  host.params["ElzabSTXSaleBufferType"] = "1";
  Sell("date 2026-12-08\ntime 15:00\nreceipt\n  sell 13 2\nend\n");
  ASSERT_EQ(RunImport(), 0) << host.Dump();
  EXPECT_EQ(ListedCount(kRunReceipts), 2) << host.Dump();
  EXPECT_TRUE(Listed("nowe obowiązują od pierwszego importu po raporcie dobowym")) << host.Dump();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_TRUE(Has(stored[0], "PLU;13;;2000;600\r\n")) << stored[0];
  EXPECT_FALSE(Has(stored[0], "PLU;12;")) << stored[0];
  EXPECT_EQ(testutil::Documents(testutil::Book({morning, stored[0]}), "[PARAGON nr 1]"), 1);
  EXPECT_FALSE(Exists("opsproz5.arc"));

  // After the report the new method's read fails once: the old method's read, left as a
  // proof only, is dropped, and the next import gives the new day by the new method, once.
  Ecrsim({"zero", "--port", kPort});
  Sell("date 2026-12-09\ntime 09:00\nreceipt\n  sell 12 1\nend\n");
  host.params["DataImportu"] = "2026-12-09";
  const std::string oldArchive = testutil::ReadFile(dir.File("opsproz4.arc"));
  Ecrsim({"fault", "--port", kPort, "--program", "OPSpRoz5.exe", "--code", "21", "--once"});
  RunImport();
  EXPECT_FALSE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_TRUE(stored.empty());
  EXPECT_TRUE(Exists("opsproz4.out"));
  ASSERT_EQ(RunImport(), 0) << host.Dump();
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_FALSE(Listed("nowe obowiązują od pierwszego importu po raporcie dobowym"));
  std::string day;
  for (const std::string& f : stored) day += f;
  EXPECT_EQ(testutil::Book(stored).at("20261209 qty 12"), 1000) << day;
  EXPECT_EQ(testutil::Documents(testutil::Book(stored), "[PARAGON nr 1]") +
                testutil::Documents(testutil::Book(stored), "[PARAGON nr 4]"),
            1)
      << day;
  EXPECT_TRUE(Exists("opsproz5.arc"));
  EXPECT_EQ(testutil::ReadFile(dir.File("opsproz4.arc")), oldArchive);

  ASSERT_EQ(RunImport(), 0) << host.Dump();
  EXPECT_EQ(ListedCount(kRunReceipts), 1) << host.Dump();
  EXPECT_TRUE(stored.empty()) << host.Dump();
  EXPECT_TRUE(Listed(kNothingNew)) << host.Dump();
}

}  // namespace

namespace {

// The packaging totals overwrite what the host has of the day ("NADPISZ_OPAK;T"): a second import
// of the day carries the day's whole packaging, from the counters and from the receipts alike,
// while the goods go over as what is new. The totals are the sale date's: after a daily report
// they carry on the date's earlier files, and a register day imported under the next date gives
// that date only what is new.
TEST_F(Import, EachFileOfADayCarriesItsWholePackaging) {
  ASSERT_NO_FATAL_FAILURE(Register("Mini online"));
  for (const char* source : {"0", "1"}) {
    SCOPED_TRACE(source);
    host.params["DataImportu"] = "2026-12-08";
    host.params["ElzabSTXSaleSource"] = source;
    host.exchangeDir = dir.File(std::string("ex-") + source) + platform::kPathSeparator;
    ASSERT_TRUE(platform::Env::Default()->MakeDirectories(host.exchangeDir));
    if (std::string(source) == "1") {
      // A register of its own, its day rung up anew.
      Ecrsim({"remove", "--port", kPort});
      Ecrsim({"create", "--port", kPort, "--model", "Mini online"});
      ASSERT_NO_FATAL_FAILURE(LoadGoods(kGoods));
    }
    testutil::WriteFile(host.exchangeDir + "packages.dat", "40\r\n");
    Sell(kDay);  // bottles: 2 sold (1,00), 1 returned (0,50)
    ASSERT_EQ(RunImport(), 0) << host.Dump();
    std::vector<std::string> all = stored;
    Sell("date 2026-12-08\ntime 15:00\nreceipt\n  sell 40 1\n  sell 13 1\nend\n");
    ASSERT_EQ(RunImport(), 0) << host.Dump();
    ASSERT_EQ(stored.size(), 1u) << host.Dump();
    EXPECT_TRUE(Has(stored[0], "SPRZEDAZ_OPAKOWAN;150\r\n")) << stored[0];
    EXPECT_TRUE(Has(stored[0], "ZWROT_OPAKOWAN;50\r\n")) << stored[0];
    EXPECT_TRUE(Has(stored[0], "PLU;40;;1000;50\r\n")) << stored[0];
    all.push_back(stored[0]);
    testutil::Books books = testutil::Book(all);
    EXPECT_EQ(books.at("20261208 SPRZEDAZ_OPAKOWAN"), 150) << testutil::Show(books);
    EXPECT_EQ(books.at("20261208 qty 40"), 2000) << testutil::Show(books);  // 3 sold, 1 back

    Ecrsim({"zero", "--port", kPort});
    Sell("date 2026-12-08\ntime 16:00\nreceipt\n  sell 40 2\nend\n");
    ASSERT_EQ(RunImport(), 0) << host.Dump();
    ASSERT_EQ(stored.size(), 1u) << host.Dump();
    EXPECT_TRUE(Has(stored[0], "SPRZEDAZ_OPAKOWAN;250\r\n")) << stored[0];
    EXPECT_TRUE(Has(stored[0], "ZWROT_OPAKOWAN;50\r\n")) << stored[0];
    all.push_back(stored[0]);
    host.params["DataImportu"] = "2026-12-09";
    Sell("date 2026-12-08\ntime 17:00\nreceipt\n  sell 40 1\nend\n");
    ASSERT_EQ(RunImport(), 0) << host.Dump();
    ASSERT_EQ(stored.size(), 1u) << host.Dump();
    all.push_back(stored[0]);
    books = testutil::Book(all);
    EXPECT_EQ(books["20261208 SPRZEDAZ_OPAKOWAN"] + books["20261209 SPRZEDAZ_OPAKOWAN"], 300)
        << testutil::Show(books);
    EXPECT_EQ(books["20261208 ZWROT_OPAKOWAN"] + books["20261209 ZWROT_OPAKOWAN"], 50)
        << testutil::Show(books);
    EXPECT_EQ(books["20261208 qty 40"] + books["20261209 qty 40"], 5000) << testutil::Show(books);
  }
}

}  // namespace

namespace {

// The morning's import failed after the counters were read, before the receipt buffer, on the
// day after the evening's import: the register stayed open overnight (the daily report waits
// for an import that ends well), and the next import takes the failed read's counters in: the
// buffer, read as a proof, shows the register still holds what the host has, so only what lies
// beyond goes over, once, and the morning's sales with it.
TEST_F(Import, AFailedReadWithoutTheBufferRetriedTheNextDayHandsNothingTwice) {
  ASSERT_NO_FATAL_FAILURE(Register("Mini online"));
  for (const char* method : {"0", "1"}) {
    SCOPED_TRACE(method);
    if (std::string(method) == "1") {
      // A register of its own, and a directory that has nothing of it yet.
      Ecrsim({"remove", "--port", kPort});
      Ecrsim({"create", "--port", kPort, "--model", "Mini online"});
      ASSERT_NO_FATAL_FAILURE(LoadGoods(kGoods));
      std::filesystem::remove(dir.File("przekazane.txt"));
    }
    host.params["ElzabSTXReceipts"] = "1";
    host.params["ElzabSTXSaleBufferType"] = method;
    Sell(kDay);
    ASSERT_EQ(RunImport(), 0) << host.Dump();
    std::vector<std::string> all = stored;
    Sell("date 2026-12-08\ntime 19:00\nreceipt\n  sell 13 2\nend\n");
    Ecrsim({"fault", "--port", kPort, "--program",
            std::string(method) == "0" ? "OPSpRoz4.exe" : "OPSpRoz5.exe", "--code", "21",
            "--once"});
    platform::SetEnvironmentValue("TRELVAX_CLOCK_SHIFT_DAYS", "1");
    RunImport();
    EXPECT_FALSE(host.ErrorTexts().empty()) << host.Dump();
    all.insert(all.end(), stored.begin(), stored.end());
    RunImport();
    platform::SetEnvironmentValue("TRELVAX_CLOCK_SHIFT_DAYS", "");
    EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
    EXPECT_FALSE(Listed("Nie wiadomo, czy kasa była zamknięta")) << host.Dump();
    all.insert(all.end(), stored.begin(), stored.end());
    const testutil::Books books = testutil::Book(all);
    EXPECT_EQ(books.at("20261208 qty 12"), 2000) << testutil::Show(books);
    EXPECT_EQ(books.at("20261208 qty 13"), 3000) << testutil::Show(books);
    EXPECT_EQ(testutil::Documents(books, "[PARAGON nr 1]"), 1) << testutil::Show(books);
  }
}

// A second import of the day whose counters come back damaged: what cannot be read is not
// "nothing new"; the import stops on the damaged file and the rest of the day comes later.
TEST_F(Import, DamagedCountersInALaterImportAreNeverTakenForNothingNew) {
  ASSERT_NO_FATAL_FAILURE(Register("K10"));
  Sell(kDay);
  ASSERT_EQ(RunImport(), 0) << host.Dump();
  ASSERT_EQ(stored.size(), 1u);
  std::vector<std::string> all = stored;
  Sell("date 2026-12-08\ntime 15:00\nreceipt\n  sell 13 2\nend\n");
  Ecrsim({"fault", "--port", kPort, "--program", "OSpOpMax.exe", "--garble", "--once"});
  RunImport();
  EXPECT_TRUE(ErrorListed("Błąd odczytu pliku")) << host.Dump();
  EXPECT_FALSE(Listed(kNothingNew)) << host.Dump();
  EXPECT_TRUE(stored.empty());
  // The technician moves the damaged outputs away; the register still holds the day.
  for (const char* name : {"ospopmax_sprz.out", "ospopmax_sort.out", "ospopmax_opak.out"}) {
    std::filesystem::remove(dir.File(name));
  }
  ASSERT_EQ(RunImport(), 0) << host.Dump();
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  all.insert(all.end(), stored.begin(), stored.end());
  const testutil::Books books = testutil::Book(all);
  EXPECT_EQ(books.at("20261208 qty 13"), 3000) << testutil::Show(books);
  EXPECT_EQ(books.at("20261208 qty 12"), 2000) << testutil::Show(books);
}

}  // namespace

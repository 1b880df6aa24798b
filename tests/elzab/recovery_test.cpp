// Imports that fail after the host took a day in, and the imports that follow them: whatever
// went wrong (an archive that cannot be written, an output or the record that cannot be
// deleted, a file whose close fails, outputs changed in between), the host ends up with
// every sale, receipt and other operation of the day exactly once, or with an error line
// saying why it may not.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "hostlib/Exceptions.h"
#include "hostlib/TdtTools.h"
#include "testutil/DriverFixture.h"
#include "testutil/ImportBooks.h"

namespace {

using testutil::Book;
using testutil::Exists;
using testutil::ReadFile;
using testutil::Show;
using testutil::WriteFile;

// A program run that started and ended with `code`.
platform::RunResult Ran(uint32_t code = 0) {
  platform::RunResult r;
  r.started = true;
  r.exitCode = code;
  return r;
}

constexpr char kHeader[] = "#1\r\n#\r\n#\r\n";

// What cannot be known without each damaged record, as its error ends.
constexpr char kStoredUnknown[] =
    "nie wiadomo, które dni baza przyjęła już z plików importu. Sprawdź to w bazie; po usunięciu "
    "tego pliku pliki importu zostaną przyjęte w całości.";
constexpr char kHandedUnknown[] =
    "nie wiadomo, ile ze sprzedaży kasy baza już przyjęła. Sprawdź to w bazie; po usunięciu tego "
    "pliku odczyt kasy zostanie przyjęty w całości.";
constexpr char kNoteUnknown[] =
    "nie wiadomo, z której kasy są pliki importu w katalogu wymiany. Jeśli są z kasy tego "
    "urządzenia, usuń ten plik i powtórz import (nic nie zostało zaimportowane).";

// The error of the damaged record `path`: the line refused (none when `line` is 0), for the
// person who edited the file, then what cannot be known.
std::string Damaged(const std::string& path, const char* unknown, int line = 0,
                    const std::string& text = "", const std::string& reason = "") {
  std::string error = "Plik " + path + " jest uszkodzony: ";
  if (line > 0) {
    error += "wiersz " + std::to_string(line) + " nie jest taki, jaki zapisuje sterownik: \"" +
             text + "\"" + (reason.empty() ? "" : " (" + reason + ")") +
             ". Jeśli plik poprawiano ręcznie, popraw ten wiersz (daty w postaci RRRR-MM-DD) i "
             "powtórz import. Inaczej ";
  }
  return error + unknown;
}

constexpr char kNothingNew[] =
    "Kasa nie zarejestrowała niczego nowego od poprzedniego importu: do bazy nie ma czego "
    "zapisać";

// The counters and the receipt buffer of one day: receipt 5 paid in cash and by card with
// a line voided, a deposit, receipt 7 cancelled, receipt 8 paid by voucher.
const std::string kCounters = std::string(kHeader) + "$12\t3.000\t1050\r\n$13\t1.000\t300\r\n";
const std::string kReceipts = std::string(kHeader) +
                              "$1\t10\t5\t1\t0\t12\t2.000\t700\t26.12.08\t10:15\t1\t3\t0\t700\r\n"
                              "$4\t10\t5\t1\t0\t0\t0\t500\r\n"
                              "$4\t10\t5\t2\t0\t0\t0\t200\r\n"
                              "$10\t10\t5\t3\t0\t13\t1.000\t300\t26.12.08\t10:15\t1\t3\t0\t300\r\n"
                              "$5\t3\t11\t6\t1\t1\t5000\t26.12.08\t11:00\r\n"
                              "$11\t13\t7\t1\t0\t12\t1.000\t350\t26.12.08\t12:00\t1\t3\t0\t350\r\n"
                              "$1\t14\t8\t1\t0\t12\t1.000\t350\t26.12.08\t13:40\t1\t3\t0\t350\r\n"
                              "$1\t14\t8\t2\t0\t13\t1.000\t300\t26.12.08\t13:40\t1\t3\t0\t300\r\n"
                              "$4\t14\t8\t3\t0\t0\t0\t650\r\n";

// The same register day in the morning: receipt 5 alone.
const std::string kMorningCounters = std::string(kHeader) + "$12\t2.000\t700\r\n";
const std::string kMorningReceipts = kReceipts.substr(0, kReceipts.find("$5\t3\t11"));

class Recovery : public testutil::DriverFixture {
 protected:
  void SetUp() override {
    host.params = {{"ElzabSTXPort", "PLIK"},
                   {"ElzabSTXExePath", "/elzab"},
                   {"DataImportu", "2026-12-08"},
                   {"ElzabSTXReceipts", "1"},
                   {"ElzabSTXSaleSource", "0"}};
    Register();
    host.onStore = [this](int code) {
      if (code == 17) stored.push_back(ReadFile(dir.File("kasa.imp")));
    };
    // What an undisturbed import of the day gives the host.
    PutDay();
    Run();
    reference = stored;
    stored.clear();
    ASSERT_EQ(reference.size(), 1u) << host.Dump();
    ASSERT_TRUE(host.ErrorTexts().empty()) << host.Dump();
    ASSERT_EQ(testutil::Documents(Book(reference), "[PARAGON nr 8]"), 1) << Show(Book(reference));
    PutDay();
    host.messages.clear();
  }

  void PutDay() {
    WriteFile(dir.File("ospopmax_sort.out"), kCounters);
    WriteFile(dir.File("opsproz4.out"), kReceipts);
  }

  // One import; its error, if any, is what the host's list shows last.
  std::string Run() {
    auto action = Action();
    HTVKDLLSRODOWISKO environment;
    try {
      action->Operacja(&environment, -3, 0);
    } catch (const Exception& e) {
      return e.Message();
    }
    return {};
  }

  bool Listed(const std::string& text, int significance) const {
    for (const auto& m : host.messages) {
      if (m.text == text && m.significance == significance) return true;
    }
    return false;
  }

  // The import that follows a failed sequence ends well, the host then holds the day exactly
  // once, and nothing of it is left to import again: one more import of the register, which
  // holds the same day, stores nothing.
  void ExpectTheNextImportHandsTheRestOnce() {
    host.messages.clear();
    EXPECT_EQ(Run(), "");
    EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
    EXPECT_EQ(Show(Book(stored)), Show(Book(reference)));
    ExpectCleanedUp();
    EXPECT_TRUE(Exists(dir.File("przekazane.txt")));
    const size_t before = stored.size();
    host.messages.clear();
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(stored.size(), before) << host.Dump();
    EXPECT_TRUE(Listed(kNothingNew, 0)) << host.Dump();
  }

  // A register day the host has nothing of yet: a new exchange directory, as far as the
  // driver's memory goes.
  void NewRegisterDay() { std::filesystem::remove(dir.File("przekazane.txt")); }

  // After a sequence is over: nothing of it is left to import again.
  void ExpectCleanedUp() {
    for (const char* name : {"ospopmax_sort.out", "opsproz4.out", "zapisane.txt", "zapisane.tmp"}) {
      EXPECT_FALSE(Exists(dir.File(name))) << name;
    }
  }

  std::vector<std::string> reference;
  std::vector<std::string> stored;
};

// ----- A failure after the host took the day in, then the import again ------------------------

struct AfterStore {
  const char* name;
  const char* failingClose;  // a file whose close fails in the first import
  const char* undeletable;   // a file that cannot be deleted in the first import
  const char* error;         // the end of the first import's error
};

const AfterStore kAfterStore[] = {
    // The counters' archive cannot be written (a full disk): nothing is deleted.
    {"CountersArchive", "ospopmax_sort.arc", "", "ospopmax_sort.arc'"},
    // The receipt buffer's archive cannot be written: the counters are gone already.
    {"ReceiptsArchive", "opsproz4.arc", "", "opsproz4.arc'"},
    // Another program holds the receipt buffer open for longer than the driver waits.
    {"ReceiptsHeldOpen", "", "opsproz4.out",
     "opsproz4.out (baza przyjęła już te dane; następny import pominie ten plik)"},
};

class RecoveryAfterStore
    : public Recovery,
      public ::testing::WithParamInterface<std::tuple<AfterStore, const char*, const char*>> {};

// The next import runs in file mode over what was left, or on the port: then it takes the
// leftovers in a pass of their own and reads the register again, which after its daily
// report holds nothing.
TEST_P(RecoveryAfterStore, TheNextImportOnAnyDateHandsTheHostNothingTwice) {
  const auto& [fault, nextDate, port] = GetParam();
  env.failingCloses = {fault.failingClose};
  env.undeletable = {fault.undeletable};
  const std::string error = Run();
  EXPECT_NE(error, "");
  EXPECT_EQ(error.substr(error.size() - std::string(fault.error).size()), fault.error) << error;
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_TRUE(Exists(dir.File("zapisane.txt")));
  if (*fault.undeletable != 0) {
    EXPECT_GE(env.removeAttempts, 10);
    EXPECT_GE(env.sleeps.size(), 9u);
  }

  env.failingCloses.clear();
  env.undeletable.clear();
  host.messages.clear();
  host.params["DataImportu"] = nextDate;
  host.params["ElzabSTXPort"] = port;
  env.onRun = [](const platform::FakeEnv::Run& run) {
    const std::string program = platform::FileNameOf(run.program);
    if (program == "OTypUrz.exe") {
      WriteFile(run.args[1], std::string(kHeader) + "$1\t1\tX\tMini ONLINE\t4000\t4\t02.12\r\n");
    } else if (program == "OSpOpMax.exe") {
      const std::string dir = platform::DirectoryOf(run.args[0]) + platform::kPathSeparator;
      for (const char* name : {"ospopmax_sprz.out", "ospopmax_sort.out", "ospopmax_opak.out"}) {
        WriteFile(dir + name, kHeader);
      }
    } else if (run.args.size() > 1) {
      WriteFile(run.args[1], kHeader);
    }
    return Ran();
  };
  EXPECT_EQ(Run(), "");
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_TRUE(
      Listed("Zapis importu do bazy:2026-12-08 (wtorek): pominięty, baza przyjęła te "
             "dane przy poprzednim imporcie",
             1))
      << host.Dump();
  EXPECT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_EQ(Show(Book(stored)), Show(Book(reference)));
  ExpectCleanedUp();
}

INSTANTIATE_TEST_SUITE_P(Faults, RecoveryAfterStore,
                         ::testing::Combine(::testing::ValuesIn(kAfterStore),
                                            ::testing::Values("2026-12-08", "2026-12-09", ""),
                                            ::testing::Values("PLIK", "COM1")),
                         [](const auto& info) {
                           const std::string date = std::get<1>(info.param);
                           return std::string(std::get<0>(info.param).name) +
                                  (date.empty()           ? "NoDate"
                                   : date == "2026-12-08" ? "SameDate"
                                                          : "NextDate") +
                                  (std::string(std::get<2>(info.param)) == "PLIK" ? "FileMode"
                                                                                  : "PortMode");
                         });

// Outputs written anew after the record (ELZAB's programs run again by hand, or the next
// day's outputs) are new data: the record no longer holds, the warning names them, and they
// are imported whole, under the import date asked for.
TEST_F(Recovery, OutputsChangedAfterTheRecordAreNewDataAndImportedWhole) {
  env.failingCloses = {"ospopmax_sort.arc"};
  EXPECT_NE(Run(), "");
  ASSERT_EQ(stored.size(), 1u);
  env.failingCloses.clear();
  WriteFile(dir.File("ospopmax_sort.out"), std::string(kHeader) + "$12\t1.000\t350\r\n");
  host.messages.clear();
  host.params["DataImportu"] = "2026-12-09";
  EXPECT_EQ(Run(), "");
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_TRUE(
      Listed("Pliki zmienione od poprzedniego, przerwanego importu: ospopmax_sort.out. "
             "Są importowane w całości; sprawdź, czy baza nie ma tych danych drugi raz.",
             1))
      << host.Dump();
  ASSERT_EQ(stored.size(), 2u) << host.Dump();
  EXPECT_NE(stored[1].find("DATA_SPRZEDAZY;20261209000000000"), std::string::npos);
  EXPECT_NE(stored[1].find("[TOWAROWE]\r\nPLU;12;;1000;350\r\n\r\n"), std::string::npos)
      << stored[1];
  EXPECT_EQ(testutil::Documents(Book({stored[1]}), "[PARAGON nr 5]"), 1);
  ExpectCleanedUp();
}

// A record that cannot be deleted is an error, never a reason to skip fresh sales: the next
// outputs differ from those it names, so they are imported whole once it can go.
TEST_F(Recovery, ARecordThatCannotBeDeletedIsAnErrorAndSkipsNoFreshSale) {
  env.undeletable = {"zapisane.txt"};
  EXPECT_EQ(Run(), "Nie można usunąć pliku " + dir.File("zapisane.txt"));
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_FALSE(Exists(dir.File("opsproz4.out")));

  // A new day's outputs while the record still cannot go: the import stops before the host
  // is asked anything.
  PutDay();
  EXPECT_EQ(Run(), "Nie można usunąć pliku " + dir.File("zapisane.txt"));
  EXPECT_EQ(stored.size(), 1u);

  env.undeletable.clear();
  stored.clear();
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(Show(Book(stored)), Show(Book(reference)));
  ExpectCleanedUp();
}

// A file whose close fails was not written whole: the import fails before the host is asked
// to take the day in (the note that it is being handed over is written first), and the next
// import, with the disk freed, hands it over once.
class RecoveryFailedClose : public Recovery, public ::testing::WithParamInterface<const char*> {};

TEST_P(RecoveryFailedClose, EndsInAnErrorAndHandsTheHostNothingUnwritten) {
  env.failingCloses = {GetParam()};
  const std::string error = Run();
  EXPECT_NE(error, "");
  if (std::string(GetParam()) == "zapisane.tmp") {
    EXPECT_EQ(error, "Nie można zapisać pliku " + dir.File("zapisane.txt"));
  }
  EXPECT_TRUE(stored.empty()) << host.Dump();
  EXPECT_TRUE(Exists(dir.File("ospopmax_sort.out")));
  EXPECT_TRUE(Exists(dir.File("opsproz4.out")));
  EXPECT_FALSE(Exists(dir.File("zapisane.tmp")));
  EXPECT_FALSE(Exists(dir.File("zapisane.txt")));
  env.failingCloses.clear();
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(Show(Book(stored)), Show(Book(reference)));
  ExpectCleanedUp();
}

INSTANTIATE_TEST_SUITE_P(Files, RecoveryFailedClose,
                         ::testing::Values("kasa.imp", "arch1.imp", "zapisane.tmp"),
                         [](const auto& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace

namespace {

// A record written by an older driver names no outputs: it holds for what lies there, as it
// did then. A record the driver did not write whole, or one with a line it never writes,
// cannot tell which days the host has: the import stops on it, naming it, and hands nothing.
TEST_F(Recovery, AnOlderRecordStillHoldsAndADamagedOneStopsTheImport) {
  // The line refused is named, for the person who looks into the file.
  const struct {
    const char* record;
    bool holds;
    int line;
    const char* text;
  } kCases[] = {
      {"DataImportu=2026-12-08\r\nzapisano=2026-12-08\r\n", true, 0, ""},
      {"DataImportu=2026-12-08\r\nplik=opsproz4.out;x;1;0\r\nzapisano=2026-12-08\r\n", false, 2,
       "plik=opsproz4.out;x;1;0"},
      {"DataImportu=2026-12-08\r\n\x01\x02garbage\r\nzapisano=2026-12-08\r\n", false, 2,
       "\\x01\\x02garbage"},
      {"DataImportu=2026-12-08\r\nustawienia=1;x\r\nzapisano=2026-12-08\r\n", false, 2,
       "ustawienia=1;x"},
      {"zapisano=2026-12-08\r\n", false, 0, ""},
      {"", false, 0, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.record);
    PutDay();
    WriteFile(dir.File("zapisane.txt"), c.record);
    stored.clear();
    host.params["DataImportu"] = "2026-12-09";
    EXPECT_EQ(Run(),
              c.holds ? "" : Damaged(dir.File("zapisane.txt"), kStoredUnknown, c.line, c.text));
    EXPECT_TRUE(stored.empty()) << host.Dump();
    if (c.holds) {
      ExpectCleanedUp();
    } else {
      EXPECT_TRUE(Exists(dir.File("zapisane.txt")));
      EXPECT_TRUE(Exists(dir.File("opsproz4.out")));
    }
  }
}

// A host that dies inside the store, or a note of the store that cannot be written after it:
// the day was being handed over, and whether the host has it only a person can tell. The
// next import stops and says how to settle it; once settled, the day comes exactly once.
TEST_F(Recovery, ADayBeingHandedOverWhenTheImportStoppedIsSettledByAPerson) {
  // The file's sales value is what to look for: on a day imported more than once, the day
  // alone is in the host from an earlier import.
  const std::string pending =
      "Poprzedni import przerwał się, gdy baza przyjmowała dane z dnia 2026-12-08 (plik o "
      "wartości sprzedaży 13,50 zł): nie wiadomo, czy je przyjęła. Sprawdź w bazie, czy ma "
      "import z tego dnia o tej wartości. Jeśli go nie ma, usuń z pliku " +
      dir.File("zapisane.txt") +
      " wiersz \"zapisywane=2026-12-08;13.5;0\"; jeśli jest, zmień go na "
      "\"zapisano=2026-12-08\". Potem powtórz import.";
  for (const bool hostHasIt : {false, true}) {
    SCOPED_TRACE(hostHasIt);
    PutDay();
    stored.clear();
    // The host takes the day in; the note after it cannot be written (a full disk).
    host.onStore = [&](int code) {
      if (code == 17) stored.push_back(ReadFile(dir.File("kasa.imp")));
      env.failingCloses = {"zapisane.tmp"};
    };
    EXPECT_EQ(Run(), "Baza przyjęła import, ale nie można tego zapisać w pliku " +
                         dir.File("zapisane.txt"));
    ASSERT_EQ(stored.size(), 1u);
    if (!hostHasIt) stored.clear();  // as if it had died before taking the day in
    host.onStore = [this](int code) {
      if (code == 17) stored.push_back(ReadFile(dir.File("kasa.imp")));
    };
    env.failingCloses.clear();
    EXPECT_EQ(Run(), pending);
    EXPECT_EQ(stored.size(), hostHasIt ? 1u : 0u);

    // The technician's answer, as the line says.
    std::string record = ReadFile(dir.File("zapisane.txt"));
    const std::string line = "zapisywane=2026-12-08;13.5;0\r\n";
    record.replace(record.find(line), line.size(), hostHasIt ? "zapisano=2026-12-08\r\n" : "");
    WriteFile(dir.File("zapisane.txt"), record);
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(Show(Book(stored)), Show(Book(reference)));
    ExpectCleanedUp();
  }
}

// The settings that shape what is handed over are those the outputs were first read with:
// a shop that switches the sale source between a failed import and the next one neither
// loses the days the record does not hold nor gets the others twice.
TEST_F(Recovery, TheOutputsAreReadAgainWithTheSettingsTheyWereFirstReadWith) {
  // A receipt of the day before is still in the buffer: with sales from receipts it would be
  // a day of its own, which the host took in with the counters' day already.
  WriteFile(dir.File("opsproz4.out"),
            kReceipts + "$1\t15\t9\t1\t0\t12\t1.000\t350\t26.12.07\t09:00\t1\t3\t0\t350\r\n");
  env.failingCloses = {"ospopmax_sort.arc"};
  EXPECT_NE(Run(), "");
  ASSERT_EQ(stored.size(), 1u);
  env.failingCloses.clear();
  host.params["ElzabSTXSaleSource"] = "1";
  host.params["ElzabSTXReceipts"] = "0";
  EXPECT_EQ(Run(), "");
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_EQ(stored.size(), 1u) << host.Dump();
  ExpectCleanedUp();
}

}  // namespace

namespace {

// ----- What the host has of the register's day, kept while a failed import is recovered ------

// A register on COM1 that is never closed by its daily report: every read gives the same
// counters and receipt buffer (kCounters, kReceipts) as the outputs PutDay leaves.
class RecoveryOnThePort : public Recovery {
 protected:
  void SetUp() override {
    Recovery::SetUp();
    std::filesystem::remove(dir.File("ospopmax_sort.out"));
    std::filesystem::remove(dir.File("opsproz4.out"));
    host.params["ElzabSTXPort"] = "COM1";
    env.onRun = [this](const platform::FakeEnv::Run& run) {
      const std::string program = platform::FileNameOf(run.program);
      if (program == "OTypUrz.exe") {
        WriteFile(run.args[1], std::string(kHeader) + "$1\t1\tX\tMini ONLINE\t4000\t4\t02.12\r\n");
      } else if (program == "OSpOpMax.exe") {
        const std::string at = platform::DirectoryOf(run.args[0]) + platform::kPathSeparator;
        WriteFile(at + "ospopmax_sprz.out", kHeader);
        WriteFile(at + "ospopmax_sort.out", counters);
        WriteFile(at + "ospopmax_opak.out", kHeader);
        if (onCounters) onCounters();
      } else if (program == "OPSpRoz4.exe" || program == "OPSpRoz5.exe") {
        WriteFile(run.args[1], receipts);
      } else if (run.args.size() > 1) {
        WriteFile(run.args[1], kHeader);
      }
      return Ran();
    };
  }

  // Runs whenever the register's counters are read.
  std::function<void()> onCounters;
  // What the register holds.
  std::string counters = kCounters;
  std::string receipts = kReceipts;
};

// A full disk while the summary is written, after the leftovers' pass or after the new read:
// the import stops naming the file, and the next ones, with the disk freed, still book the
// register's day once.
TEST_F(RecoveryOnThePort, ASummaryThatCannotBeWrittenStopsTheImportAndLosesNothing) {
  const std::string unwritable = "Nie można zapisać pliku " + dir.File("przekazane.txt");
  for (const bool afterTheNewRead : {false, true}) {
    SCOPED_TRACE(afterTheNewRead);
    NewRegisterDay();
    stored.clear();
    // A morning's read is left; the register sells on.
    counters = kMorningCounters;
    receipts = kMorningReceipts;
    host.storeAnswer = false;
    EXPECT_NE(Run(), "");
    host.storeAnswer = true;
    stored.clear();  // refused: the host does not have it
    ASSERT_TRUE(Exists(dir.File("ospopmax_sort.out")));
    counters = kCounters;
    receipts = kReceipts;

    // The disk is full from the first write of the summary, or fills while the register is
    // read anew.
    if (afterTheNewRead) {
      onCounters = [this] { env.failingCloses = {"przekazane.tmp"}; };
    } else {
      env.failingCloses = {"przekazane.tmp"};
    }
    EXPECT_EQ(Run(), unwritable);
    EXPECT_FALSE(Exists(dir.File("przekazane.tmp")));
    EXPECT_TRUE(Exists(dir.File("ospopmax_sort.out")));
    onCounters = nullptr;
    env.failingCloses.clear();

    ExpectTheNextImportHandsTheRestOnce();
    host.messages.clear();
  }
}

// What the host has of another device's register (a second device with this directory):
// never ignored, never overwritten; the import stops before the register is read, and the day
// comes whole only once the shop gives the devices their own directories.
TEST_F(RecoveryOnThePort, WhatTheHostHasOfAnotherDeviceStopsTheImport) {
  const std::string other = "kasa=2 Mini ONLINE;1\r\ndzien=2026-12-08\r\n";
  WriteFile(dir.File("przekazane.txt"), other);
  env.runs.clear();
  EXPECT_EQ(Run(),
            "Plik " + dir.File("przekazane.txt") +
                " opisuje, co baza ma ze sprzedaży kasy Mini ONLINE nr 1 (urządzenie 2), a "
                "import jest z kasy Mini ONLINE nr 1 (urządzenie 1): albo ten katalog wymiany ma "
                "też inne urządzenie, albo do tego urządzenia podłączono inną kasę (nic nie "
                "zostało zaimportowane). Jeśli to inne urządzenie, daj każdemu urządzeniu własny "
                "katalog wymiany. Jeśli urządzenie ma nową kasę, najpierw zaimportuj poprzednią, "
                "jeśli to możliwe, potem usuń ten plik i powtórz import: sprzedaż nowej kasy "
                "zostanie przyjęta w całości.");
  EXPECT_EQ(env.runs.size(), 1u);  // the identification only
  EXPECT_TRUE(stored.empty());
  EXPECT_EQ(ReadFile(dir.File("przekazane.txt")), other);

  NewRegisterDay();
  ExpectTheNextImportHandsTheRestOnce();
}

}  // namespace

namespace {

// An import that stopped after the host took the day in, while it removed the outputs: what
// the removed ones held must not come again from the next read of the register, which still
// holds it. An export between the two leaves the outputs (and the record of what the host took
// from them) to the next import to settle.
TEST_F(RecoveryOnThePort, AnImportStoppedWhileItRemovedTheOutputsHandsNothingTwice) {
  const auto read = env.onRun;
  for (const bool exportBetween : {false, true}) {
    SCOPED_TRACE(exportBetween);
    NewRegisterDay();
    stored.clear();
    env.onRun = read;
    env.undeletable = {"opsproz4.out"};
    EXPECT_EQ(Run(), "Nie można usunąć pliku " + dir.File("opsproz4.out") +
                         " (baza przyjęła już te dane; następny import pominie ten plik)");
    env.undeletable.clear();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_FALSE(Exists(dir.File("ospopmax_sort.out")));

    if (exportBetween) {
      env.onRun = [read](const platform::FakeEnv::Run& run) {
        if (platform::FileNameOf(run.program) == "OPodatek.exe") {
          WriteFile(run.args[1], "$23,00\t8,00\t5,00\t0,00\tZWOLNIONA\tREZERWA\tREZERWA\r\n");
          return Ran();
        }
        return read(run);
      };
      WriteFile(
          dir.File("kasa.exp"),
          "VAT;23\r\nPLU;20;0;5900000000020;Towar;199;180;210;190;23;0;F;0;F;F;F;0;;1;DOD\r\n");
      auto action = Action();
      HTVKDLLSRODOWISKO environment;
      ASSERT_NO_THROW(action->Operacja(&environment, -2, 0)) << host.Dump();
      EXPECT_TRUE(Exists(dir.File("opsproz4.out")));
    }

    ExpectTheNextImportHandsTheRestOnce();
  }
}

}  // namespace

namespace {

// The host took the day in, but an output could not be removed: the import that follows passes
// over it (the host has it) and, with more sold since, its file carries the date's whole
// packaging, not only the new.
TEST_F(RecoveryOnThePort, AnOutputLeftAfterTheStoreKeepsTheDatesPackaging) {
  WriteFile(dir.File("packages.dat"), "13\r\n");
  NewRegisterDay();
  stored.clear();
  env.undeletable = {"ospopmax_sort.out"};
  EXPECT_EQ(Run(), "Nie można usunąć pliku " + dir.File("ospopmax_sort.out") +
                       " (baza przyjęła już te dane; następny import pominie ten plik)");
  env.undeletable.clear();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_NE(stored[0].find("SPRZEDAZ_OPAKOWAN;300\r\n"), std::string::npos) << stored[0];
  counters = std::string(kHeader) + "$12\t3.000\t1050\r\n$13\t2.000\t600\r\n";
  receipts = kReceipts + "$1\t15\t9\t1\t0\t13\t1.000\t300\t26.12.08\t15:00\t1\t3\t0\t300\r\n";
  EXPECT_EQ(Run(), "");
  ASSERT_EQ(stored.size(), 2u) << host.Dump();
  EXPECT_NE(stored[1].find("PLU;13;;1000;300\r\n"), std::string::npos) << stored[1];
  EXPECT_NE(stored[1].find("SPRZEDAZ_OPAKOWAN;600\r\n"), std::string::npos) << stored[1];
  std::filesystem::remove(dir.File("packages.dat"));
}

// An import that stopped after the host took the day in and after every output that holds
// the day was gone: the record or an output still held by another program, or a back office
// that died before the summary of what the host has was removed (the note of the read is
// still there). The register still holds the day, and the next import hands none of it twice.
TEST_F(RecoveryOnThePort, AnImportStoppedAfterItsOutputsWentHandsNothingTwice) {
  const struct {
    std::set<std::string> held;
    const char* error;
  } kCases[] = {
      {{"zapisane.txt"}, "zapisane.txt"},
      {{"ospopmax_sprz.out"},
       "ospopmax_sprz.out (baza przyjęła już te dane; następny import pominie ten plik)"},
      {{"przekazane.txt", "odczyt.txt"}, nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(*c.held.begin());
    NewRegisterDay();
    stored.clear();
    env.undeletable = c.held;
    EXPECT_EQ(Run(), c.error == nullptr ? "" : "Nie można usunąć pliku " + dir.File(c.error));
    env.undeletable.clear();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_TRUE(Exists(dir.File("przekazane.txt")));

    ExpectTheNextImportHandsTheRestOnce();
    EXPECT_FALSE(Exists(dir.File("odczyt.txt")));
  }
}

}  // namespace

namespace {

// One register day imported in the morning, in the afternoon and once more with nothing new,
// the sale source switched between: the afternoon hands over only what came after the morning,
// the way the morning was handed over, with a line saying so; after the daily report the next
// day comes whole, with the new setting.
TEST_F(RecoveryOnThePort, ADayImportedThreeTimesReachesTheHostOnceAndSettingsWaitForTheReport) {
  const std::string kHeld =
      "Ustawienia importu (źródło sprzedaży, paragony, faktury, metoda odczytu bufora) "
      "zmieniono, gdy baza miała już część sprzedaży kasy z dnia, którego nie zamknął jeszcze "
      "raport dobowy: reszta tego dnia jest importowana z ustawieniami, z którymi baza przyjęła "
      "jego część; nowe obowiązują od pierwszego importu po raporcie dobowym";
  const std::string kRest =
      "Kasa nie była zamknięta raportem dobowym od odczytu, którego sprzedaż baza już przyjęła: "
      "importowane jest tylko to, co kasa zarejestrowała po nim";
  counters = kMorningCounters;
  receipts = kMorningReceipts;
  host.params["ElzabSTXSaleSource"] = "1";
  EXPECT_EQ(Run(), "");
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_EQ(testutil::Documents(Book(stored), "[PARAGON nr 5]"), 1);

  counters = kCounters;
  receipts = kReceipts;
  host.params["ElzabSTXSaleSource"] = "0";
  host.messages.clear();
  EXPECT_EQ(Run(), "");
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_TRUE(Listed(kHeld, 1)) << host.Dump();
  EXPECT_TRUE(Listed(kRest, 0)) << host.Dump();
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(Show(Book(stored)), Show(Book(reference)));

  host.messages.clear();
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(stored.size(), 2u) << host.Dump();
  EXPECT_TRUE(Listed(kNothingNew, 0)) << host.Dump();
  EXPECT_FALSE(Listed(kHeld, 1)) << host.Dump();

  // The daily report; the next day sells goods 13 twice.
  counters = std::string(kHeader) + "$13\t2.000\t600\r\n";
  receipts = std::string(kHeader) +
             "$1\t20\t1\t1\t0\t13\t2.000\t600\t26.12.09\t09:00\t1\t3\t0\t600\r\n"
             "$4\t20\t1\t2\t0\t0\t0\t600\r\n";
  host.params["DataImportu"] = "2026-12-09";
  stored.clear();
  host.messages.clear();
  EXPECT_EQ(Run(), "");
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_FALSE(Listed(kRest, 0)) << host.Dump();
  ASSERT_EQ(stored.size(), 1u);
  const testutil::Books next = Book(stored);
  EXPECT_EQ(next.at("20261209 qty 13"), 2000) << Show(next);  // from the counters
  EXPECT_EQ(next.count("20261208 qty 12"), 0u) << Show(next);
  EXPECT_EQ(testutil::Documents(next, "[PARAGON nr 1]"), 1);
  ExpectCleanedUp();
}

}  // namespace

namespace {

// Days taken in while the settings are held are noted with the settings they were read with:
// the next import over the same outputs reads them so, and takes the record for its own.
TEST_F(RecoveryOnThePort, DaysTakenInWithHeldSettingsAreNotedWithThem) {
  NewRegisterDay();
  counters = kMorningCounters;
  receipts = kMorningReceipts;
  host.params["ElzabSTXSaleSource"] = "1";
  EXPECT_EQ(Run(), "");
  ASSERT_EQ(stored.size(), 1u);
  counters = kCounters;
  receipts = kReceipts;
  host.params["ElzabSTXSaleSource"] = "0";
  env.undeletable = {"opsproz4.out"};
  EXPECT_EQ(Run(), "Nie można usunąć pliku " + dir.File("opsproz4.out") +
                       " (baza przyjęła już te dane; następny import pominie ten plik)");
  EXPECT_NE(ReadFile(dir.File("zapisane.txt")).find("ustawienia=1;1;0\r\n"), std::string::npos)
      << ReadFile(dir.File("zapisane.txt"));
  env.undeletable.clear();
  host.messages.clear();
  EXPECT_EQ(Run(), "");
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_EQ(Show(Book(stored)), Show(Book(reference)));
}

// The register moved to another port (a re-plugged USB adapter) is the same register: what the
// host has of it holds, also as an older driver recorded it, by the port.
TEST_F(RecoveryOnThePort, APortChangeKeepsWhatTheHostHasOfTheRegister) {
  NewRegisterDay();
  EXPECT_EQ(Run(), "");
  ASSERT_EQ(stored.size(), 1u);
  const std::string record = ReadFile(dir.File("przekazane.txt"));
  ASSERT_EQ(record.rfind("kasa=1 Mini ONLINE;1\r\n", 0), 0u) << record;
  for (const char* port : {"COM2", "COM3"}) {
    SCOPED_TRACE(port);
    if (std::string(port) == "COM3") {
      WriteFile(dir.File("przekazane.txt"), "kasa=1 COM2" + record.substr(record.find("\r\n")));
    }
    host.params["ElzabSTXPort"] = port;
    host.messages.clear();
    EXPECT_EQ(Run(), "");
    EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
    EXPECT_EQ(stored.size(), 1u) << host.Dump();
    EXPECT_TRUE(Listed(kNothingNew, 0)) << host.Dump();
  }
}

// The register was swapped after a failed import: its leftovers go over, and the line that then
// stops the new read says so, not that nothing was imported (which would have a person import
// them again by hand).
TEST_F(RecoveryOnThePort, AnErrorAfterTheLeftoversWentOverSaysThatTheyDid) {
  NewRegisterDay();
  PutDay();
  WriteFile(dir.File("odczyt.txt"), "kasa=1 Sigma;77\r\n");
  const std::string error = Run();
  EXPECT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_NE(error.find("podłączono inną kasę (zaległe dane poprzedniego importu zostały "
                       "zaimportowane, nowy odczyt kasy nie). Jeśli"),
            std::string::npos)
      << error;
  EXPECT_EQ(error.find("ic nie zostało"), std::string::npos) << error;
}

// A receipt buffer that still begins with the lines the host has, while a counter the host's
// goods came from fell: one of the two is wrong, and either way would give the host sales twice
// or not at all. Nothing goes over, the record stays, and the line says what to do.
TEST_F(RecoveryOnThePort, ABufferAndCountersThatContradictEachOtherStopTheImport) {
  NewRegisterDay();
  EXPECT_EQ(Run(), "");
  ASSERT_EQ(stored.size(), 1u);
  const std::string record = ReadFile(dir.File("przekazane.txt"));
  counters = std::string(kHeader) + "$12\t2.000\t700\r\n$13\t1.000\t300\r\n";
  receipts = kReceipts + "$1\t15\t9\t1\t0\t13\t1.000\t300\t26.12.08\t15:00\t1\t3\t0\t300\r\n";
  EXPECT_EQ(Run(),
            "Bufor paragonów i liczniki sprzedaży kasy przeczą sobie: bufor zaczyna się od pozycji "
            "odczytu z dnia " +
                TdtTools::FormatDate(TdtTools::DatePart(TdtTools::Now())) +
                ", którego sprzedaż baza już przyjęła (jak bez raportu dobowego), a licznik "
                "sprzedaży zmalał (jak po raporcie). Nic nie zostało zaimportowane. Sprawdź w "
                "bazie sprzedaż kasy od tamtego odczytu. Jeśli od niego kasę zamknięto raportem "
                "dobowym, usuń plik " +
                dir.File("przekazane.txt") +
                " i powtórz import: odczyt kasy zostanie przyjęty w całości. Jeśli nie, nie "
                "usuwaj go i zgłoś to serwisowi.");
  EXPECT_EQ(stored.size(), 1u);
  EXPECT_EQ(ReadFile(dir.File("przekazane.txt")), record);
}

// The same over a failed import's outputs: its counters file may be cut short, and the line
// says so, and what to do.
TEST_F(RecoveryOnThePort, ALeftoverThatContradictsTheBufferPointsAtItsCountersFiles) {
  NewRegisterDay();
  EXPECT_EQ(Run(), "");
  WriteFile(dir.File("ospopmax_sort.out"), std::string(kHeader) + "$12\t3.000\t1050\r\n");
  WriteFile(dir.File("opsproz4.out"), kReceipts);
  WriteFile(dir.File("odczyt.txt"), "kasa=1 Mini ONLINE;1\r\n");
  const std::string error = Run();
  EXPECT_NE(error.find(" nie usuwaj go: to import z zaległych danych, a ich pliki ospopmax_*.out "
                       "mogą być niepełne. Przenieś je poza katalog wymiany i powtórz import "
                       "(kasa nadal ma tę sprzedaż); jeśli to nie pomoże, zgłoś to serwisowi."),
            std::string::npos)
      << error;
}

// A record under the name of one of the driver's, that the driver did not write (a hand edit,
// a disk error, a folder made by mistake): the import stops before the register is read,
// naming it, hands the host nothing and keeps the outputs; with the record gone, the day
// comes once.
TEST_F(RecoveryOnThePort, EachDamagedRecordStopsTheImportBeforeTheRegisterIsRead) {
  const std::string stored_ = dir.File("zapisane.txt");
  const std::string handed = dir.File("przekazane.txt");
  const std::string note = dir.File("odczyt.txt");
  auto folder = [](const std::string& path) {
    return "W katalogu wymiany jest folder " + path +
           ", a pod tą nazwą sterownik trzyma swój plik: usuń ten folder lub zmień mu nazwę i "
           "powtórz import (nic nie zostało zaimportowane)";
  };
  const std::string day = "DataImportu=2026-12-08\r\n";
  const struct {
    const char* what;
    std::string path;
    std::string text;  // empty: a folder
    std::string error;
  } kCases[] = {
      {"a sale source the driver never writes", stored_,
       day + "ustawienia=7;0;0\r\nzapisano=2026-12-08\r\n",
       Damaged(stored_, kStoredUnknown, 2, "ustawienia=7;0;0")},
      {"the import date twice", stored_, day + day + "zapisano=2026-12-08\r\n",
       Damaged(stored_, kStoredUnknown, 2, "DataImportu=2026-12-08")},
      {"a mistyped day", stored_, day + "ustawienia=0;1;0\r\nzapisano=2026-12-8\r\n",
       Damaged(stored_, kStoredUnknown, 3, "zapisano=2026-12-8")},
      {"a day the counters cannot give", stored_,
       day + "ustawienia=0;1;0\r\nzapisano=2026-12-07\r\n",
       Damaged(stored_, kStoredUnknown, 3, "zapisano=2026-12-07",
               "ten dzień nie może pochodzić z tych plików: ich sprzedaż idzie na dzień "
               "importu 2026-12-08")},
      {"a folder for the record of days", stored_, "", folder(stored_)},
      {"a counter that is no number", handed,
       "kasa=0 COM1\r\ndzien=2026-12-08\r\nsprzedaz=1;nan;nan\r\n",
       Damaged(handed, kHandedUnknown, 3, "sprzedaz=1;nan;nan")},
      {"a day read twice", handed, "kasa=0 COM1\r\ndzien=2026-12-08\r\ndzien=2026-12-09\r\n",
       Damaged(handed, kHandedUnknown, 3, "dzien=2026-12-09")},
      {"a folder for what the host has", handed, "", folder(handed)},
      {"what the host has of another register", handed, "kasa=1 Sigma;77\r\ndzien=2026-12-08\r\n",
       "Plik " + handed +
           " opisuje, co baza ma ze sprzedaży kasy Sigma nr 77 (urządzenie 1), a import jest z "
           "kasy Mini ONLINE nr 1 (urządzenie 1): albo ten katalog wymiany ma też inne "
           "urządzenie, albo do tego urządzenia podłączono inną kasę (nic nie zostało "
           "zaimportowane). Jeśli to inne urządzenie, daj każdemu urządzeniu własny katalog "
           "wymiany. Jeśli urządzenie ma nową kasę, najpierw zaimportuj poprzednią, jeśli to "
           "możliwe, potem usuń ten plik i powtórz import: sprzedaż nowej kasy zostanie "
           "przyjęta w całości."},
      {"a note of three megabytes", note, "kasa=7 COM" + std::string(3000000, '9') + "\r\n",
       Damaged(note, kNoteUnknown)},
      {"a note naming a register at length", note,
       "kasa=7 Sigma;" + std::string(30000, '9') + "\r\n",
       "Pliki nieudanego importu z kasy Sigma nr " + std::string(30, '9') +
           "... (urządzenie 7) czekają w katalogu wymiany na import tamtym urządzeniem, a ten "
           "katalog ma też to urządzenie (1): zaimportuj je tamtym urządzeniem i daj każdemu "
           "urządzeniu własny katalog wymiany (nic nie zostało zaimportowane)"},
      {"a note cut at a NUL", note, std::string("kasa=0 CO\0M1\r\n", 14),
       Damaged(note, kNoteUnknown, 1, "kasa=0 CO\\x00M1")},
      {"a folder for the note", note, "", folder(note)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    NewRegisterDay();
    host.storeAnswer = false;
    EXPECT_NE(Run(), "");
    host.storeAnswer = true;
    stored.clear();  // refused: the host does not have it
    ASSERT_TRUE(Exists(dir.File("opsproz4.out")));
    std::filesystem::remove(c.path);
    if (c.text.empty()) {
      std::filesystem::create_directory(c.path);
    } else {
      WriteFile(c.path, c.text);
    }
    env.runs.clear();
    host.messages.clear();
    EXPECT_EQ(Run(), c.error);
    EXPECT_TRUE(env.runs.empty());
    EXPECT_TRUE(stored.empty()) << host.Dump();
    EXPECT_TRUE(Exists(dir.File("opsproz4.out")));
    EXPECT_TRUE(Exists(dir.File("ospopmax_sort.out")));

    std::filesystem::remove_all(c.path);
    ExpectTheNextImportHandsTheRestOnce();
  }
}

}  // namespace

// Running ELZAB's programs and reading their reports.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "elzab/elxrunner.h"
#include "hostlib/Exceptions.h"
#include "support/TLJWords.h"
#include "testutil/DriverFixture.h"

using testutil::ProgramFixture;

class Runner : public ProgramFixture {
 protected:
  // The next run exits with `code` after writing `report` as RAPORT.TXT (none when empty).
  void NextRun(uint32_t code, const std::string& report = "") {
    env.onRun = [this, code, report](const platform::FakeEnv::Run&) {
      if (!report.empty()) testutil::WriteFile(dir.File("RAPORT.TXT"), report);
      platform::RunResult r;
      r.started = true;
      r.exitCode = code;
      return r;
    };
  }
  std::string ErrorOf(int function) {
    try {
      action->Runner().Execute(function);
    } catch (const Exception& e) {
      return e.Message();
    }
    return "";
  }
  std::string Sep() const { return std::string(1, platform::kPathSeparator); }
};

TEST_F(Runner, EachFunctionRunsItsProgramWithItsArguments) {
  const std::vector<std::tuple<int, std::string, bool>> table = {
      {4, "OSpOpMax.exe", false},  {5, "OPSpRoz4.exe", true},  {6, "OPSpRoz5.exe", true},
      {7, "OIKasWla.exe", true},   {8, "OKasjer.exe", true},   {9, "OZegar.exe", true},
      {10, "OPlat.exe", true},     {51, "ZWaluta.exe", false}, {52, "ZPlat.exe", false},
      {53, "ZJednost.exe", false}, {54, "ZGrupa.exe", false},  {55, "OPodatek.exe", true},
      {56, "KTowMax.exe", false},  {57, "ZCTowar.exe", false}, {58, "ZBPTowar.exe", true},
      {59, "KTowar.exe", false},   {100, "OTypUrz.exe", true}};
  for (const auto& [function, program, withOutput] : table) {
    env.runs.clear();
    action->Runner().Execute(function);
    ASSERT_EQ(env.runs.size(), 1u) << function;
    EXPECT_EQ(env.runs[0].program, "/elzab" + Sep() + program);
    EXPECT_EQ(env.runs[0].directory, dir.Path());
    ASSERT_EQ(env.runs[0].args.size(), withOutput ? 2u : 1u) << program;
    EXPECT_EQ(env.runs[0].args[0], action->Runner().FNameFile(function, 1, false));
    if (withOutput) {
      EXPECT_EQ(env.runs[0].args[1], action->Runner().FNameFile(function, 2, false));
    }
  }
}

TEST_F(Runner, InputsOfReadingProgramsAreWrittenAndGoodsInputsAreLeftAlone) {
  testutil::WriteFile(dir.File("zbptowar.in"), "goods");
  action->Runner().Execute(58);
  EXPECT_EQ(testutil::ReadFile(dir.File("zbptowar.in")), "goods");
  action->Runner().Execute(55);
  EXPECT_EQ(testutil::ReadFile(dir.File("opodatek.in")), "#1\r\n#\r\n#\r\n");
  action->Runner().Execute(56);
  EXPECT_EQ(testutil::ReadFile(dir.File("ktowmax.in")), "#1\r\n#\r\n#\r\n");
}

TEST_F(Runner, NumbersWithoutAProgramRunNothing) {
  for (int function : {0, 1, 2, 3, 11, 60, 101, -1}) action->Runner().Execute(function);
  EXPECT_TRUE(env.runs.empty());
  EXPECT_FALSE(testutil::Exists(dir.File("ospopmax_opak.in")));
}

TEST_F(Runner, ExitCodeZeroIsSuccessWhateverTheReportSays) {
  NextRun(0, "ZBPTowar\r\n$105;Błąd\r\n");
  EXPECT_EQ(ErrorOf(58), "");
}

TEST_F(Runner, AReportCodeGivesTheErrorTableText) {
  NextRun(1, "OTypUrz\r\n#7;\r\n");
  EXPECT_EQ(ErrorOf(100), "Błąd [7]: ### Błąd nr 7. Nie można otworzyć pliku konfiguracji");
}

TEST_F(Runner, TheReportsOwnDescriptionWins) {
  NextRun(1, "OTypUrz\r\nx 21 ; Timeout \r\n");
  EXPECT_EQ(ErrorOf(100), "Błąd [21]: Timeout");
}

TEST_F(Runner, ANonNumericOrZeroCodeIsSuccess) {
  NextRun(1, "OTypUrz\r\n$abc;cokolwiek\r\n");
  EXPECT_EQ(ErrorOf(100), "");
  NextRun(3, "OTypUrz\r\n$0;OK\r\n");
  EXPECT_EQ(ErrorOf(100), "");
}

TEST_F(Runner, AFailedRunWithoutAReportIsAnErrorNamingTheProgramAndCode) {
  NextRun(3);
  EXPECT_EQ(ErrorOf(58), "Program /elzab" + Sep() + "ZBPTowar.exe zakończył pracę z kodem 3" +
                             " bez raportu wyniku w pliku " + dir.File("RAPORT.TXT"));
}

TEST_F(Runner, AReportWithoutAResultLineIsNoVerdict) {
  NextRun(2, "OTypUrz only one line\r\n");
  EXPECT_NE(ErrorOf(100).find("zakończył pracę z kodem 2"), std::string::npos);
}

TEST_F(Runner, AReportLeftByAnEarlierRunIsNotTakenForThisRunsVerdict) {
  testutil::WriteFile(dir.File("RAPORT.TXT"), "old\r\n$0;OK\r\n");
  NextRun(4);
  EXPECT_NE(ErrorOf(100).find("zakończył pracę z kodem 4"), std::string::npos);
}

TEST_F(Runner, AProgramThatCannotStartIsReported) {
  env.onRun = [](const platform::FakeEnv::Run&) { return platform::RunResult{}; };
  EXPECT_EQ(ErrorOf(100), "Błąd uruchomienia /elzab" + Sep() + "OTypUrz.exe");
}

// The system's reason why a program did not start is what tells a technician what to do:
// a line of its own before the error, whose text stays as it always was.
TEST_F(Runner, AProgramThatCannotStartNamesTheSystemsReason) {
  env.onRun = [](const platform::FakeEnv::Run&) {
    platform::RunResult r;
    r.error = "program antywirusowy zablokował plik (kod 225)";
    return r;
  };
  EXPECT_EQ(ErrorOf(100), "Błąd uruchomienia /elzab" + Sep() + "OTypUrz.exe");
  ASSERT_FALSE(host.messages.empty());
  EXPECT_EQ(host.messages.back().text, "Przyczyna: program antywirusowy zablokował plik (kod 225)");
  EXPECT_EQ(host.messages.back().significance, 1);
}

// The program runs by its folder's short name; a folder that is not there is named as typed.
TEST_F(Runner, AProgramThatCannotStartInAShortenedFolderNamesTheFolderAsTyped) {
  host.params["ElzabSTXExePath"] = "C:\\Program Files\\Elzab";
  env.shortPaths["C:\\Program Files\\Elzab" + Sep()] = "C:\\PROGRA~1\\Elzab\\";
  action->ReadParams();
  env.onRun = [](const platform::FakeEnv::Run&) {
    platform::RunResult r;
    r.error = "nie ma takiego folderu (kod 3)";
    return r;
  };
  EXPECT_EQ(ErrorOf(100), "Błąd uruchomienia C:\\PROGRA~1\\Elzab\\OTypUrz.exe");
  EXPECT_EQ(host.messages.back().text,
            "Przyczyna: nie ma takiego folderu (kod 3); pełna ścieżka programu: C:\\Program "
            "Files\\Elzab" +
                Sep() + "OTypUrz.exe");
}

// A program that could not be ended (it waits for its device) is an error of its own, and
// the shared resource goes back so that other registers are not kept waiting behind it.
TEST_F(Runner, AProgramThatCannotBeEndedGivesTheResourceBack) {
  host.params["ElzabSTXProtectExe"] = "1";
  action->ReadParams();
  host.events.clear();
  env.onRun = [](const platform::FakeEnv::Run&) {
    platform::RunResult r;
    r.started = r.stopped = r.stuck = true;
    return r;
  };
  EXPECT_EQ(ErrorOf(5), "Nie można zakończyć programu /elzab" + Sep() +
                            "OPSpRoz4.exe: czeka na urządzenie; odłącz i podłącz kasę albo "
                            "uruchom komputer ponownie, zanim zaczniesz następną operację");
  EXPECT_EQ(host.events, (std::vector<std::string>{"22 HeavyLoadSection", "23 HeavyLoadSection"}));
}

// A path that still holds a blank (its folder has no short name) is run as it is, with a
// warning, once per operation, saying what the technician can do.
TEST_F(Runner, APathWithABlankIsWarnedAboutOnce) {
  host.params["ElzabSTXExePath"] = "/Program Files/Elzab";
  action->ReadParams();
  action->Runner().Execute(100);
  action->Runner().Execute(55);
  int warnings = 0;
  for (const auto& m : host.messages) {
    if (m.text.rfind("Ścieżka /Program Files/Elzab", 0) == 0) {
      ++warnings;
      EXPECT_EQ(m.significance, 1);
      EXPECT_NE(m.text.find(" zawiera spację: ten folder nie ma krótkiej nazwy"),
                std::string::npos);
    }
  }
  EXPECT_EQ(warnings, 1);
  EXPECT_EQ(env.runs.size(), 2u);
}

TEST_F(Runner, TheGuardIsHeldAroundEachRunAndReleasedOnFailure) {
  host.params["ElzabSTXProtectExe"] = "1";
  action->ReadParams();
  host.events.clear();
  action->Runner().Execute(55);
  env.onRun = [](const platform::FakeEnv::Run&) { return platform::RunResult{}; };
  EXPECT_NE(ErrorOf(100), "");
  NextRun(1, "x\r\n$9;\r\n");
  EXPECT_NE(ErrorOf(100), "");
  EXPECT_EQ(host.events, (std::vector<std::string>{"22 HeavyLoadSection", "23 HeavyLoadSection",
                                                   "22 HeavyLoadSection", "23 HeavyLoadSection",
                                                   "22 HeavyLoadSection", "23 HeavyLoadSection"}));
}

TEST_F(Runner, WithoutTheGuardTheResourceIsNeverAskedFor) {
  host.events.clear();
  action->Runner().Execute(55);
  EXPECT_TRUE(host.events.empty());
}

TEST_F(Runner, TheFailingPluComesFromLineTenOfTheReport) {
  std::string report;
  for (int i = 1; i <= 9; ++i) report += "linia " + std::to_string(i) + "\r\n";
  report += "$\t0\tP123\t\r\n";
  testutil::WriteFile(dir.File("RAPORT.TXT"), report);
  EXPECT_EQ(action->Runner().CheckReportFileErrorPLU(), 123);
  const std::string archive = testutil::ReadFile(dir.File("RAPORT.arc"));
  EXPECT_NE(archive.find("[IMPORT WYKONANY DNIA: "), std::string::npos);
  EXPECT_NE(archive.find("linia 1\r\n"), std::string::npos);
  testutil::WriteFile(dir.File("RAPORT.TXT"), "only\r\n$1;x\r\n");
  EXPECT_EQ(action->Runner().CheckReportFileErrorPLU(), 0);
}

TEST_F(Runner, AMissingReportAfterAGoodsRunIsAnError) {
  try {
    action->Runner().CheckReportFileErrorPLU();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Brak pliku raportu " + dir.File("RAPORT.TXT"));
  }
}

TEST_F(Runner, RejectedPlusAreCollectedAndLinesWithoutAPluSkipped) {
  testutil::WriteFile(dir.File("zbptowar.out"),
                      "naglowek\r\n\r\n$12\t104\r\n$x\tjunk\r\n#13\t105\r\n$14\r\n$15\t110\r\n");
  ElzabExport& exp = action->GoodsExport();
  exp.OpenLog();
  // A refused PLU without its code still counts as refused.
  EXPECT_EQ(exp.CheckZBPTOWARFileErrorPLU(), (std::set<std::string>{"12", "14", "15"}));
  exp.CloseLog();
  EXPECT_EQ(testutil::ReadFile(dir.File("errors.txt")),
            "PLU: 12 (### Błąd nr 104. Brak miejsca na opakowanie (max. 64 opakowań))\r\n"
            "PLU: 14 (### Błąd nr 0. < Nieznany komunikat >)\r\n"
            "PLU: 15 (### Błąd nr 110. Numer grupy towarowej poza dozwolonym zakresem)\r\n");
}

TEST_F(Runner, NoRejectionFileGivesAnEmptyList) {
  EXPECT_TRUE(action->GoodsExport().CheckZBPTOWARFileErrorPLU().empty());
}

TEST_F(Runner, WhileAProgramRunsTheHostIsAskedToStopAndAnAbortEndsItAndDropsItsPartOutput) {
  int asked = 0;
  env.onRun = [&](const platform::FakeEnv::Run& run) {
    // The program has written part of its answer when the person asks to stop.
    testutil::WriteFile(dir.File("opsproz4.out"), "#1\r\n#\r\n#\r\n1\t1\t1");
    platform::RunResult r;
    r.started = true;
    EXPECT_TRUE(run.stop);
    if (!run.stop) return r;
    ++asked;
    EXPECT_FALSE(run.stop());  // the host has not asked yet: the wait goes on
    host.abortAnswer = true;
    ++asked;
    r.stopped = run.stop();
    return r;
  };
  testutil::WriteFile(dir.File("ospopmax_sort.out"), "kept");
  EXPECT_EQ(ErrorOf(5), "Operacja przerwana przez użytkownika");
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(env.FileExists(dir.File("opsproz4.out")));
  // Outputs of programs that finished before stay for the next import.
  EXPECT_EQ(testutil::ReadFile(dir.File("ospopmax_sort.out")), "kept");
}

// A read that failed (a full disk, a broken connection) drops what it wrote, with a report or
// without: the next import reads the register anew instead of taking an empty or cut file for
// the register's day. A goods program's output stays: it names the goods the register refused.
TEST_F(Runner, AFailedReadDropsItsOutputsAndAFailedGoodsRunKeepsItsOwn) {
  const struct {
    int function;
    std::vector<std::string> outputs;
    const char* report;
    bool kept;
  } kCases[] = {
      {4,
       {"ospopmax_sprz.out", "ospopmax_sort.out", "ospopmax_opak.out"},
       "OSpOpMax\r\n$8;\r\n",
       false},
      {4, {"ospopmax_sort.out"}, "", false},
      {5, {"opsproz4.out"}, "OPSpRoz4\r\n$21;Timeout\r\n", false},
      {7, {"oikaswla.out"}, "OIKasWla\r\n$21;Timeout\r\n", false},
      {58, {"zbptowar.out"}, "ZBPTowar\r\n$120;Błąd\r\n", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.outputs[0]);
    testutil::WriteFile(dir.File("ospopmax_sprz.out"), "kept");
    env.onRun = [&](const platform::FakeEnv::Run&) {
      for (const std::string& name : c.outputs) testutil::WriteFile(dir.File(name), "");
      if (*c.report != 0) testutil::WriteFile(dir.File("RAPORT.TXT"), c.report);
      platform::RunResult r;
      r.started = true;
      r.exitCode = 8;
      return r;
    };
    EXPECT_NE(ErrorOf(c.function), "");
    for (const std::string& name : c.outputs) {
      EXPECT_EQ(env.FileExists(dir.File(name)), c.kept) << name;
    }
    // Another program's output is no part of this run.
    if (c.function != 4) {
      EXPECT_TRUE(env.FileExists(dir.File("ospopmax_sprz.out")));
    }
    for (const std::string& name : c.outputs) std::remove(dir.File(name).c_str());
  }
}

TEST_F(Runner, TheAbortCheckBetweenExportSteps) {
  EXPECT_NO_THROW(action->Runner().ThrowPrzerwac());
  host.abortAnswer = true;
  try {
    action->Runner().ThrowPrzerwac();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Operacja przerwana przez użytkownika");
  }
}

// A host without the abort service cannot be asked while a program runs (without it every
// abort check answers "stop"): the program is left to finish. Between the export's steps
// that answer still stops the operation.
TEST_F(Runner, WithoutTheHostsAbortServiceAProgramIsLeftToFinish) {
  std::set<int> codes = testutil::RecordingHost::AllServices();
  codes.erase(5);
  testutil::RecordingHost other;
  other.exchangeDir = dir.Path();
  other.params = host.params;
  std::unique_ptr<TKSLibrary> bare(TKSLibrary::RejestrujBiblioteke(&other));
  other.RegisterServices([&](void* f, int code) { bare->RejestrujCallback(f, code); }, codes);
  std::unique_ptr<TrelvaxAction> withoutAbort(
      static_cast<TrelvaxAction*>(bare->UtworzAkcje(reinterpret_cast<HTVKCBARG2>(0x22))));
  withoutAbort->ReadParams();
  env.onRun = [](const platform::FakeEnv::Run& run) {
    EXPECT_FALSE(run.stop);
    platform::RunResult r;
    r.started = true;
    return r;
  };
  EXPECT_NO_THROW(withoutAbort->Runner().Execute(5));
  EXPECT_THROW(withoutAbort->Runner().ThrowPrzerwac(), Exception);
  ASSERT_EQ(env.runs.size(), 1u);
}

TEST_F(Runner, ProgramsGetShortPathsAndRunInTheHostsDirectory) {
  // The goods program, whose input the export has written before: nothing is written here.
  env.shortPaths[dir.Path()] = "C:\\URZ_1~1\\";
  action->Runner().Execute(58);
  ASSERT_EQ(env.runs.size(), 1u);
  EXPECT_EQ(env.runs[0].directory, dir.Path());
  EXPECT_EQ(env.runs[0].args,
            (std::vector<std::string>{"C:\\URZ_1~1\\zbptowar.in", "C:\\URZ_1~1\\zbptowar.out"}));
}

TEST_F(Runner, EveryOutputIsReadByOneReaderThatCountsItsLinesAndMeetsAFileCutShortAsAsked) {
  const std::string path = dir.File("out.out");
  const std::string readError = "Błąd odczytu pliku " + path;
  auto error = [&](const std::function<void()>& read) {
    try {
      read();
    } catch (const Exception& e) {
      return e.Message();
    }
    return std::string();
  };
  testutil::WriteFile(path, "#1\r\n$1\t2\r\n#x\n$3\r\n");
  {
    OutputLines lines(action->Runner(), path);
    TLJWords columns("\t");
    std::string data;
    ASSERT_TRUE(lines.NextData(columns));
    EXPECT_EQ(columns[1], "2");
    EXPECT_EQ(lines.Line(), 2);
    ASSERT_TRUE(lines.NextData(data));
    EXPECT_EQ(data, "3");
    EXPECT_EQ(lines.Line(), 4);
    EXPECT_EQ(error([&] { lines.Damaged(); }), readError + ": nieczytelny wiersz 4");
    EXPECT_FALSE(lines.NextData(data));
    EXPECT_EQ(data, "");
  }
  testutil::WriteFile(path, "$1\r\n$2");
  EXPECT_EQ(error([&] { OutputLines lines(action->Runner(), path); }),
            readError + ": plik urwany, ostatni wiersz niepełny");
  for (const auto check : {OutputLines::kTell, OutputLines::kUnchecked}) {
    OutputLines lines(action->Runner(), path, check);
    EXPECT_EQ(lines.Complete(), check == OutputLines::kUnchecked);
    std::string line;
    while (lines.Next(line)) {
    }
    EXPECT_EQ(lines.Line(), 2);
  }
  std::remove(path.c_str());
  EXPECT_EQ(error([&] { OutputLines lines(action->Runner(), path); }), readError);
  EXPECT_NE(error([&] { OutputLines lines(path); }), "");
}

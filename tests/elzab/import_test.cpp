// The sales import: the counters, cashier and payment-form outputs read into the import
// file, in file mode and with the programs scripted, leftovers, failures and clean-up.
#include <cstdio>

#include <gtest/gtest.h>

#include "elzab/elxcounters.h"

#include <algorithm>

#include "exchange/KSImpBuf.h"
#include "hostlib/Exceptions.h"
#include "testutil/DriverFixture.h"

namespace {

using testutil::Exists;
using testutil::ReadFile;
using testutil::WriteFile;

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The sections that follow the goods when nothing else was read.
std::string EmptyMiddle(const std::string& returned = "0", const std::string& sold = "0") {
  return "\r\n[OPERACJE]\r\n\r\n[RAPORT_GODZINOWY]\r\n\r\n[RAPORT_WALUTOWY]\r\n\r\n[FINANSOWE]\r\n"
         "WPLATY;0\r\nWYPLATY;0\r\nRABATY;0\r\nZWROT_OPAKOWAN;" +
         returned + "\r\nSPRZEDAZ_OPAKOWAN;" + sold +
         "\r\nFPLATN_BON;0\r\nFPLATN_CZEK;0\r\nFPLATN_KARTA;0\r\nFPLATN_INNE;0\r\n"
         "IL_KOSZYKOW;0\r\nIL_LINII_PAR;0\r\n";
}

const std::string kFlags =
    "\r\n[FLAGI]\r\nDATA_SPRZEDAZY;20261208000000000\r\nFISK_Z_PLU;T\r\nNADPISZ_FISK;N\r\n"
    "NADPISZ_OPAK;T\r\nPODSUMUJ_OPAK;N\r\nNADPISZ_PLU;N\r\nDOKLEJ_PLU;N\r\n";

// A cashier statistics line: 27 columns, the used ones set.
std::string CashierStats(const std::string& first = "1") {
  std::vector<std::string> c(27, "0");
  c[0] = first;
  c[1] = "100";
  c[2] = "25";
  c[3] = "0";
  c[4] = "5";
  c[5] = "1500";
  c[8] = "300";
  c[11] = "200";
  c[15] = "26.12.08";
  c[16] = "08:00";
  c[18] = "7";
  c[19] = "2";
  c[26] = "450";
  std::string line = "$";
  for (size_t i = 0; i < c.size(); ++i) line += (i ? "\t" : "") + c[i];
  return "#1\r\n#\r\n#\r\n" + line + "\r\n";
}

class Import : public testutil::DriverFixture {
 protected:
  void SetUp() override {
    host.params = {
        {"ElzabSTXPort", "PLIK"}, {"ElzabSTXExePath", "/elzab"}, {"DataImportu", "2026-12-08"}};
    Register();
    host.onStore = [this](int code) {
      if (code == 17) stored.push_back(ReadFile(dir.File("kasa.imp")));
    };
    env.onRun = [this](const platform::FakeEnv::Run& run) { return Answer(run); };
  }

  // The register's programs: identification as `model`, every reading program writes the
  // output this test gave it (the counters program its three files).
  platform::RunResult Answer(const platform::FakeEnv::Run& run) {
    const std::string program = BaseName(run.program);
    order.push_back(program);
    if (program == "OTypUrz.exe") {
      WriteFile(run.args[1], "#1\r\n#\r\n#\r\n$1\t1\tX\t" + model + "\t4000\t4\t02.12\r\n");
    } else if (program == "OSpOpMax.exe") {
      WriteFile(dir.File("ospopmax_sort.out"), sales);
      WriteFile(dir.File("ospopmax_sprz.out"), sales);
      WriteFile(dir.File("ospopmax_opak.out"), "#1\r\n#\r\n#\r\n");
    } else if (run.args.size() > 1) {
      WriteFile(run.args[1], "#1\r\n#\r\n#\r\n");
    }
    platform::RunResult r;
    r.started = true;
    return r;
  }

  void Run() {
    auto action = Action();
    HTVKDLLSRODOWISKO environment;
    action->Operacja(&environment, -3, 0);
  }

  std::string model = "K10";
  std::string sales = "#1\r\n#\r\n#\r\n$12\t2.000\t700\r\n";
  std::vector<std::string> order;
  std::vector<std::string> stored;
};

TEST_F(Import, CountersBecomeGoodsLinesWithReturnsMergedAndPackagingTotals) {
  WriteFile(dir.File("packages.dat"), "10\r\n");
  WriteFile(dir.File("ospopmax_opak.out"),
            "#1\r\n#\r\n#\r\n$12\t1.500\t350\r\n$12\t0.500\t100\r\n$13\t0\t0\r\n#\t3\t450\r\n");
  WriteFile(dir.File("ospopmax_sort.out"),
            "#1\r\n#\r\n#\r\n$12\t2.000\t700\r\n$10\t4.000\t200\r\n$12\t1.000\t350\r\n"
            "$99\t0.000\t0\r\n#\t4\t1250\r\n");
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_EQ(stored[0],
            "[TOWAROWE]\r\nPLU;12;;-2000;-450\r\nPLU;12;;2000;700\r\n"
            "PLU;10;;4000;200\r\nPLU;12;;1000;350\r\n" +
                EmptyMiddle("450", "200") + kFlags);
  const std::vector<std::string> texts = host.Texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Brak pliku danych bufora paragonów"),
            texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(),
                      "------ WARTOŚĆ SPRZEDAŻY:     8.00 zł. (w/g PLU) ------"),
            texts.end())
      << host.Dump();
  EXPECT_EQ(texts.back(), "Zapis importu do bazy:2026-12-08 (wtorek):");
  // The outputs are archived into the import archive and their own, and removed.
  EXPECT_FALSE(Exists(dir.File("ospopmax_sort.out")));
  EXPECT_NE(ReadFile(dir.File("ospopmax_sort.arc")).find("$10\t4.000\t200"), std::string::npos);
  EXPECT_NE(ReadFile(dir.File("arch1.imp")).find("PLU;10;;4000;200"), std::string::npos);
}

TEST_F(Import, SalesFromReceiptsLeaveTheCountersUnread) {
  host.params["ElzabSTXSaleSource"] = "1";
  WriteFile(dir.File("ospopmax_sort.out"), "$12\t2.000\t700\r\n");
  Run();
  // Nothing read: the buffer is saved and archived but not handed to the host.
  EXPECT_TRUE(stored.empty());
  EXPECT_NE(ReadFile(dir.File("kasa.imp")).find("[TOWAROWE]\r\n\r\n[OPERACJE]"), std::string::npos);
}

TEST_F(Import, TheCashierSectionComesFromStatisticsNameAndClock) {
  WriteFile(dir.File("ospopmax_sort.out"), "#1\r\n#\r\n#\r\n");
  WriteFile(dir.File("oikaswla.out"), CashierStats());
  // The cashier file is in code page 852: "Anna Żak; x" with Ż as 0xBD.
  WriteFile(dir.File("okasjer.out"),
            "#1\r\n#\r\n#\r\n$2\tJan\t0\r\n$1\t Anna \xBD"
            "ak\t1\r\n");
  WriteFile(dir.File("ozegar.out"), "#1\r\n#\r\n#\r\n$26.12.08\t10:15\r\n");
  WriteFile(dir.File("oplat.out"),
            "#1\r\n#\r\n#\r\n$1\tGOT\t0\t0\t0\t0\t0\r\n"
            "$2\tKARTA\t2\t0\t0\t0\tTAK\r\n$3\tBON\t2\t0\t0\t0\tT\r\n"
            "$4\tCZEK\t2\t0\t0\t0\tt\r\n");
  Run();
  ASSERT_EQ(stored.size(), 1u) << host.Dump();
  EXPECT_NE(stored[0].find("\r\n[STAN_KASY]\r\nKAS_NUMER;1\r\nKAS_NAZWISKO;Anna Żak\r\n"
                           "KAS_ZMSTART;20261208080000000\r\nKAS_BIEZ;20261208101500000\r\n"
                           "KAS_STANKASY;120\r\nKAS_KARTY;1500\r\nKAS_BONY;300\r\nKAS_CZEKI;200\r\n"
                           "KAS_PARAGONOW;7\r\nKAS_IL_STORNO;2\r\nKAS_WART_STORNO;450\r\n\r\n"
                           "[FLAGI]"),
            std::string::npos)
      << stored[0];
  // The cashier, clock and payment-form outputs stay for the next import.
  EXPECT_TRUE(Exists(dir.File("oikaswla.out")));
  EXPECT_TRUE(Exists(dir.File("oplat.out")));
}

TEST_F(Import, PaymentFormsCarryADateOnlyForAYesWord) {
  auto action = Action();
  action->ReadParams();
  ElzabImport& import = action->SalesImport();
  auto dated = [&] {
    std::vector<int> forms;
    for (int form = 0; form < 7; ++form) forms.push_back(import.PaymentHasDate(form) ? 1 : 0);
    return forms;
  };
  import.SetPaymentHasDate(5, true);
  WriteFile(dir.File("oplat.out"),
            "$1\tGOT\t0\t0\t0\t0\t0\r\n$2\tKARTA\t2\t0\t0\t0\tTAK\r\n"
            "$3\tBON\t2\t0\t0\t0\tT\r\n$4\tCZEK\t2\t0\t0\t0\tt\r\n"
            "$5\tINNA\t2\t0\t0\t0\ty\r\n");
  const ImportPass pass = ImportPass::Fresh(46364, import.ParameterSettings());
  import.ReadOutputs(pass);
  EXPECT_EQ(dated(), (std::vector<int>{0, 0, 1, 1, 1, 1, 0}));
  std::remove(dir.File("oplat.out").c_str());
  import.ReadOutputs(pass);
  EXPECT_EQ(dated(), std::vector<int>(7, 0));
}

TEST_F(Import, AnUnknownCashierAndNoClockGiveDefaults) {
  WriteFile(dir.File("ospopmax_sort.out"), "");
  WriteFile(dir.File("oikaswla.out"), CashierStats("3"));
  WriteFile(dir.File("okasjer.out"), "$1\tAnna\t1\r\n");
  Run();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_NE(stored[0].find("KAS_NUMER;3\r\nKAS_NAZWISKO;<nieznany kasjer>\r\n"), std::string::npos);
  EXPECT_NE(stored[0].find("KAS_BIEZ;20251209120000000\r\n"), std::string::npos) << stored[0];
}

TEST_F(Import, AGarbledStatisticsFileEndsTheImportAndKeepsTheOutputs) {
  WriteFile(dir.File("ospopmax_sort.out"), "$12\t2.000\t700\r\n");
  WriteFile(dir.File("oikaswla.out"), CashierStats("A"));
  auto action = Action();
  HTVKDLLSRODOWISKO environment;
  try {
    action->Operacja(&environment, -3, 0);
    FAIL();
  } catch (const EConvertError& e) {
    // The conversion's message names the file it came from.
    EXPECT_EQ(e.Message().rfind("Błąd odczytu pliku " + dir.File("oikaswla.out") + ": ", 0), 0u)
        << e.Message();
  }
  EXPECT_TRUE(stored.empty());
  EXPECT_TRUE(Exists(dir.File("ospopmax_sort.out")));
}

// ----- Outputs the register did not write as they are ---------------------------------------

struct DamagedOutput {
  const char* name;
  const char* file;
  std::string text;
  const char* detail;  // what the message says after the file's name
};

class ImportDamagedOutput : public Import, public ::testing::WithParamInterface<DamagedOutput> {};

// A counters file with a quantity or value that is no number, any output whose last line
// breaks off without its line end, a payment-form line without its number: the import ends
// with an error naming the file, nothing is handed to the host, and the outputs stay.
TEST_P(ImportDamagedOutput, EndsTheImportNamingTheFileAndStoresNothing) {
  const DamagedOutput& d = GetParam();
  WriteFile(dir.File("ospopmax_sort.out"), "#1\r\n#\r\n#\r\n$12\t2.000\t700\r\n");
  WriteFile(dir.File("oikaswla.out"), CashierStats());
  WriteFile(dir.File(d.file), d.text);
  try {
    Run();
    FAIL() << host.Dump();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Błąd odczytu pliku " + dir.File(d.file) + ": " + d.detail);
  }
  EXPECT_TRUE(stored.empty());
  EXPECT_TRUE(Exists(dir.File(d.file)));
  EXPECT_TRUE(Exists(dir.File("ospopmax_sort.out")));
  EXPECT_FALSE(Exists(dir.File("ospopmax_sort.arc")));
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImportDamagedOutput,
    ::testing::Values(
        DamagedOutput{"GarbledQuantity", "ospopmax_sort.out", "#B\r\n#\r\n#\r\n$BC\tC.AAA\tHAA\r\n",
                      "nieczytelny wiersz 4"},
        DamagedOutput{"GarbledValue", "ospopmax_sort.out",
                      "#1\r\n#\r\n#\r\n$13\t1.000\t300\r\n$12\t2.000\tHAA\r\n",
                      "nieczytelny wiersz 5"},
        DamagedOutput{"MissingValue", "ospopmax_opak.out", "#1\r\n#\r\n#\r\n$40\t1.000\r\n",
                      "nieczytelny wiersz 4"},
        DamagedOutput{"GoodsNumberThatIsNone", "ospopmax_sort.out",
                      "#1\r\n#\r\n#\r\n$13\t1.000\t300\r\n$3x\t2.000\t700\r\n",
                      "nieczytelny wiersz 5"},
        DamagedOutput{"CountersCutShort", "ospopmax_sort.out",
                      "#1\r\n#\r\n#\r\n$12\t2.000\t700\r\n$13\t1.0",
                      "plik urwany, ostatni wiersz niepełny"},
        DamagedOutput{"CashierListCutShort", "okasjer.out", "#1\r\n#\r\n#\r\n$1\tAn",
                      "plik urwany, ostatni wiersz niepełny"},
        DamagedOutput{"ClockCutShort", "ozegar.out", "#1\r\n#\r\n#\r\n$26.12.08\t10:1",
                      "plik urwany, ostatni wiersz niepełny"},
        DamagedOutput{"PaymentFormWithoutNumber", "oplat.out",
                      "#1\r\n#\r\n#\r\n$1\tGOT\t0\t0\t0\t0\t0\r\n$C\tKARTA\tC\tA\tA\tA\tA\r\n",
                      "nieczytelny wiersz 5"}),
    [](const ::testing::TestParamInfo<DamagedOutput>& info) { return info.param.name; });

TEST_F(Import, FileModeWithoutOutputsIsAnError) {
  try {
    Run();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Ustawione złącze PLIK, a nie ma żadnych plików importowych!");
  }
  EXPECT_TRUE(order.empty());
}

TEST_F(Import, AK10RunsOnlyTheCountersAndASigmaEveryReader) {
  host.params["ElzabSTXPort"] = "COM1";
  Run();
  EXPECT_EQ(order, (std::vector<std::string>{"OTypUrz.exe", "OSpOpMax.exe"}));
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_NE(stored[0].find("PLU;12;;2000;700\r\n"), std::string::npos);
  order.clear();
  // Another register on the device: what the host has of the K10 is no measure of it.
  std::remove(dir.File("przekazane.txt").c_str());
  model = "Sigma";
  host.params["ElzabSTXSaleBufferType"] = "1";
  Run();
  EXPECT_EQ(order,
            (std::vector<std::string>{"OTypUrz.exe", "OSpOpMax.exe", "OZegar.exe", "OKasjer.exe",
                                      "OIKasWla.exe", "OPlat.exe", "OPSpRoz5.exe"}));
  // Outputs of the counters and the receipt buffer go; the cashier, clock and payment-form
  // outputs stay.
  for (const char* gone : {"ospopmax_sprz.out", "ospopmax_sort.out", "ospopmax_opak.out",
                           "opsproz5.out", "ospopmax.in", "opsproz5.in"}) {
    EXPECT_FALSE(Exists(dir.File(gone))) << gone;
  }
  for (const char* kept : {"oikaswla.out", "okasjer.out", "ozegar.out", "oplat.out"}) {
    EXPECT_TRUE(Exists(dir.File(kept))) << kept;
  }
}

TEST_F(Import, LeftoverOutputsAreImportedFirstAndOnce) {
  host.params["ElzabSTXPort"] = "COM1";
  WriteFile(dir.File("ospopmax_sort.out"), "$77\t1.000\t100\r\n");
  Run();
  ASSERT_EQ(stored.size(), 2u) << host.Dump();
  EXPECT_NE(stored[0].find("PLU;77;;1000;100\r\n"), std::string::npos);
  EXPECT_EQ(stored[1].find("PLU;77;"), std::string::npos);
  EXPECT_NE(stored[1].find("PLU;12;;2000;700\r\n"), std::string::npos);
  EXPECT_EQ(host.Texts()[1],
            "Import z zaległych danych! Coś się nie udało przy ostatnim imporcie!");
  EXPECT_EQ(host.messages[1].significance, 1);
  EXPECT_EQ(order, (std::vector<std::string>{"OTypUrz.exe", "OSpOpMax.exe"}));
}

TEST_F(Import, ARefusedStoreMarksTheLineAndKeepsNothingBack) {
  host.storeAnswer = false;
  WriteFile(dir.File("ospopmax_sort.out"), "$12\t2.000\t700\r\n");
  auto action = Action();
  HTVKDLLSRODOWISKO environment;
  try {
    action->Operacja(&environment, -3, 0);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Błąd zapisu importu sprzedaży do bazy danych");
  }
  EXPECT_EQ(host.messages.back().significance, 2);
  EXPECT_EQ(host.messages.back().text,
            "Zapis importu do bazy:2026-12-08 (wtorek):\x01"
            "Błąd!");
  // The output stays: the next import takes it in again.
  EXPECT_TRUE(Exists(dir.File("ospopmax_sort.out")));
}

// KONFIG.TXT or a program's input whose close fails (a full disk) is no file a program may
// read: the import ends in its error before the program runs.
TEST_F(Import, AConfigurationOrInputWhoseCloseFailsIsNeverGivenToAProgram) {
  host.params["ElzabSTXPort"] = "COM1";
  const struct {
    const char* file;
    std::vector<std::string> ran;
  } kCases[] = {{"KONFIG.TXT", {}}, {"ospopmax.in", {"OTypUrz.exe"}}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.file);
    order.clear();
    env.failingCloses = {c.file};
    auto action = Action();
    HTVKDLLSRODOWISKO environment;
    try {
      action->Operacja(&environment, -3, 0);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_NE(e.Message().find(dir.File(c.file)), std::string::npos) << e.Message();
    }
    EXPECT_EQ(order, c.ran);
    EXPECT_TRUE(stored.empty());
  }
}

// The one reader of the counters serves the goods lines, the summary of what the host has and
// the sales beyond it: summed per code in the order codes first come, less a base's sums.
TEST_F(Import, CountersAreSummedPerCodeLessWhatTheHostHas) {
  WriteFile(dir.File("sales.out"),
            "#1\r\n$12\t1.500\t350\r\n$13\t0\t0\r\n$12\t0.500\t100\r\n#\t2\t450\r\n");
  auto action = Action();
  CounterSums sums = SumCounters(action->Runner(), dir.File("sales.out"));
  ASSERT_EQ(sums.size(), 2u);
  EXPECT_EQ(sums[0].first, "12");
  EXPECT_EQ(sums[0].second.quantity, 2000);
  EXPECT_EQ(sums[0].second.value, 450);
  EXPECT_EQ(sums[1].first, "13");
  EXPECT_EQ(sums[1].second.quantity, 0);
  const std::map<std::string, ReadSummary::Sum> base = {{"12", {500, 100}}, {"40", {1000, 50}}};
  sums = SumCounters(action->Runner(), dir.File("sales.out"), &base);
  ASSERT_EQ(sums.size(), 3u);
  EXPECT_EQ(sums[0].second, (ReadSummary::Sum{1500, 350}));
  EXPECT_EQ(sums[2].first, "40");
  EXPECT_EQ(sums[2].second, (ReadSummary::Sum{-1000, -50}));
  // A line without its quantity and value is no counter the register writes.
  WriteFile(dir.File("sales.out"), "#1\r\n$12\t1.500\t350\r\n$13\r\n");
  EXPECT_THROW(SumCounters(action->Runner(), dir.File("sales.out")), Exception);
}

TEST_F(Import, QuantitiesAreThousandths) {
  EXPECT_DOUBLE_EQ(ElzabImport::FormatujIlosc("1.5"), 1500);
  EXPECT_DOUBLE_EQ(ElzabImport::FormatujIlosc(" 0.350kg"), 350);
  EXPECT_DOUBLE_EQ(ElzabImport::FormatujIlosc("abc"), 0);
}

}  // namespace

// A day the host gives that is none is named by the parameter's label as the host shows it.
TEST_F(Import, AnImportDateThatIsNoDateNamesTheParameterByItsLabel) {
  host.params["DataImportu"] = "2026-13-45";
  try {
    Run();
    ADD_FAILURE() << host.Dump();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(),
              "'2026-13-45' nie jest poprawną datą (parametr \"Data importu\", DataImportu)");
  }
  EXPECT_TRUE(stored.empty());
}

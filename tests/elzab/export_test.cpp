// The goods export with the ELZAB programs scripted: the records and tables each program
// receives, which goods are withdrawn, marked and reported, and the files left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "elzab/elxexpbuf.h"
#include "hostlib/Exceptions.h"
#include "support/TLTools.h"
#include "testutil/DriverFixture.h"

namespace {

using testutil::ReadFile;
using testutil::WriteFile;

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A goods line of the host's export file; `rest` follows the status word.
std::string Goods(int plu, const std::string& status, const std::string& code = "",
                  const std::string& name = "Towar", int rate = 23, const std::string& extra = "") {
  return "PLU;" + std::to_string(plu) + ";0;" + (code.empty() ? std::to_string(plu) : code) + ";" +
         name + ";450;400;420;430;" + std::to_string(rate) + ";0;F;0;F;F;F;0;;3;" + status + extra +
         "\r\n";
}

class Export : public testutil::ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    host.params["ElzabSTXProductFlag"] = "2";  // the parameter's default
    env.onRun = [this](const platform::FakeEnv::Run& run) { return Answer(run); };
  }

  // Each program: the identification and the VAT table for the readers, the input of every
  // other program kept (as the register would read it: code page 852 back to Windows-1250).
  platform::RunResult Answer(const platform::FakeEnv::Run& run) {
    const std::string program = BaseName(run.program);
    order.push_back(program);
    if (program == "OTypUrz.exe") {
      WriteFile(run.args[1], "#1\r\n#\r\n#\r\n$1\t1\tABC123\t" + model + "\t" +
                                 std::to_string(capacity) + "\t4\t02.12\r\n");
    } else if (program == "OPodatek.exe") {
      WriteFile(run.args[1], "$23,00\t8,00\t5,00\t0,00\tZWOLNIONA\tREZERWA\tREZERWA\r\n");
    } else {
      std::string text = ReadFile(run.args[0]);
      TLTools from852;
      TLTools::CodePages pages(from852, TLTools::plCp852, TLTools::plCp1250);
      inputs[program] = from852.plstring(text);
    }
    platform::RunResult r;
    r.started = true;
    auto failure = failures.find(program);
    if (failure != failures.end()) {
      r.exitCode = failure->second.first;
      WriteFile(dir.File("RAPORT.TXT"), failure->second.second);
    }
    return r;
  }

  // An export, with the parameters read as an operation reads them first.
  void Run(const std::string& exportFile) {
    WriteFile(dir.File("kasa.exp"), exportFile);
    action->ReadParams();
    action->Eksport();
  }

  // The data lines of a program's input (its three header lines left out).
  std::string Data(const std::string& program) {
    const std::string& in = inputs[program];
    size_t pos = 0;
    for (int i = 0; i < 3 && pos != std::string::npos; ++i) pos = in.find("\r\n", pos) + 2;
    return in.substr(pos);
  }

  std::string model = "Sigma";
  int capacity = 4000;
  std::vector<std::string> order;
  std::map<std::string, std::string> inputs;
  std::map<std::string, std::pair<int, std::string>> failures;  // program -> exit code, report
};

TEST_F(Export, SendsTablesThenTheThreeBatchesAndWritesTheResult) {
  host.params["ElzabSTXPrgEuro"] = "1";
  host.params["ElzabSTXPrgPayments"] = "1";
  Run("VAT;23\r\nEURO;43125\r\n" + Goods(1, "CEN") + Goods(2, "USU") + Goods(3, "DOD") +
      Goods(4, "AKT") + "PLU;3;1;33;Druga linia;1;1;1;1;23;0;F;0;F;F;F;0;;3;DOD\r\n");
  EXPECT_EQ(order, (std::vector<std::string>{"OTypUrz.exe", "OPodatek.exe", "ZGrupa.exe",
                                             "ZJednost.exe", "ZWaluta.exe", "ZPlat.exe",
                                             "ZCTowar.exe", "KTowar.exe", "ZBPTowar.exe"}));
  EXPECT_EQ(Data("ZCTowar.exe"), "$1\tTowar\t1\t3\t0\t0\t0\t1\t450\t0\t0\t1\t0\t1\t \t0\r\n\r\n");
  EXPECT_EQ(Data("KTowar.exe"), "$2\r\n\r\n");
  EXPECT_EQ(Data("ZBPTowar.exe"),
            "$3\tTowar\t1\t3\t0\t0\t0\t3\t450\t0\t0\t1\t0\t1\t \t0\r\n"
            "$4\tTowar\t1\t3\t0\t0\t0\t4\t450\t0\t0\t1\t0\t1\t \t0\r\n\r\n");
  EXPECT_EQ(ReadFile(dir.File("wynik.exp")),
            "PLU;1;0;1;CEN\r\nPLU;2;0;2;USU\r\nPLU;3;0;3;DOD\r\nPLU;4;0;4;AKT\r\n");
  EXPECT_EQ(host.events.back().substr(0, 2), "16");
  // Inputs archived (tables and goods), every working file removed.
  for (const char* name :
       {"zgrupa", "zjednost", "zwaluta", "zplat", "zctowar", "ktowar", "zbptowar"}) {
    EXPECT_FALSE(testutil::Exists(dir.File(std::string(name) + ".in"))) << name;
    EXPECT_NE(ReadFile(dir.File(std::string(name) + ".arc")).find("EKSPORT WYKONANY DNIA"),
              std::string::npos)
        << name;
  }
  EXPECT_FALSE(testutil::Exists(dir.File("opodatek.out")));
  EXPECT_FALSE(testutil::Exists(dir.File("otypurz.in")));
  const std::string list = host.Dump();
  EXPECT_NE(list.find(" - do dodania:|2"), std::string::npos) << list;
  EXPECT_NE(list.find("- transmisja zmiany cen ...|OK"), std::string::npos) << list;
}

TEST_F(Export, AFileWithoutGoodsNeverContactsTheRegister) {
  Run("# nic\r\nVAT;23\r\nASS;1;Pieczywo\r\n");
  EXPECT_TRUE(order.empty());
  EXPECT_EQ(host.Texts().back(), "Nie ma towarów do wysłania - zrezygnowano z połączenia z kasą");
  EXPECT_FALSE(testutil::Exists(dir.File("wynik.exp")));
}

TEST_F(Export, FilePortIsRefused) {
  host.params["ElzabSTXPort"] = "PLIK";
  try {
    Run(Goods(1, "DOD"));
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Ustawione złącze PLIK. Kasa nie obsługuje eksportu do pliku!");
  }
  EXPECT_TRUE(order.empty());
}

TEST_F(Export, GoodsRecordFieldsFollowTheRegistersRules) {
  host.params["PoziomCen"] = "2";  // the night price
  Run(Goods(1, "DOD", "21???45", "Ser żółty", 8, "") +
      "PLU;2;0;22;Chleb\tz\x01kminkiem;100;90;95;99;5;1;F;-1;F;T;T;0;9;150;DOD\r\n" +
      "PLU;3;0;23;Mąka;100;90;95;99;0;1;T;3;T;F;F;0;;0;AKT\r\n");
  EXPECT_EQ(Data("ZBPTowar.exe"),
            // weighed? no: question marks stay; VAT 8 is slot 2; group 3; night price 420
            "$1\tSer żółty\t2\t3\t0\t0\t0\t21???45\t420\t0\t0\t1\t0\t1\t \t0\r\n"
            // control characters as spaces, group 150 -> 1, precision -1 -> 3, package,
            // open price: flag B 0
            "$2\tChleb z kminkiem\t3\t1\t3\t1\t0\t22\t95\t1\t0\t0\t0\t1\t \t9\r\n"
            // weighed: "?" removed (none here), group 0 -> 1
            "$3\tMąka\t4\t1\t3\t1\t0\t23\t95\t0\t0\t1\t0\t1\t \t0\r\n\r\n");
  EXPECT_EQ(ReadFile(dir.File("packages.dat")), "2\r\n");
}

TEST_F(Export, WeighedGoodsLoseTheQuestionMarksOfTheirCode) {
  Run("PLU;5;0;21???00;Jabłka;499;0;0;0;23;2;T;3;T;F;F;0;;4;DOD\r\n");
  EXPECT_EQ(Data("ZBPTowar.exe"),
            "$5\tJabłka\t1\t4\t3\t2\t0\t2100\t499\t0\t0\t1\t0\t1\t \t0\r\n\r\n");
}

TEST_F(Export, GoodsFlagSettingsChooseFlagsAAndB) {
  const std::string goods =
      "PLU;1;0;1;A;100;0;0;0;23;0;F;0;F;F;T;0;;1;DOD;;;;;;;;;;2.5\r\n"
      "PLU;2;0;2;B;100;0;0;0;23;0;F;0;F;F;F;0;;1;DOD\r\n";
  const char* expected[] = {
      // 0: A = open price ? 0 : 1, B = 0
      "$1\tA\t1\t1\t0\t0\t0\t1\t100\t0\t0\t0\t0\t1\t \t0\r\n"
      "$2\tB\t1\t1\t0\t0\t0\t2\t100\t0\t1\t0\t0\t1\t \t0\r\n\r\n",
      // 1: A = extra discount ? 0 : 1, B = open price ? 0 : 1
      "$1\tA\t1\t1\t0\t0\t0\t1\t100\t0\t0\t0\t0\t1\t \t0\r\n"
      "$2\tB\t1\t1\t0\t0\t0\t2\t100\t0\t1\t1\t0\t1\t \t0\r\n\r\n",
      // 2: A = 0, B = open price ? 0 : 1
      "$1\tA\t1\t1\t0\t0\t0\t1\t100\t0\t0\t0\t0\t1\t \t0\r\n"
      "$2\tB\t1\t1\t0\t0\t0\t2\t100\t0\t0\t1\t0\t1\t \t0\r\n\r\n",
  };
  for (int setting = 0; setting < 3; ++setting) {
    host.params["ElzabSTXProductFlag"] = std::to_string(setting);
    Run(goods);
    EXPECT_EQ(Data("ZBPTowar.exe"), expected[setting]) << setting;
  }
}

TEST_F(Export, GoodsTheRegisterCannotHoldAreWithdrawnAndNamed) {
  capacity = 4000;
  Run(Goods(4000, "DOD") + Goods(4001, "DOD", "590") + Goods(7, "DOD", "77", "Wino", 7) +
      Goods(8, "USU", "88", "X", 7));
  EXPECT_EQ(Data("ZBPTowar.exe"),
            "$4000\tTowar\t1\t3\t0\t0\t0\t4000\t450\t0\t0\t1\t0\t1\t \t0\r\n\r\n");
  EXPECT_EQ(Data("KTowar.exe"), "$8\r\n\r\n");  // a deletion needs no rate
  EXPECT_EQ(ReadFile(dir.File("errors.txt")),
            "PLU: 4001; KOD: 590 Towar ma za duży kod PLU (maksymalnie 4000)\r\n"
            "PLU: 7; KOD: 77 Brak stawki 7 % na kasie\r\n");
  EXPECT_EQ(ReadFile(dir.File("wynik.exp")), "PLU;4000;0;4000;DOD\r\nPLU;8;0;88;USU\r\n");
  const std::vector<std::string> texts = host.Texts();
  const auto at = std::find(texts.begin(), texts.end(), "WYSTĄPIŁY JAKIEŚ BŁĘDY, A JEST ICH 2");
  ASSERT_NE(at, texts.end()) << host.Dump();
  EXPECT_EQ(*(at + 1), "PLU: 4001; KOD: 590 Towar ma za duży kod PLU (maksymalnie 4000)");
}

TEST_F(Export, AStoppedTransmissionMarksTheGoodsBeforeTheStopAndFails) {
  failures["ZBPTowar.exe"] = {
      20, "ZBPTowar.exe\r\n#20;Timeout nadawania\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n#\t2\tP3\t20\r\n"};
  try {
    Run(Goods(1, "DOD") + Goods(2, "DOD") + Goods(3, "DOD") + Goods(4, "DOD") + Goods(5, "AKT"));
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Błąd [20]: Timeout nadawania");
  }
  EXPECT_FALSE(testutil::Exists(dir.File("wynik.exp")));
  EXPECT_EQ(ReadFile(dir.File("errors.txt")),
            "PLU: 3; KOD: 3 Towar spowodował zatrzymanie transmisji\r\n");
  EXPECT_NE(host.Dump().find("PLU: 3; KOD: 3 Towar spowodował zatrzymanie transmisji"),
            std::string::npos);
}

TEST_F(Export, MarkingAfterAFailureLeavesOutTheRefusedAndTheStoppingGoods) {
  Run(Goods(1, "DOD") + Goods(2, "DOD") + Goods(3, "DOD") + Goods(4, "DOD") + Goods(5, "DOD"));
  // Replay the marking of the add/update run as after a failure, on a fresh buffer.
  TrelvaxExpBuf buf(action.get());
  WriteFile(dir.File("kasa.exp"),
            Goods(1, "DOD") + Goods(2, "DOD") + Goods(3, "DOD") + Goods(4, "DOD"));
  buf.ReadFromFile(dir.File("kasa.exp"), false, -1);
  ElzabExport& exp = action->GoodsExport();
  exp.UseBuffer(&buf);
  exp.OpenLog();
  WriteFile(dir.File("RAPORT.TXT"), "x\r\n#105;\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n#\t2\tP4\t105\r\n");
  WriteFile(dir.File("zbptowar.out"), "#1\r\n#\r\n#\r\n$2\t105\r\n");
  exp.MarkRecTrOk(58, true);
  KSTowRec rec;
  std::vector<bool> marked;
  for (int row = 0; row < 4; ++row) {
    buf.CzytajRec(row, &rec);
    marked.push_back(rec.tr_ok);
  }
  EXPECT_EQ(marked, (std::vector<bool>{true, false, true, false}));
  exp.CloseLog();
  exp.UseBuffer(nullptr);
}

TEST_F(Export, ARefusalListLeftByAnEarlierRunNamesNoGoods) {
  WriteFile(dir.File("zbptowar.out"), "#1\r\n#\r\n#\r\n$1\t120\r\n");
  failures["ZBPTowar.exe"] = {
      20, "ZBPTowar.exe\r\n#20;Timeout nadawania\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n#\t0\tP2\t20\r\n"};
  EXPECT_THROW(Run(Goods(1, "DOD") + Goods(2, "DOD")), Exception);
  EXPECT_EQ(ReadFile(dir.File("errors.txt")),
            "PLU: 2; KOD: 2 Towar spowodował zatrzymanie transmisji\r\n");
}

TEST_F(Export, PackagesAreListedOnceAndAFullTransmissionStartsAnewAndClearsTheRegister) {
  const std::string file = "PLU;10;0;10;Butelka;50;0;0;0;23;0;F;0;F;T;F;0;;5;DOD\r\n";
  Run(file);
  Run(file);
  EXPECT_EQ(ReadFile(dir.File("packages.dat")), "10\r\n");
  WriteFile(dir.File("packages.dat"), "99\r\n10\r\n");
  host.params["RodzajTransmisji"] = "2";
  Run(file);
  EXPECT_EQ(ReadFile(dir.File("packages.dat")), "10\r\n");
  host.params["RodzajTransmisji"] = "3";
  order.clear();
  Run(file);
  EXPECT_NE(std::find(order.begin(), order.end(), "KTowMax.exe"), order.end());
  EXPECT_LT(std::find(order.begin(), order.end(), "KTowMax.exe"),
            std::find(order.begin(), order.end(), "ZBPTowar.exe"));
}

TEST_F(Export, GroupsProgramAll99AndUnitsAtMost16) {
  std::string file = "ASS;7;Pieczywo razowe i inne wypieki\r\nASS;120;Za duży\r\nASS;0;Zero\r\n";
  for (int i = 0; i < 20; ++i) file += "JM;" + std::to_string(i) + ";0;litry\r\n";
  Run(file + Goods(1, "DOD"));
  const std::string groups = Data("ZGrupa.exe");
  EXPECT_EQ(groups.substr(0, 24), "$7\tPieczywo razowe i i\r\n");
  EXPECT_EQ(std::count(groups.begin(), groups.end(), '$'), 99);
  EXPECT_NE(groups.find("$1\t                   \r\n"), std::string::npos);
  EXPECT_EQ(groups.find("$7\t                   \r\n"), std::string::npos);
  EXPECT_EQ(groups.find("$0\t"), std::string::npos);
  const std::string units = Data("ZJednost.exe");
  EXPECT_EQ(std::count(units.begin(), units.end(), '$'), 16);
  EXPECT_EQ(units.substr(0, 9), "$0\tlitr\r\n");
  EXPECT_EQ(inputs.count("ZWaluta.exe"), 0u);
  EXPECT_EQ(inputs.count("ZPlat.exe"), 0u);
}

TEST_F(Export, EuroRateAndPaymentFormsFollowTheModel) {
  host.params["ElzabSTXPrgEuro"] = "1";
  host.params["ElzabSTXPrgPayments"] = "1";
  const std::string file = "EURO;43125\r\n" + Goods(1, "DOD");
  model = "K10";
  Run(file);
  EXPECT_EQ(Data("ZWaluta.exe"), "$2\t4,31\tEUR\r\n\r\n");
  EXPECT_EQ(Data("ZPlat.exe"),
            "$1\tGOTÓWKA\r\n$2\tKARTA\r\n$3\tBON\r\n$4\tCZEK\r\n$5\tINNA\r\n\r\n");
  model = "Mini online";
  Run(file);
  EXPECT_EQ(Data("ZWaluta.exe"), "$2\t4,31\tEUR\tEUR          \r\n\r\n");
  EXPECT_EQ(Data("ZPlat.exe"),
            "$2\tKARTA        \t2\t0\t0\r\n$3\tBON          \t4\t0\t0\r\n"
            "$4\tCZEK         \t5\t0\t0\r\n$5\tINNA         \t10\t0\t0\r\n"
            "$6\t             \t1\t0\t0\r\n$7\t             \t1\t0\t0\r\n\r\n");
  model = "Sigma";
  Run(file);
  EXPECT_EQ(Data("ZWaluta.exe"), "$2\t4,31\tEUR\r\n\r\n");
  EXPECT_EQ(Data("ZPlat.exe").substr(0, 48),
            "$2\tKARTA        \t2\t0\t0\r\n$3\tBON          \t2\t0\t0\r\n");
}

TEST_F(Export, WithoutAEuroRateInTheFileTheRegistersRateStays) {
  host.params["ElzabSTXPrgEuro"] = "1";
  Run(Goods(1, "DOD"));
  EXPECT_EQ(inputs.count("ZWaluta.exe"), 0u);
  EXPECT_NE(host.Dump().find("Brak kursu euro w pliku eksportu - kurs euro na kasie bez zmian"),
            std::string::npos);
  EXPECT_TRUE(testutil::Exists(dir.File("wynik.exp")));
}

TEST_F(Export, ATableProgramFailureEndsTheExportBeforeTheGoods) {
  failures["ZGrupa.exe"] = {7, "ZGrupa.exe\r\n#7;Brak pliku konfiguracyjnego\r\n"};
  EXPECT_THROW(Run(Goods(1, "DOD")), Exception);
  EXPECT_EQ(order.back(), "ZGrupa.exe");
  EXPECT_FALSE(testutil::Exists(dir.File("wynik.exp")));
}

TEST_F(Export, AnAbortBetweenGoodsEndsThePreparation) {
  host.abortAfterCalls = 0;
  EXPECT_THROW(Run(Goods(1, "DOD")), Exception);
  EXPECT_EQ(std::find(order.begin(), order.end(), "ZBPTowar.exe"), order.end());
}

TEST_F(Export, GoodsCountersAreShownBeforeTheGoodsAreSent) {
  WriteFile(dir.File("kasa.exp"), Goods(1, "CEN") + Goods(2, "CEN") + Goods(3, "CEN"));
  TrelvaxExpBuf buf(action.get());
  buf.ReadFromFile(dir.File("kasa.exp"), false, -1);
  action->exp_buf = &buf;
  host.messages.clear();
  action->ShowTowInfo(false);
  // The frame shows a value line trimmed, with a colon before its value.
  EXPECT_EQ(host.Texts(), (std::vector<std::string>{"- do zmiany ceny:\x01"
                                                    "3"}));
  host.messages.clear();
  action->ShowTowInfo(true);
  EXPECT_EQ(host.Texts().size(), 4u);
  EXPECT_EQ(host.Texts()[0],
            "- do dodania:\x01"
            "0");
  action->exp_buf = nullptr;
}

}  // namespace

// A file of the export whose close fails was not written whole (a full disk): the export
// ends in that file's error, the programs after it never run, and the host is not told that
// the register took goods.
TEST_F(Export, AFileWhoseCloseFailsEndsTheExportBeforeAnythingDependsOnIt) {
  const struct {
    const char* file;
    const char* lastProgram;  // the last program that ran; empty: none
  } kCases[] = {
      {"otypurz.in", ""},              // the identification's input
      {"zgrupa.in", "OPodatek.exe"},   // a table's input
      {"zbptowar.in", "ZCTowar.exe"},  // the goods' input, after the price changes
      {"wynik.exp", "ZBPTowar.exe"},   // the export result
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.file);
    order.clear();
    host.events.clear();
    env.failingCloses = {c.file};
    try {
      Run(Goods(1, "CEN") + Goods(3, "DOD"));
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_NE(e.Message().find(dir.File(c.file)), std::string::npos) << e.Message();
    }
    EXPECT_EQ(order.empty() ? "" : order.back(), c.lastProgram);
    for (const std::string& event : host.events) EXPECT_NE(event.substr(0, 2), "16") << event;
  }
}

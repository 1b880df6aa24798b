// The goods export from end to end: the library loaded as the host loads it, Torvik's export
// file in the exchange directory, the simulator's programs run as real processes, and the
// register's state read back with ecrsim.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "e2e/Simulator.h"
#include "host/ExportReport.h"
#include "host/Text.h"

using e2e::SimulatorTest;
using tvkhost::RegisterGoods;

namespace {

constexpr char kPort[] = "COM1";
constexpr char kHeader[] = "Podczas wykonywania operacji 'eksport' wystąpił błąd:";
constexpr char kLogHeader[] = "WYSTĄPIŁY JAKIEŚ BŁĘDY, A JEST ICH ";
constexpr char kFormatError[] = "Nieprawidłowy format pliku eksportowego";

// The file's text from its lines: Windows-1250 (the literals are), CR LF after each.
std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> FilesEndingIn(const std::string& dir, const std::string& suffix) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    std::string name = e.path().filename().string();
    if (name.size() >= suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The back office's VAT rates, as every export file starts.
const std::vector<std::string> kRates = {"VAT;23", "VAT;8", "VAT;5", "VAT;0", "VAT;-1"};

}  // namespace

class Export : public SimulatorTest {
 protected:
  void Register(const std::string& model) {
    UseRegister(kPort);
    // The driver's default goods flags, as the back office gives them: no flag A, and flag B
    // for a goods whose price is fixed.
    host.params["ElzabSTXProductFlag"] = "2";
    RegisterLibrary();
    Ecrsim({"create", "--port", kPort, "--model", model});
  }
  void WriteExportFile(const std::vector<std::string>& lines) {
    testutil::WriteFile(dir.File("kasa.exp"), Lines(lines));
  }
  // Runs the export; the host's list and events start afresh.
  void RunExport() {
    host.messages.clear();
    host.events.clear();
    EXPECT_EQ(Operation(-2), 0);
    EXPECT_TRUE(sessionBuffer.WellFormed());
  }
  bool Stored() const {
    return std::find(host.events.begin(), host.events.end(), "16") != host.events.end();
  }
  // The register's goods, from a listing of `ecrsim show` that holds them (by default one
  // made for them).
  std::map<int, RegisterGoods> Goods(std::string listing = std::string()) {
    if (listing.empty()) listing = EcrsimShow(kPort, {"goods"});
    std::vector<RegisterGoods> list;
    EXPECT_TRUE(tvkhost::ReadRegisterGoods(tvkhost::Cp1250ToUtf8(listing), list)) << listing;
    std::map<int, RegisterGoods> goods;
    for (const RegisterGoods& g : list) goods[g.plu] = g;
    return goods;
  }
  std::set<int> Plus() {
    std::set<int> plus;
    for (const auto& [plu, g] : Goods()) plus.insert(plu);
    return plus;
  }
  // Five goods to add; PLU n has the barcode 590000000000n.
  std::vector<std::string> FiveGoods() {
    std::vector<std::string> lines = kRates;
    for (int plu = 1; plu <= 5; ++plu) {
      std::string p = std::to_string(plu);
      lines.push_back("PLU;" + p + ";0;590000000000" + p + ";Towar numer " + p +
                      ";100;100;100;100;23;0;F;0;F;F;F;0;;1;DOD");
    }
    return lines;
  }
};

// ----- A realistic export to each model --------------------------------------------------

struct ModelCase {
  const char* model;
  int capacity;          // the register's PLUs
  size_t nameMax;        // the longest goods name it keeps
  int priceLevel;        // "PoziomCen" of the device: 0 retail, 1 wholesale, 2 night, 3 additional
  const char* payments;  // the payment forms 2 to 5 as `ecrsim show payments` lists them
};

const ModelCase kModels[] = {
    {"K10", 2000, 40, 0, "  2 KARTA type 1|  3 BON type 1|  4 CZEK type 1|  5 INNA type 1"},
    {"K10 online", 4000, 40, 1, "  2 KARTA type 2|  3 BON type 4|  4 CZEK type 5|  5 INNA type 10"},
    {"Mini online", 4000, 40, 2,
     "  2 KARTA type 2|  3 BON type 4|  4 CZEK type 5|  5 INNA type 10"},
    {"Jota online", 5000, 40, 3,
     "  2 KARTA type 2|  3 BON type 4|  4 CZEK type 5|  5 INNA type 10"},
    {"Sigma", 20000, 48, 0, "  2 KARTA type 2|  3 BON type 2|  4 CZEK type 2|  5 INNA type 2"},
};

// A goods as the register should hold it after the export.
struct Expected {
  int plu;
  std::string name;  // before the register's cut
  int vat;           // the register's slot: 1 23 %, 2 8 %, 3 5 %, 4 0 %, 5 exempt
  int group;
  int precision;
  int unit;
  std::string barcode;
  int prices[4];  // by price level
  bool package;
  int packagePlu;
};

class ExportToModel : public Export, public ::testing::WithParamInterface<ModelCase> {};

// The shop's first load: the goods that the day's file then reprices, deletes and updates.
const std::vector<std::string> kFirstLoad = {
    "VAT;23",
    "VAT;8",
    "VAT;5",
    "VAT;0",
    "VAT;-1",
    "JM;0;0;szt.",
    "ASS;3;Napoje i używki",
    "PLU;20;0;5900000000202;Herbata czarna 100 g;899;800;950;850;23;0;F;0;F;F;F;0;;3;DOD",
    "PLU;21;0;5900000000219;Kawa rozpuszczalna 200 g;2499;2200;2600;2300;23;0;F;0;F;F;F;0;;3;DOD",
    "PLU;22;0;5900000000226;Cukier biały 1 kg;459;420;480;440;5;0;F;0;F;F;F;0;;3;DOD",
    "PLU;23;0;5900000000233;Sól kamienna 1 kg;199;180;210;190;5;0;F;0;F;F;F;0;;3;DOD",
    "PLU;24;0;5900000000240;Woda mineralna;199;180;210;190;23;0;F;0;F;F;F;0;;3;DOD",
};

// The day's file of the back office, for a register of `capacity` PLUs.
std::vector<std::string> DayFile(int capacity) {
  const std::string last = std::to_string(capacity);
  const std::string beyond = std::to_string(capacity + 1);
  return {
      "# Torvik: eksport towarów dla kasy 1",
      "[STAWKI]",
      "VAT;23",
      "VAT;8",
      "VAT;5",
      "VAT;0",
      "VAT;-1",
      "[JEDNOSTKI]",
      // Twenty units: the register has room for the first sixteen, with names of four
      // characters.
      "JM;0;0;szt.",
      "JM;1;3;kg",
      "JM;2;0;opak.",
      "JM;3;0;litr",
      "JM;4;3;gram",
      "JM;5;0;łokieć",
      "JM;6;0;para",
      "JM;7;0;kpl.",
      "JM;8;2;metr",
      "JM;9;0;sztuka",
      "JM;10;0;rolka",
      "JM;11;0;karton",
      "JM;12;0;worek",
      "JM;13;0;paleta",
      "JM;14;3;dag",
      "JM;15;0;zgrzewka",
      "JM;16;0;beczka",
      "JM;17;0;skrzynka",
      "JM;18;0;tuba",
      "JM;19;0;słoik",
      "[ASORTYMENTY]",
      "ASS;1;Pieczywo",
      "ASS;2;Nabiał",
      "ASS;3;Napoje i używki",
      "ASS;4;Warzywa i owoce świeże krajowe",
      "ASS;150;Promocje sezonowe",
      "ASS;0;Bez grupy",
      "EURO;43125",
      "[TOWARY]",
      "PLU;1;0;5900000000011;Chleb żytni razowy 500 g;649;590;700;620;5;0;F;0;F;F;F;0;;1;DOD",
      // An additional code of the same bread: never for the register.
      "PLU;1;1;5900000000998;Chleb żytni razowy 500 g;649;590;700;620;5;0;F;0;F;F;F;0;;1;DOD",
      // Weighed: the "?" of the weight digits do not go to the register.
      "PLU;2;0;2000002?????;Ser żółty Gouda;2990;2700;3100;2800;5;1;T;3;T;F;F;0;;2;DOD",
      "PLU;3;0;5900000000035;Butelka zwrotna 0,5 l;50;50;50;50;0;2;F;0;F;T;F;0;;3;DOD",
      "PLU;4;0;5900000000042;Piwo jasne pełne 0,5 l;379;340;400;360;23;0;F;0;F;F;F;"
      "5900000000035;3;3;DOD",
      // The line's own price level 2 makes the retail price the additional one.
      "PLU;5;0;5900000000059;Sok jabłkowy tłoczony 1 l;1000;900;1100;950;5;3;F;0;F;F;F;0;;3;"
      "DOD;;;;;0;2",
      // Prices scaled by 500 thousandths; a group the register lacks.
      "PLU;6;0;5900000000066;Jajka wiejskie 10 szt.;1200;1000;1400;1100;5;0;F;0;F;F;F;0;;150;"
      "DOD;;;;;0;-1;500",
      "PLU;7;0;5900000000073;Torba papierowa;120;100;130;110;23;0;F;0;F;F;F;0;;0;DOD",
      "PLU;8;0;5900000000080;Czekolada mleczna z całymi orzechami laskowymi i rodzynkami 100 g;"
      "599;550;650;570;23;0;F;0;F;F;F;0;;3;DOD",
      // A rate the register has no slot for.
      "PLU;9;0;5900000000097;Masło extra 82% 200 g;799;700;850;750;7;0;F;0;F;F;F;0;;2;DOD",
      "PLU;10;0;5900000000103;Usługa pakowania prezentu;500;500;500;500;-1;0;F;0;F;F;F;0;;5;DOD",
      "PLU;15;0;5900000000158;Ocet spirytusowy 10%;299;270;310;280;23;15;F;0;F;F;F;0;;3;DOD",
      "PLU;" + last +
          ";0;5900000001000;Towar na ostatnim PLU;100;100;100;100;23;0;F;0;F;F;F;0;;1;DOD",
      "PLU;" + beyond +
          ";0;5900000001017;Towar poza pamięcią kasy;100;100;100;100;23;0;F;0;F;F;F;0;;1;"
          "DOD",
      "PLU;20;0;5900000000202;Herbata czarna 100 g;999;850;1050;900;23;0;F;0;F;F;F;0;;3;CEN",
      "PLU;20;1;5900000000998;Herbata czarna 100 g;999;850;1050;900;23;0;F;0;F;F;F;0;;3;CEN",
      "PLU;21;0;5900000000219;Kawa rozpuszczalna 200 g;2299;2000;2400;2100;23;0;F;0;F;F;F;0;;3;"
      "CEN",
      "PLU;22;0;5900000000226;Cukier biały 1 kg;459;420;480;440;5;0;F;0;F;F;F;0;;3;USU",
      "PLU;23;0;5900000000233;Sól kamienna 1 kg;199;180;210;190;5;0;F;0;F;F;F;0;;3;USU",
      // Deleting a goods the register never had is no error.
      "PLU;25;0;5900000000257;Towar nieznany kasie;100;100;100;100;23;0;F;0;F;F;F;0;;3;USU",
      "PLU;24;0;5900000000240;Woda mineralna gazowana 1,5 l;219;190;230;200;8;0;F;0;F;F;F;0;;3;"
      "AKT",
  };
}

std::vector<Expected> ExpectedGoods(int capacity) {
  return {
      {1, "Chleb żytni razowy 500 g", 3, 1, 0, 0, "5900000000011", {649, 590, 700, 620}, false, 0},
      {2, "Ser żółty Gouda", 3, 2, 3, 1, "2000002", {2990, 2700, 3100, 2800}, false, 0},
      {3, "Butelka zwrotna 0,5 l", 4, 3, 0, 2, "5900000000035", {50, 50, 50, 50}, true, 0},
      {4, "Piwo jasne pełne 0,5 l", 1, 3, 0, 0, "5900000000042", {379, 340, 400, 360}, false, 3},
      {5,
       "Sok jabłkowy tłoczony 1 l",
       3,
       3,
       0,
       3,
       "5900000000059",
       {950, 900, 1100, 950},
       false,
       0},
      {6, "Jajka wiejskie 10 szt.", 3, 1, 0, 0, "5900000000066", {600, 500, 700, 550}, false, 0},
      {7, "Torba papierowa", 1, 1, 0, 0, "5900000000073", {120, 100, 130, 110}, false, 0},
      {8,
       "Czekolada mleczna z całymi orzechami laskowymi i rodzynkami 100 g",
       1,
       3,
       0,
       0,
       "5900000000080",
       {599, 550, 650, 570},
       false,
       0},
      {10,
       "Usługa pakowania prezentu",
       5,
       5,
       0,
       0,
       "5900000000103",
       {500, 500, 500, 500},
       false,
       0},
      {15, "Ocet spirytusowy 10%", 1, 3, 0, 15, "5900000000158", {299, 270, 310, 280}, false, 0},
      {capacity,
       "Towar na ostatnim PLU",
       1,
       1,
       0,
       0,
       "5900000001000",
       {100, 100, 100, 100},
       false,
       0},
      // Price changes keep the name the register has.
      {20, "Herbata czarna 100 g", 1, 3, 0, 0, "5900000000202", {999, 850, 1050, 900}, false, 0},
      {21,
       "Kawa rozpuszczalna 200 g",
       1,
       3,
       0,
       0,
       "5900000000219",
       {2299, 2000, 2400, 2100},
       false,
       0},
      {24,
       "Woda mineralna gazowana 1,5 l",
       2,
       3,
       0,
       0,
       "5900000000240",
       {219, 190, 230, 200},
       false,
       0},
  };
}

TEST_P(ExportToModel, TheRegisterHoldsExactlyTheGoodsAndPricesTheResultLists) {
  const ModelCase& m = GetParam();
  const std::string cap = std::to_string(m.capacity);
  Register(m.model);
  host.params["PoziomCen"] = std::to_string(m.priceLevel);
  WriteExportFile(kFirstLoad);
  RunExport();
  ASSERT_TRUE(host.ErrorTexts().empty()) << host.Dump();

  host.params["ElzabSTXPrgEuro"] = "1";
  host.params["ElzabSTXPrgPayments"] = "1";
  WriteExportFile(DayFile(m.capacity));
  RunExport();

  // The two goods the driver withdrew are named in the host's list and in the goods log.
  const std::vector<std::string> withdrawn = {
      "PLU: 9; KOD: 5900000000097 Brak stawki 7 % na kasie",
      "PLU: " + std::to_string(m.capacity + 1) +
          "; KOD: 5900000001017 Towar ma za duży kod PLU (maksymalnie " + cap + ")"};
  EXPECT_EQ(host.ErrorTexts(),
            (std::vector<std::string>{std::string(kLogHeader) + "2", withdrawn[0], withdrawn[1]}))
      << host.Dump();
  EXPECT_EQ(testutil::ReadFile(dir.File("errors.txt")), Lines(withdrawn));

  // The result: every goods the register took, in the file's order, as the file had it.
  ASSERT_TRUE(Stored()) << host.Dump();
  const std::string result = testutil::ReadFile(dir.File("wynik.exp"));
  EXPECT_EQ(result, Lines({
                        "PLU;1;0;5900000000011;DOD",
                        "PLU;2;0;2000002?????;DOD",
                        "PLU;3;0;5900000000035;DOD",
                        "PLU;4;0;5900000000042;DOD",
                        "PLU;5;0;5900000000059;DOD",
                        "PLU;6;0;5900000000066;DOD",
                        "PLU;7;0;5900000000073;DOD",
                        "PLU;8;0;5900000000080;DOD",
                        "PLU;10;0;5900000000103;DOD",
                        "PLU;15;0;5900000000158;DOD",
                        "PLU;" + cap + ";0;5900000001000;DOD",
                        "PLU;20;0;5900000000202;CEN",
                        "PLU;21;0;5900000000219;CEN",
                        "PLU;22;0;5900000000226;USU",
                        "PLU;23;0;5900000000233;USU",
                        "PLU;25;0;5900000000257;USU",
                        "PLU;24;0;5900000000240;AKT",
                    }));

  // The register holds exactly the goods the result lists, and none that it deletes.
  std::set<int> listed;
  for (const tvkhost::ResultLine& r : tvkhost::ReadResultFile(result)) {
    if (r.status != "USU") listed.insert(r.plu);
  }
  const std::string listing = EcrsimShow(kPort, {"goods", "groups", "units", "vat", "payments"});
  std::map<int, RegisterGoods> goods = Goods(listing);
  std::set<int> held;
  for (const auto& [plu, g] : goods) held.insert(plu);
  EXPECT_EQ(held, listed);
  for (const Expected& e : ExpectedGoods(m.capacity)) {
    SCOPED_TRACE("PLU " + std::to_string(e.plu));
    auto it = goods.find(e.plu);
    ASSERT_NE(it, goods.end());
    const RegisterGoods& g = it->second;
    // Names travel in code page 852 and come back as the back office wrote them.
    EXPECT_EQ(g.name, e.name.substr(0, m.nameMax));
    EXPECT_EQ(g.vat, e.vat);
    EXPECT_EQ(g.group, e.group);
    EXPECT_EQ(g.precision, e.precision);
    EXPECT_EQ(g.unit, e.unit);
    EXPECT_EQ(g.barcode, e.barcode);
    EXPECT_EQ(g.price, e.prices[m.priceLevel]);
    EXPECT_EQ(g.package, e.package);
    EXPECT_EQ(g.packagePlu, e.packagePlu);
    EXPECT_EQ(g.flags, "001");  // no lock, no flag A, a fixed price
  }
  EXPECT_EQ(testutil::ReadFile(dir.File("packages.dat")), "3\r\n");

  // The tables: the groups the file names (cut to 19 characters), the first sixteen units
  // (cut to four), the euro rate and the payment forms of the model.
  const std::string& tables = listing;
  EXPECT_NE(tables.find("Groups (named ones):\n  1 Pieczywo\n  2 Nabiał\n  3 Napoje i używki\n"
                        "  4 Warzywa i owoce świ\nUnits:\n"),
            std::string::npos)
      << tables;
  EXPECT_NE(tables.find("Units:\n  0 szt.\n  1 kg\n  2 opak\n  3 litr\n  4 gram\n  5 łoki\n"
                        "  6 para\n  7 kpl.\n  8 metr\n  9 sztu\n  10 rolk\n  11 kart\n"
                        "  12 wore\n  13 pale\n  14 dag\n  15 zgrz\nVAT:"),
            std::string::npos)
      << tables;
  EXPECT_NE(tables.find("Euro rate: 4,31\n"), std::string::npos) << tables;
  std::string payments = m.payments;
  for (char& c : payments) c = c == '|' ? '\n' : c;
  EXPECT_NE(tables.find("  1 GOTÓWKA type 1\n" + payments + "\n"), std::string::npos) << tables;

  // The programs' working files are archived and removed.
  EXPECT_EQ(FilesEndingIn(dir.Path(), ".in"), std::vector<std::string>{});
  EXPECT_EQ(FilesEndingIn(dir.Path(), ".out"), std::vector<std::string>{});
  EXPECT_EQ(FilesEndingIn(dir.Path(), ".arc"),
            (std::vector<std::string>{"ktowar.arc", "zbptowar.arc", "zctowar.arc", "zgrupa.arc",
                                      "zjednost.arc", "zplat.arc", "zwaluta.arc"}));
  EXPECT_TRUE(testutil::Exists(dir.File("ARCH2.EXP")));
}

INSTANTIATE_TEST_SUITE_P(EachModel, ExportToModel, ::testing::ValuesIn(kModels),
                         [](const ::testing::TestParamInfo<ModelCase>& info) {
                           std::string name = info.param.model;
                           name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
                           return name;
                         });

// ----- Goods the register does not take ---------------------------------------------------

TEST_F(Export, ARefusedGoodsIsNamedAndNoResultIsWritten) {
  Register("K10");
  Ecrsim({"fault", "--port", kPort, "--program", "ZBPTowar.exe", "--reject", "3:120"});
  WriteExportFile(FiveGoods());
  RunExport();
  // The register went on after the refusal: the others are there.
  EXPECT_EQ(Plus(), (std::set<int>{1, 2, 4, 5}));
  const std::string refusal = "PLU: 3 (### Błąd nr 120. Powtorzony kod kreskowy)";
  EXPECT_EQ(testutil::ReadFile(dir.File("errors.txt")), Lines({refusal}));
  const std::vector<std::string> errors = host.ErrorTexts();
  ASSERT_EQ(errors.size(), 5u) << host.Dump();
  EXPECT_EQ(errors[0], "- transmisja aktualizacji / dodawania ...");
  EXPECT_EQ(errors[1], std::string(kLogHeader) + "1");
  EXPECT_EQ(errors[2], refusal);
  EXPECT_EQ(errors[3], kHeader);
  EXPECT_EQ(errors[4], "Błąd [120]: Kasa odrzuciła towarów: 1");
  EXPECT_FALSE(testutil::Exists(dir.File("wynik.exp")));
  EXPECT_FALSE(Stored());
}

TEST_F(Export, AGoodsThatStopsTheTransmissionIsNamedAndNoResultIsWritten) {
  Register("Sigma");
  Ecrsim({"fault", "--port", kPort, "--program", "ZBPTowar.exe", "--stop-at", "3"});
  WriteExportFile(FiveGoods());
  RunExport();
  // The goods before the stop stay programmed, those after it never came.
  EXPECT_EQ(Plus(), (std::set<int>{1, 2}));
  const std::string stop = "PLU: 3; KOD: 5900000000003 Towar spowodował zatrzymanie transmisji";
  EXPECT_EQ(testutil::ReadFile(dir.File("errors.txt")), Lines({stop}));
  const std::vector<std::string> errors = host.ErrorTexts();
  ASSERT_EQ(errors.size(), 5u) << host.Dump();
  EXPECT_EQ(errors[1], std::string(kLogHeader) + "1");
  EXPECT_EQ(errors[2], stop);
  EXPECT_EQ(errors[3], kHeader);
  EXPECT_EQ(errors[4].rfind("Błąd [20]: ", 0), 0u) << host.Dump();
  EXPECT_FALSE(testutil::Exists(dir.File("wynik.exp")));
  EXPECT_FALSE(Stored());
}

// A price that is not wholly a number is no price the back office wrote: the export stops on
// it, naming the line and what it holds, and the register is sent nothing (read as its leading
// number, "4x9" would sell at 0,04 zł). An empty price still reads 0.
TEST_F(Export, ABrokenNumberInAGoodsLineStopsTheExportNamingTheLine) {
  Register("Mini online");
  std::vector<std::string> lines = FiveGoods();
  const std::string broken =
      "PLU;6;0;5900000000066;Butelka 0,33 l;4x9;30;30;30;23;0;F;0;F;F;F;0;;1;DOD";
  lines.push_back(broken);
  WriteExportFile(lines);
  RunExport();
  const std::vector<std::string> errors = host.ErrorTexts();
  ASSERT_FALSE(errors.empty()) << host.Dump();
  EXPECT_EQ(errors.back(), "'4x9' nie jest poprawną liczbą") << host.Dump();
  bool named = false;
  for (const std::string& text : host.Texts()) {
    if (text.find("Błędny wiersz " + std::to_string(lines.size()) + " pliku ") == 0 &&
        text.find("kasa.exp: " + broken) != std::string::npos) {
      named = true;
    }
  }
  EXPECT_TRUE(named) << host.Dump();
  EXPECT_TRUE(Plus().empty());
  EXPECT_FALSE(Stored());
}

// A list whose last line lost its end (edited by hand, cut by a full disk): the next packaging
// goods starts a line of its own, and both stay packaging.
TEST_F(Export, APackagingListWithoutItsLastLineEndGetsANewLine) {
  Register("Mini online");
  std::vector<std::string> lines = FiveGoods();
  lines.push_back("PLU;6;0;5900000000066;Butelka 0,33 l;30;30;30;30;0;0;F;0;F;T;F;0;;1;DOD");
  WriteExportFile(lines);
  // Cut after the number, or between the CR and the LF of its line end.
  for (const char* before : {"10", "10\r"}) {
    testutil::WriteFile(dir.File("packages.dat"), before);
    RunExport();
    EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
    EXPECT_EQ(testutil::ReadFile(dir.File("packages.dat")), "10\r\n6\r\n") << before;
  }
}

// ----- A full transmission ----------------------------------------------------------------

TEST_F(Export, AFullTransmissionClearsTheRegisterFirst) {
  Register("Mini online");
  std::vector<std::string> first = FiveGoods();
  first.push_back("PLU;6;0;5900000000066;Butelka 0,33 l;30;30;30;30;0;0;F;0;F;T;F;0;;1;DOD");
  WriteExportFile(first);
  RunExport();
  ASSERT_EQ(Plus(), (std::set<int>{1, 2, 3, 4, 5, 6}));
  ASSERT_EQ(testutil::ReadFile(dir.File("packages.dat")), "6\r\n");

  host.params["RodzajTransmisji"] = "3";
  std::vector<std::string> full = kRates;
  full.push_back(
      "PLU;7;0;5900000000073;Skrzynka na butelki;1500;1500;1500;1500;23;0;F;0;F;T;F;0;;1;"
      "DOD");
  full.push_back("PLU;2;0;5900000000002;Towar numer 2;100;100;100;100;23;0;F;0;F;F;F;0;;1;DOD");
  WriteExportFile(full);
  RunExport();
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  EXPECT_TRUE(Has(host.Texts(), "Kasowanie wszystkich towarów na kasie...\x01OK")) << host.Dump();
  // Goods the file does not hold are gone; the packages list starts anew.
  EXPECT_EQ(Plus(), (std::set<int>{2, 7}));
  EXPECT_EQ(testutil::ReadFile(dir.File("packages.dat")), "7\r\n");
  EXPECT_FALSE(testutil::Exists(dir.File("ktowmax.in")));
  EXPECT_EQ(testutil::ReadFile(dir.File("wynik.exp")),
            Lines({"PLU;7;0;5900000000073;DOD", "PLU;2;0;5900000000002;DOD"}));
}

// ----- Nothing reaches the register -------------------------------------------------------

TEST_F(Export, AMalformedExportLineEndsTheExportBeforeAnyProgramRuns) {
  Register("K10 online");
  const std::string good = "PLU;1;0;5900000000001;Chleb;649;590;649;649;23;0;F;0;F;F;F;0;;1;DOD";
  struct Case {
    const char* what;
    std::string line;
    std::string error;
  };
  const Case cases[] = {
      {"a status in lower case", "PLU;2;0;5900000000002;Bułka;79;70;79;79;23;0;F;0;F;F;F;0;;1;dod",
       kFormatError},
      {"a yes/no field of neither T nor F",
       "PLU;2;0;5900000000002;Bułka;79;70;79;79;23;0;X;0;F;F;F;0;;1;DOD", kFormatError},
      // A malformed integer ends the read with the conversion error, which names the word.
      {"a PLU that is no number",
       "PLU;2a;0;5900000000002;Bułka;79;70;79;79;23;0;F;0;F;F;F;0;;1;DOD", "'2a'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteExportFile({"VAT;23", good, c.line});
    RunExport();
    const std::vector<std::string> errors = host.ErrorTexts();
    ASSERT_EQ(errors.size(), 2u) << host.Dump();
    EXPECT_EQ(errors[0], kHeader);
    EXPECT_NE(errors[1].find(c.error), std::string::npos) << host.Dump();
    EXPECT_FALSE(Stored());
  }
  // No program ran: none left a report, and the register holds no goods.
  EXPECT_FALSE(testutil::Exists(dir.File("RAPORT.TXT")));
  EXPECT_FALSE(testutil::Exists(dir.File("wynik.exp")));
  EXPECT_EQ(Plus(), std::set<int>{});
}

TEST_F(Export, WithoutGoodsLinesTheRegisterIsNotContacted) {
  Register("Jota online");
  std::vector<std::string> lines = kRates;
  lines.insert(lines.end(), {"# tylko tabele", "JM;1;0;szt.", "ASS;1;Pieczywo", "EURO;43125"});
  host.params["ElzabSTXPrgEuro"] = "1";
  WriteExportFile(lines);
  RunExport();
  EXPECT_TRUE(host.ErrorTexts().empty()) << host.Dump();
  ASSERT_FALSE(host.Texts().empty());
  EXPECT_EQ(host.Texts().back(), "Nie ma towarów do wysłania - zrezygnowano z połączenia z kasą");
  // Not even the tables went.
  EXPECT_FALSE(testutil::Exists(dir.File("RAPORT.TXT")));
  EXPECT_EQ(EcrsimShow(kPort, {"groups"}), "Groups (named ones):\n");
  EXPECT_FALSE(testutil::Exists(dir.File("wynik.exp")));
  EXPECT_FALSE(Stored());
}

TEST_F(Export, ThePortPlikRefusesTheExport) {
  Register("K10");
  host.params["ElzabSTXPort"] = "PLIK";
  WriteExportFile(FiveGoods());
  RunExport();
  EXPECT_EQ(host.ErrorTexts(),
            (std::vector<std::string>{
                kHeader, "Ustawione złącze PLIK. Kasa nie obsługuje eksportu do pliku!"}));
  EXPECT_FALSE(testutil::Exists(dir.File("RAPORT.TXT")));
  EXPECT_FALSE(Stored());
  EXPECT_EQ(Plus(), std::set<int>{});
}

// ----- Failures on the way ----------------------------------------------------------------

TEST_F(Export, AMissingFileOrFolderOrAFailingProgramEndsWithAClearErrorAndNoResult) {
  Register("Sigma");
  // No export file in the exchange directory.
  RunExport();
  std::vector<std::string> errors = host.ErrorTexts();
  ASSERT_EQ(errors.size(), 2u) << host.Dump();
  EXPECT_EQ(errors[0], kHeader);
  EXPECT_NE(errors[1].find("kasa.exp"), std::string::npos) << host.Dump();
  EXPECT_FALSE(Stored());

  // No exchange directory at all.
  const std::string exchange = dir.Path();
  host.exchangeDir = dir.Path() + "brak" + platform::kPathSeparator;
  RunExport();
  errors = host.ErrorTexts();
  ASSERT_EQ(errors.size(), 2u) << host.Dump();
  EXPECT_EQ(errors[0], kHeader);
  EXPECT_NE(errors[1].find("brak"), std::string::npos) << host.Dump();  // names the path
  EXPECT_FALSE(Stored());
  EXPECT_FALSE(testutil::Exists(host.exchangeDir + "wynik.exp"));

  // A table program that fails: the goods never go.
  host.exchangeDir = exchange;
  Ecrsim({"fault", "--port", kPort, "--program", "ZGrupa.exe", "--code", "7"});
  WriteExportFile(FiveGoods());
  RunExport();
  errors = host.ErrorTexts();
  ASSERT_EQ(errors.size(), 2u) << host.Dump();
  EXPECT_EQ(errors[0], kHeader);
  EXPECT_EQ(errors[1].rfind("Błąd [7]: ", 0), 0u) << host.Dump();
  EXPECT_FALSE(Stored());
  EXPECT_FALSE(testutil::Exists(dir.File("wynik.exp")));
  EXPECT_EQ(Plus(), std::set<int>{});
}

// The fault matrix: every ELZAB program the driver runs, under every fault the simulator can
// put on it, inside the operation that runs it (connection test, goods export, sales import),
// through the library's C interface as the host calls it. Each cell records what a shop would
// see: the host's message list, the operation's result, the files left in the exchange
// directory, and whether the host was asked to store an export result or an import file.
//
// Every cell must end in an error line or in the full, correct outcome: never an export result
// naming goods the register does not hold, never an import stored from outputs the driver
// could not read as the register wrote them.
//
// With TRELVAX_FAULT_MATRIX set to a file name the cells are also written there as a markdown
// table (scripts/fault-matrix prints it); with TRELVAX_FAULT_MATRIX_DETAIL=1 every cell's
// whole message list follows the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "e2e/Simulator.h"
#include "host/ExportReport.h"
#include "host/Text.h"

using e2e::SimulatorTest;

namespace {

constexpr char kPort[] = "COM1";

// What a shop's settings or computer put in the way, before any program runs.
enum class Setting {
  None,
  NoExchangeDir,  // the exchange directory is not there (a network drive not connected)
  LockIsAFolder,  // the lock file cannot be made: a folder holds its name
  EmptyLanAddress,
  BadLanPort,
  NoProgramsPath,  // "ElzabSTXExePath" left empty
  BadPrice,        // a price in kasa.exp that is no number
};

// How a fault is put on a program; "missing" takes the program out of the programs' folder.
// A setting fault is put on the operation as a whole.
struct Fault {
  const char* name;
  std::vector<std::string> args;
  Setting setting = Setting::None;
};

const Fault kCode{"error code", {"--code", "62", "--desc", "Brak odpowiedzi kasy"}};
const Fault kCodeNoText{"error code, no text", {"--code", "21"}};
const Fault kNoReport{"exit 3, no report", {"--no-report", "--exit", "3"}};
// The hang outlasts any test; the host asks to stop once the hung program runs (below).
const Fault kHang{"hang", {"--hang", "600"}};
const Fault kTruncate{"truncated output", {"--truncate"}};
const Fault kGarble{"garbled output", {"--garble"}};
const Fault kMissing{"program missing", {}};

enum class Op { Test = -1, Export = -2, Import = -3 };

// The "program" of a cell whose fault lies in the settings.
constexpr char kSettings[] = "(settings)";

struct Cell {
  Op op;
  const char* program;
  Fault fault;
  // Export: clear the register first (KTowMax.exe runs only then). Import: the receipt
  // buffer by method 5.
  bool variant = false;
};

const char* OpName(Op op) {
  switch (op) {
    case Op::Test:
      return "-1 test";
    case Op::Export:
      return "-2 export";
    case Op::Import:
      return "-3 import";
  }
  return "?";
}

// Programs that only write to the register are judged by their exit code alone, so a cut or
// garbled report after a good run changes nothing: those faults are left out for them.
std::vector<Cell> Cells() {
  std::vector<Cell> cells;
  const std::vector<Fault> reading = {kCode, kNoReport, kHang, kTruncate, kGarble, kMissing};
  const std::vector<Fault> writing = {kCode, kNoReport, kHang, kMissing};
  for (const Fault& f : reading) cells.push_back({Op::Test, "OTypUrz.exe", f});
  cells.push_back({Op::Test, "OTypUrz.exe", kCodeNoText});
  // The export: identification, VAT table, the tables, then price changes, deletions and
  // additions; the register is cleared first only in a full transmission.
  for (const char* p : {"OTypUrz.exe", "OPodatek.exe"}) {
    for (const Fault& f : reading) cells.push_back({Op::Export, p, f});
  }
  for (const char* p :
       {"ZGrupa.exe", "ZJednost.exe", "ZWaluta.exe", "ZPlat.exe", "ZCTowar.exe", "KTowar.exe"}) {
    for (const Fault& f : writing) cells.push_back({Op::Export, p, f});
  }
  for (const Fault& f : writing) cells.push_back({Op::Export, "KTowMax.exe", f, true});
  for (const Fault& f : reading) cells.push_back({Op::Export, "ZBPTowar.exe", f});
  cells.push_back({Op::Export, "ZBPTowar.exe", kCodeNoText});
  cells.push_back({Op::Export, "ZCTowar.exe", {"refused goods", {"--reject", "20:202"}}});
  cells.push_back({Op::Export, "ZCTowar.exe", {"stops at goods", {"--stop-at", "20"}}});
  cells.push_back({Op::Export, "KTowar.exe", {"refused goods", {"--reject", "22:209"}}});
  cells.push_back({Op::Export, "KTowar.exe", {"stops at goods", {"--stop-at", "22"}}});
  cells.push_back({Op::Export, "ZBPTowar.exe", {"refused goods", {"--reject", "2:120"}}});
  cells.push_back({Op::Export, "ZBPTowar.exe", {"stops at goods", {"--stop-at", "2"}}});
  // The import: counters on a K10 (it runs nothing else), the cashier's programs on a Sigma,
  // the receipt buffer on a Mini online.
  for (const char* p : {"OTypUrz.exe", "OSpOpMax.exe", "OZegar.exe", "OKasjer.exe", "OIKasWla.exe",
                        "OPlat.exe", "OPSpRoz4.exe"}) {
    for (const Fault& f : reading) cells.push_back({Op::Import, p, f});
  }
  for (const Fault& f : reading) cells.push_back({Op::Import, "OPSpRoz5.exe", f, true});
  // The shop's settings and computer.
  const Fault noDir{"exchange directory missing", {}, Setting::NoExchangeDir};
  const Fault lock{"lock file cannot be made", {}, Setting::LockIsAFolder};
  for (Op op : {Op::Test, Op::Export, Op::Import}) {
    cells.push_back({op, kSettings, noDir});
    cells.push_back({op, kSettings, lock});
  }
  cells.push_back({Op::Test, kSettings, {"LAN address empty", {}, Setting::EmptyLanAddress}});
  cells.push_back({Op::Test, kSettings, {"LAN port not a number", {}, Setting::BadLanPort}});
  cells.push_back({Op::Test, kSettings, {"programs' folder empty", {}, Setting::NoProgramsPath}});
  cells.push_back({Op::Export, kSettings, {"price not a number", {}, Setting::BadPrice}});
  return cells;
}

// Only the price-change and deletion programs need goods on the register to change: the other
// export cells send additions alone, which runs two programs fewer.
bool Changes(const Cell& cell) {
  const std::string p = cell.program;
  return cell.op == Op::Export && (p == "ZCTowar.exe" || p == "KTowar.exe");
}

// The register model a cell runs on.
const char* Model(const Cell& cell) {
  if (cell.op == Op::Test) return "K10";
  if (cell.op == Op::Export) return "Sigma";
  const std::string p = cell.program;
  if (p == "OTypUrz.exe" || p == "OSpOpMax.exe" || p == kSettings) return "K10";
  if (p == "OPSpRoz4.exe" || p == "OPSpRoz5.exe") return "Mini online";
  return "Sigma";
}

// What a cell ended in.
struct Outcome {
  int result = 0;
  std::vector<std::string> messages;  // the host's list, "!" marking errors, "?" warnings
  std::string keyLine;                // the last error line, or the last line of a success
  bool error = false;
  std::vector<std::string> files;  // left in the exchange directory
  std::string stored;              // what the host was asked to store
};

struct Row {
  Cell cell;
  Outcome outcome;
};

std::vector<Row>& Rows() {
  static std::vector<Row> rows;
  return rows;
}

std::string Utf8(const std::string& cp1250) {
  std::string text;
  for (char c : tvkhost::Cp1250ToUtf8(cp1250)) text += c == '\x01' ? ' ' : c;
  return text;
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const std::string& p : parts) text += (text.empty() ? "" : separator) + p;
  return text;
}

std::string Cellify(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '|' ? std::string("\\|") : std::string(1, c);
  return out.empty() ? Utf8("—") : out;  // the literal is in the build's code page
}

// Writes the table when asked to, after the last cell.
class MatrixWriter : public ::testing::Environment {
 public:
  void TearDown() override {
    const char* path = std::getenv("TRELVAX_FAULT_MATRIX");
    if (path == nullptr || *path == '\0' || Rows().empty()) return;
    std::string text =
        "| operation | program | fault | result | key line in the message list | files left | "
        "stored |\n|---|---|---|---|---|---|---|\n";
    for (const Row& r : Rows()) {
      text += "| " + std::string(OpName(r.cell.op)) + " (" + Model(r.cell) + ") | " +
              r.cell.program +
              (r.cell.variant ? (r.cell.op == Op::Export ? " (full)" : " (method 5)") : "") +
              " | " + r.cell.fault.name + " | " + std::to_string(r.outcome.result) + " | " +
              (r.outcome.error ? "error: " : "ok: ") + Cellify(Utf8(r.outcome.keyLine)) + " | " +
              Cellify(Join(r.outcome.files, ", ")) + " | " + Cellify(r.outcome.stored) + " |\n";
    }
    const char* detail = std::getenv("TRELVAX_FAULT_MATRIX_DETAIL");
    if (detail != nullptr && std::string(detail) == "1") {
      text += "\n## Every cell's message list\n";
      for (const Row& r : Rows()) {
        text += "\n### " + std::string(OpName(r.cell.op)) + ", " + r.cell.program + ", " +
                r.cell.fault.name + "\n\n```\n";
        for (const std::string& m : r.outcome.messages) text += Utf8(m) + "\n";
        text += "```\n";
      }
    }
    testutil::WriteFile(path, text);
  }
};

[[maybe_unused]] const ::testing::Environment* const kWriter =
    ::testing::AddGlobalTestEnvironment(new MatrixWriter);

// The goods of the import's register: milk, bread and a returnable bottle; the export's
// register holds tea (repriced by the export) and sugar (deleted by it).
const char kImportGoods[] =
    "#1\r\n#\r\n#\r\n"
    "$12\tMleko\t1\t1\t0\t0\t0\t\t350\t0\t0\t0\t0\t0\t0\t0\r\n"
    "$13\tChleb\t1\t1\t0\t0\t0\t\t300\t0\t0\t0\t0\t0\t0\t0\r\n"
    "$40\tButelka\t1\t1\t0\t0\t0\t\t50\t1\t0\t0\t0\t0\t0\t0\r\n";
const char kExportGoods[] =
    "#1\r\n#\r\n#\r\n"
    "$20\tHerbata\t1\t1\t0\t0\t0\t5900000000202\t899\t0\t0\t0\t0\t0\t0\t0\r\n"
    "$22\tCukier\t3\t1\t0\t0\t0\t5900000000226\t459\t0\t0\t0\t0\t0\t0\t0\r\n";

// Two receipts, a returned bottle, a sold bottle, and a card payment.
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
    "  pay card 4,00\n"
    "end\n";

// What a stored import of that day holds, whatever else it holds.
std::vector<std::string> DayInImport(const std::string& model) {
  std::vector<std::string> parts = {
      "PLU;40;;-1000;-50\r\n",
      "PLU;12;;2000;700\r\n",
      "PLU;13;;1000;300\r\n",
      "PLU;40;;2000;100\r\n",
      "ZWROT_OPAKOWAN;50\r\n",
      "SPRZEDAZ_OPAKOWAN;100\r\n",
      "DATA_SPRZEDAZY;20261208000000000\r\n",
  };
  // The receipt buffer gives the card payment; the Sigma's programs the cashier.
  if (model != "K10") parts.push_back("FPLATN_KARTA;400\r\n");
  if (model == "Sigma") parts.push_back("KAS_NUMER;1\r\nKAS_NAZWISKO;Anna Żak\r\n");
  return parts;
}

// The export file: three goods to add and, with `changes`, a price change and a deletion.
std::vector<std::string> ExportFile(bool changes) {
  std::vector<std::string> lines = {
      "VAT;23", "VAT;8", "VAT;5", "VAT;0", "VAT;-1", "JM;0;0;szt.", "ASS;1;Pieczywo", "EURO;43125",
  };
  if (changes) {
    lines.push_back("PLU;20;0;5900000000202;Herbata;999;999;999;999;23;0;F;0;F;F;F;0;;1;CEN");
    lines.push_back("PLU;22;0;5900000000226;Cukier;459;459;459;459;5;0;F;0;F;F;F;0;;1;USU");
  }
  for (int plu = 1; plu <= 3; ++plu) {
    const std::string p = std::to_string(plu);
    lines.push_back("PLU;" + p + ";0;590000000000" + p + ";Towar numer " + p +
                    ";100;100;100;100;23;0;F;0;F;F;F;0;;1;DOD");
  }
  return lines;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// One copy of the simulator's programs, so that a cell can take one of them away.
class ProgramsCopy {
 public:
  ProgramsCopy() : dir_("programs") {
    for (const auto& e : std::filesystem::directory_iterator(e2e::SimulatorDir())) {
      const std::string name = e.path().filename().string();
      if (e.is_regular_file() && name.size() > 4 && name.substr(name.size() - 4) == ".exe") {
        std::filesystem::copy_file(e.path(), testutil::Join(Path(), name));
      }
    }
  }
  std::string Path() const { return dir_.Path().substr(0, dir_.Path().size() - 1); }

 private:
  testutil::TempDir dir_;
};

}  // namespace

class FaultMatrix : public SimulatorTest, public ::testing::WithParamInterface<Cell> {
 protected:
  static void SetUpTestSuite() { programs_ = std::make_unique<ProgramsCopy>(); }
  static void TearDownTestSuite() { programs_.reset(); }

  void TearDown() override {
    if (!hidden_.empty()) std::filesystem::rename(hidden_ + ".gone", hidden_);
    SimulatorTest::TearDown();
  }

  // A register of the operation's model with its data, the driver pointed at it.
  void Prepare(const Cell& cell) {
    const Setting setting = cell.fault.setting;
    const bool hide = cell.fault.args.empty() && setting == Setting::None;
    UseRegister(kPort, hide ? programs_->Path() : e2e::SimulatorDir());
    host.onStore = [this](int code) {
      if (code == 16) storedExport.push_back(testutil::ReadFile(dir.File("wynik.exp")));
      if (code == 17) storedImport.push_back(testutil::ReadFile(dir.File("kasa.imp")));
    };
    const std::string model = Model(cell);
    if (cell.op == Op::Test) {
      Register("test", model, [] {});
    } else if (cell.op == Op::Export) {
      Register(Changes(cell) ? "goods" : "empty", model, [&] {
        if (Changes(cell)) Load(kExportGoods);
      });
      host.params["ElzabSTXProductFlag"] = "2";
      const std::string p = cell.program;
      host.params["ElzabSTXPrgEuro"] = p == "ZWaluta.exe" ? "1" : "0";
      host.params["ElzabSTXPrgPayments"] = p == "ZPlat.exe" ? "1" : "0";
      if (cell.variant) host.params["RodzajTransmisji"] = "3";
      std::string text;
      for (std::string l : ExportFile(Changes(cell))) {
        if (setting == Setting::BadPrice && l.rfind("PLU;2;", 0) == 0)
          l.replace(l.find(";100;"), 5, ";4x9;");
        text += l + "\r\n";
      }
      testutil::WriteFile(dir.File("kasa.exp"), text);
    } else {
      Register("day", model, [&] {
        Load(kImportGoods);
        testutil::WriteFile(state.File("day.txt"), kDay);
        Ecrsim({"sell", "--port", kPort, state.File("day.txt")});
      });
      testutil::WriteFile(dir.File("packages.dat"), "40\r\n");
      host.params["DataImportu"] = "2026-12-08";
      host.params["ElzabSTXReceipts"] = "0";
      host.params["ElzabSTXSaleBufferType"] = cell.variant ? "1" : "0";
    }
    if (cell.fault.name == std::string(kHang.name)) {
      // Torvik's user presses "stop" while the program hangs: its input file shows it runs.
      std::string input = cell.program;
      input = input.substr(0, input.size() - 4) + ".in";
      for (char& c : input) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      host.abortWhen = [this, input] { return testutil::Exists(dir.File(input)); };
    }
    switch (setting) {
      case Setting::NoExchangeDir:
        host.exchangeDir = dir.Path() + "brak" + platform::kPathSeparator;
        break;
      case Setting::LockIsAFolder:
        std::filesystem::create_directory(dir.File("trelvax.lck"));
        break;
      case Setting::EmptyLanAddress:
      case Setting::BadLanPort:
        host.params["ElzabSTXPort"] = "LAN";
        host.params["ElzabSTXIPAddr"] = setting == Setting::BadLanPort ? "192.168.1.20" : " ";
        host.params["ElzabSTXIPPort"] = setting == Setting::BadLanPort ? "80a" : "8000";
        break;
      case Setting::NoProgramsPath:
        host.params["ElzabSTXExePath"] = "";
        break;
      default:
        break;
    }
    RegisterLibrary();
    if (setting != Setting::None) return;
    if (cell.fault.args.empty()) {
      hidden_ = testutil::Join(programs_->Path(), cell.program);
      std::filesystem::rename(hidden_, hidden_ + ".gone");
    } else {
      std::vector<std::string> args = {"fault", "--port", kPort, "--program", cell.program};
      args.insert(args.end(), cell.fault.args.begin(), cell.fault.args.end());
      Ecrsim(args);
    }
  }

  // A register `model` on the port made by `make` after its creation; the state is made once
  // per kind and model and copied for the cells after, which saves most of the program runs.
  void Register(const std::string& kind, const std::string& model,
                const std::function<void()>& make) {
    const std::string file = state.File("serial-COM1.txt");
    const std::string key = kind + "/" + model;
    auto it = templates_.find(key);
    if (it != templates_.end()) {
      testutil::WriteFile(file, it->second);
      return;
    }
    Ecrsim({"create", "--port", kPort, "--model", model});
    make();
    templates_[key] = testutil::ReadFile(file);
    ASSERT_FALSE(templates_[key].empty()) << file;
  }

  // Programs goods straight into the register, as a shop's earlier export did.
  void Load(const char* goods) { LoadGoods(goods); }

  Outcome Run(const Cell& cell) {
    Outcome o;
    o.result = Operation(static_cast<int>(cell.op));
    EXPECT_TRUE(sessionBuffer.WellFormed());
    for (const testutil::HostMessage& m : host.messages) {
      o.messages.push_back((m.significance == 2   ? "! "
                            : m.significance == 1 ? "? "
                                                  : "  ") +
                           m.text);
      if (m.significance == 2) {
        o.error = true;
        o.keyLine = m.text;
      }
    }
    if (!o.error && !host.messages.empty()) o.keyLine = host.messages.back().text;
    // The table shows where a path points, not this run's temporary folders.
    for (const auto& [from, to] :
         {std::pair<std::string, std::string>{dir.Path(), "<exchange>/"},
          {programs_->Path() + platform::kPathSeparator, "<programs>/"},
          {e2e::SimulatorDir() + platform::kPathSeparator, "<programs>/"}}) {
      for (size_t at = o.keyLine.find(from); at != std::string::npos;
           at = o.keyLine.find(from, at + to.size())) {
        o.keyLine.replace(at, from.size(), to);
      }
    }
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
      const std::string name = e.path().filename().string();
      // The driver's configuration and the host's own files are always there.
      if (name == "KONFIG.TXT" || name == "kasa.exp" || name == "packages.dat") continue;
      o.files.push_back(name);
    }
    std::sort(o.files.begin(), o.files.end());
    if (!storedExport.empty()) {
      o.stored = "export result (" + std::to_string(Lines(storedExport.back()).size()) + " goods)";
    } else if (!storedImport.empty()) {
      o.stored = "import file";
    } else {
      o.stored = "nothing";
    }
    return o;
  }

  // A stored export result names only what the register holds: goods added, updated or
  // repriced are there, goods deleted are not.
  void CheckExportResult() {
    std::vector<tvkhost::RegisterGoods> list;
    ASSERT_TRUE(
        tvkhost::ReadRegisterGoods(tvkhost::Cp1250ToUtf8(EcrsimShow(kPort, {"goods"})), list));
    std::set<int> held;
    for (const tvkhost::RegisterGoods& g : list) held.insert(g.plu);
    for (const std::string& line : Lines(storedExport.back())) {
      const std::vector<std::string> f = [&] {
        std::vector<std::string> parts(1);
        for (char c : line) {
          if (c == ';') {
            parts.emplace_back();
          } else {
            parts.back().push_back(c);
          }
        }
        return parts;
      }();
      ASSERT_GE(f.size(), 5u) << line;
      const int plu = std::atoi(f[1].c_str());
      if (f.back() == "USU") {
        EXPECT_EQ(held.count(plu), 0u) << line;
      } else {
        EXPECT_EQ(held.count(plu), 1u) << line;
      }
    }
  }

  std::vector<std::string> storedExport;
  std::vector<std::string> storedImport;

 private:
  static std::unique_ptr<ProgramsCopy> programs_;
  static std::map<std::string, std::string> templates_;
  std::string hidden_;
};

std::unique_ptr<ProgramsCopy> FaultMatrix::programs_;
std::map<std::string, std::string> FaultMatrix::templates_;

TEST_P(FaultMatrix, EndsInAnErrorOrTheFullOutcomeAndNeverInAFalseSuccess) {
  const Cell& cell = GetParam();
  ASSERT_NO_FATAL_FAILURE(Prepare(cell));
  const Outcome o = Run(cell);
  Rows().push_back({cell, o});
  const std::string dump = host.Dump();

  // Whatever went wrong, the host was never told the export went through or handed sales the
  // driver could not read as the register wrote them.
  if (!storedExport.empty()) {
    ASSERT_NO_FATAL_FAILURE(CheckExportResult());
  }
  for (const std::string& imp : storedImport) {
    for (const std::string& part : DayInImport(Model(cell))) {
      EXPECT_TRUE(Has(imp, part)) << part << "\n" << imp << "\n" << dump;
    }
  }
  if (o.error) {
    EXPECT_TRUE(storedImport.empty()) << dump;
    EXPECT_TRUE(storedExport.empty()) << dump;
    return;
  }
  // No error line: the operation did all of its work.
  switch (cell.op) {
    case Op::Test: {
      const std::vector<std::string> texts = host.Texts();
      EXPECT_NE(std::find(texts.begin(), texts.end(), "Model kasy: K10"), texts.end()) << dump;
      EXPECT_NE(std::find(texts.begin(), texts.end(), "Maksymalna ilość PLU w kasie: 2000"),
                texts.end())
          << dump;
      break;
    }
    case Op::Export:
      ASSERT_EQ(storedExport.size(), 1u) << dump;
      EXPECT_EQ(Lines(storedExport[0]).size(), Changes(cell) ? 5u : 3u) << storedExport[0];
      break;
    case Op::Import:
      EXPECT_EQ(storedImport.size(), 1u) << dump;
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Cells, FaultMatrix, ::testing::ValuesIn(Cells()),
                         [](const ::testing::TestParamInfo<Cell>& info) {
                           std::string name = std::to_string(info.index) + "_" +
                                              OpName(info.param.op) + "_" + info.param.program +
                                              "_" + info.param.fault.name;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

// What is kept for the next try: a damaged output left by a failed import stops the next
// import too (it is taken in first, as the leftovers of a failed run are), naming the file
// each time; once the files named are moved away, the import reads the register anew and
// hands the whole day to the host.
TEST_F(FaultMatrix, ADamagedOutputStopsTheNextImportsUntilTheFilesNamedAreMovedAway) {
  const Cell cell{Op::Import, "OSpOpMax.exe", {"garbled once", {"--garble", "--once"}}};
  ASSERT_NO_FATAL_FAILURE(Prepare(cell));
  std::vector<std::string> named;
  for (int attempt = 0; attempt < 4; ++attempt) {
    host.messages.clear();
    storedImport.clear();
    const Outcome o = Run(cell);
    if (!o.error) break;
    EXPECT_TRUE(storedImport.empty()) << host.Dump();
    // The file named in the error is the one a technician moves away (on Windows the
    // exchange directory is named in its short form, so only the name is compared).
    const size_t end = o.keyLine.find(".out:");
    ASSERT_NE(end, std::string::npos) << o.keyLine;
    const size_t start = o.keyLine.find_last_of("/\\", end) + 1;
    const std::string name = o.keyLine.substr(start, end + 4 - start);
    named.push_back(name);
    if (attempt > 0) {
      EXPECT_TRUE(Has(host.Dump(), "Import z zaległych danych!")) << host.Dump();
    }
    if (attempt > 0 || name != "ospopmax_opak.out") std::filesystem::remove(dir.File(name));
  }
  EXPECT_EQ(named, (std::vector<std::string>{"ospopmax_opak.out", "ospopmax_opak.out",
                                             "ospopmax_sort.out"}));
  ASSERT_EQ(storedImport.size(), 1u) << host.Dump();
  for (const std::string& part : DayInImport("K10")) {
    EXPECT_TRUE(Has(storedImport[0], part)) << part << "\n" << storedImport[0];
  }
}

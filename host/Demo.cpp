#include "host/Demo.h"

#include <filesystem>

#include <vector>

#include "host/ExportReport.h"
#include "host/ImportReport.h"
#include "host/Text.h"
#include "platform/Env.h"

namespace tvkhost {

namespace {

constexpr char kPort[] = "COM1";
constexpr char kModel[] = "Sigma";
constexpr char kVatTable[] = "23,00;8,00;5,00;0,00;ZWOLNIONA;REZERWA;REZERWA";
constexpr char kNotSupported[] = "Urządzenie nie obsługuje zleconego typu operacji";
constexpr char kModelLine[] = "Rozpoznano model: ";

struct DemoGoods {
  int plu;
  const char* barcode;
  const char* name;
  int price;  // grosze
  int rate;   // whole percent
  int unit;   // JM id
  bool weighed;
  int precision;
  bool package;
  int packagePlu;
  int group;
};

// A small shop: bread, dairy, drinks with a returnable bottle, fruit and vegetables by weight.
constexpr DemoGoods kGoods[] = {
    {1, "5900000000011", "Chleb żytni 500 g", 649, 5, 1, false, 0, false, 0, 1},
    {2, "5900000000028", "Bułka kajzerka", 79, 5, 1, false, 0, false, 0, 1},
    {3, "5900000000035", "Mleko 3,2% 1 l", 349, 5, 1, false, 0, false, 0, 2},
    {4, "5900000000042", "Masło ekstra 200 g", 799, 5, 1, false, 0, false, 0, 2},
    {5, "2000005", "Ser żółty gouda", 2990, 5, 2, true, 3, false, 0, 2},
    {6, "5900000000066", "Woda mineralna 1,5 l", 199, 8, 1, false, 0, false, 0, 3},
    {7, "5900000000073", "Piwo jasne 0,5 l butelka", 379, 23, 1, false, 0, false, 10, 3},
    {8, "2000008", "Jabłka Szampion", 499, 5, 2, true, 3, false, 0, 4},
    {9, "2000009", "Pomidory malinowe", 1299, 5, 2, true, 3, false, 0, 4},
    {10, "5900000000103", "Butelka zwrotna 0,5 l", 50, 0, 1, false, 0, true, 0, 5},
    {11, "5900000000110", "Torba papierowa", 120, 23, 1, false, 0, false, 0, 5},
    {12, "5900000000127", "Kawa mielona 250 g", 1599, 23, 1, false, 0, false, 0, 3},
};

std::string Price(int grosze) {
  return std::to_string(grosze);
}

bool Contains(const std::vector<MessageLine>& lines, const std::string& text) {
  for (const MessageLine& l : lines) {
    if (l.text.find(text) != std::string::npos) return true;
  }
  return false;
}

std::string Find(const std::vector<MessageLine>& lines, const std::string& start) {
  for (const MessageLine& l : lines) {
    size_t pos = l.text.find(start);
    if (pos != std::string::npos) return l.text.substr(pos);
  }
  return std::string();
}

// A day of sales for the simulator (its scenario language, UTF-8) by two cashiers, rung up in
// two parts, the morning and the afternoon: four receipts (the beer brings its returnable
// bottle along; one has a loyalty card, a line voided among its lines, a returned bottle and
// four payment forms with change given), a deposit, a withdrawal, a cancelled receipt with a
// voided line of its own, one whose only line was voided, and an invoice.
std::string SalesScenario(const std::string& day, bool afternoon) {
  std::string s;
  s += "# Dzień w sklepie demo\n";
  s += "date " + day + "\n";
  if (!afternoon) {
    s += "time 08:05\ncashier 1 Anna Nowak\n";
    s += "receipt\nsell 1 1\nsell 2 6\nsell 3 2\nend\n";
    s += "time 08:30\ndeposit 200\n";
    s += "time 09:40\n";
    s += "receipt\nsell 5 0.350\nsell 8 1.200\nsell 11 1\nend\n";
    s += "time 10:15\n";
    s += "receipt\ncard 000123\nsell 3 2\nvoid 2 1\nreturn 10 1\n";
    s += "pay card 2\npay voucher 1\npay other 0,50\npay cash 5\nend\n";
    s += "time 12:00\ncancelled\nsell 12 1\nvoid 11 1\nend\n";
    s += "time 12:30\ncancelled\nvoid 5 1\nend\n";
    return Cp1250ToUtf8(s);
  }
  s += "time 13:40\ninvoice\nbuyer 5260250274;Bar Pod Lipą;00-950 Warszawa;ul. Prosta 1\n";
  s += "sell 4 2\npay cheque 15,98\nend\n";
  s += "time 16:00\nwithdraw 150\n";
  s += "time 17:20\ncashier 2 Jan Kowalski\n";
  s += "receipt\nsell 7 4\nsell 6 2\nsell 12 1\nend\n";
  return Cp1250ToUtf8(s);
}

// What the scenario's day gives in the receipt buffer read by method 4, which lists the invoice
// as a receipt and keeps the line voided within the cancelled receipt inside the cancellation.
struct DayRecords {
  int receipts, invoices, voids, cancelled, deposits, withdrawals;
  long long deposited, withdrawn;  // grosze
};
constexpr DayRecords kMethod4Day = {5, 0, 1, 2, 1, 1, 20000, 15000};

// What differs between the imports and the day's records, a line each.
std::vector<std::string> CompareRecords(const DayRecords& day,
                                        const std::vector<StoredImport>& imports) {
  DayRecords got = {0, 0, 0, 0, 0, 0, 0, 0};
  for (const StoredImport& s : imports) {
    got.receipts += s.file.receipts;
    got.invoices += s.file.invoices;
    got.voids += s.file.voids;
    got.cancelled += s.file.cancelled;
    got.deposits += s.file.deposits;
    got.withdrawals += s.file.withdrawals;
    long long v = 0;
    if (s.file.Finance("WPLATY", v)) got.deposited += v;
    if (s.file.Finance("WYPLATY", v)) got.withdrawn += v;
  }
  std::vector<std::string> out;
  auto check = [&out](const char* what, long long want, long long have) {
    if (want != have) {
      out.push_back(std::string(what) + ": rung up " + std::to_string(want) + ", imported " +
                    std::to_string(have));
    }
  };
  check("receipts", day.receipts, got.receipts);
  check("invoices", day.invoices, got.invoices);
  check("voided lines", day.voids, got.voids);
  check("cancelled receipts", day.cancelled, got.cancelled);
  check("deposits", day.deposits, got.deposits);
  check("withdrawals", day.withdrawals, got.withdrawals);
  check("deposited (grosze)", day.deposited, got.deposited);
  check("withdrawn (grosze)", day.withdrawn, got.withdrawn);
  return out;
}

class DemoRun {
 public:
  DemoRun(const AppOptions& options, MessageRenderer& renderer)
      : options_(options), renderer_(renderer) {}
  int Run();

 private:
  void Say(const std::string& text) { renderer_.Note(text); }
  bool Sim(const std::vector<std::string>& args);
  enum class Step { Ok, Failed, NotAvailable, Skipped };
  Step Judge(int exit, const OperationOutcome& outcome);
  static const char* StepText(Step s);
  // Sets the register's goods against the export result; true when they agree. The verdict
  // for the summary goes to `verdict_`.
  bool CheckRegister(const App& app);
  std::string Config() const;

  AppOptions options_;
  MessageRenderer& renderer_;
  std::string simDir_, ecrsim_, work_, exchange_, state_, out_, config_;
  std::string verdict_;
  std::vector<std::string> importLines_;  // the summary's line for each import
};

bool DemoRun::Sim(const std::vector<std::string>& args) {
  std::vector<std::string> full = {"--state", state_};
  full.insert(full.end(), args.begin(), args.end());
  std::string line = "tvkhost: simulator: ecrsim";
  for (const std::string& a : full) line += " " + platform::QuoteArgument(a);
  Say(line);
  std::fflush(stdout);
  platform::RunResult r = platform::Env::Default()->RunProgram(ecrsim_, full, work_);
  if (!r.started) {
    Say("tvkhost: the simulator could not be started: " + r.error);
    return false;
  }
  if (r.exitCode != 0) {
    Say("tvkhost: the simulator ended with exit code " + std::to_string(r.exitCode));
    return false;
  }
  return true;
}

DemoRun::Step DemoRun::Judge(int exit, const OperationOutcome& outcome) {
  if (exit == kExitSetup) return Step::Failed;
  if (Contains(outcome.lines, kNotSupported)) return Step::NotAvailable;
  return outcome.errorLines == 0 ? Step::Ok : Step::Failed;
}

const char* DemoRun::StepText(Step s) {
  switch (s) {
    case Step::Ok:
      return "done";
    case Step::Failed:
      return "FAILED";
    case Step::NotAvailable:
      return "not yet available in this driver";
    default:
      return "skipped";
  }
}

std::string DemoRun::Config() const {
  const char sep = platform::kPathSeparator;
  std::string c;
  c += "; tvkhost configuration written by \"tvkhost demo\": one simulated ELZAB Sigma.\r\n";
  c += "; Edit and run: tvkhost --config " + config_ + " test\r\n";
  c += "[Kasa1]\r\n";
  c += "Id = 1\r\n";
  c += "Number = 1\r\n";
  c += "DeviceName = Kasa 1 (symulator)\r\n";
  c += "Workstation = Stanowisko demo\r\n";
  c += "ExchangeDir = " + exchange_ + "\r\n";
  c += "VatRates = 23;8;5;0;-1\r\n";
  c += "; the register's connection\r\n";
  c += std::string("ElzabSTXPort = ") + kPort + "\r\n";
  c += "ElzabSTXRS232Speed = 115200\r\n";
  c += "ElzabSTXTimeout = 3\r\n";
  c += "; where the ELZAB programs are (here: the simulator's), with a trailing separator\r\n";
  c += "ElzabSTXExePath = " + simDir_ + sep + "\r\n";
  c += "; program runs wait for each other across operations and tvkhost processes\r\n";
  c += "ElzabSTXProtectExe = 1\r\n";
  c += "; the receipts of the receipt buffer go with the import (method 4, or 5 with invoices)\r\n";
  c += "ElzabSTXReceipts = 1\r\n";
  c += "ElzabSTXSaleBufferType = 0\r\n";
  c += "ElzabSTXSaleBufferFV = 1\r\n";
  return c;
}

bool DemoRun::CheckRegister(const App& app) {
  const std::string listing = work_ + "register-goods.txt";
  std::string bytes;
  std::vector<RegisterGoods> goods;
  if (!Sim({"--output", listing, "show", "--port", kPort, "goods"}) ||
      !ReadFileBytes(listing, bytes) || !ReadRegisterGoods(bytes, goods)) {
    verdict_ = "the register's goods could not be read from the simulator";
    Say("tvkhost: " + verdict_);
    return false;
  }
  // The result's goods beside the register's, then any goods the result does not list.
  auto pad = [](std::string text, size_t width) {
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
  };
  auto held = [&](const RegisterGoods& g) {
    return pad(g.barcode.empty() ? "-" : g.barcode, 15) + g.name + "  " + PriceText(g.price);
  };
  Say("tvkhost: the result (" + app.LastResultPath() + ") against the register (" + listing + "):");
  Say("    " + pad("result", 32) + "register");
  std::vector<bool> shown(goods.size(), false);
  for (const ResultLine& r : app.LastResult()) {
    std::string line =
        "    " + pad("PLU " + std::to_string(r.plu), 10) + pad(r.barcode, 16) + pad(r.status, 6);
    std::string onRegister = "-";
    for (size_t i = 0; i < goods.size(); ++i) {
      if (goods[i].plu != r.plu) continue;
      onRegister = held(goods[i]);
      shown[i] = true;
    }
    Say(line + onRegister);
  }
  for (size_t i = 0; i < goods.size(); ++i) {
    if (!shown[i]) {
      Say("    " + pad("PLU " + std::to_string(goods[i].plu), 10) + pad("-", 22) + held(goods[i]));
    }
  }
  std::vector<std::string> differences =
      CompareRegisterWithResult(goods, app.LastResult(), app.LastExportFile());
  if (differences.empty()) {
    verdict_ = "the register holds exactly the goods the result lists";
    Say("tvkhost: " + verdict_);
    return true;
  }
  verdict_ = "the register differs from the result";
  Say("tvkhost: " + verdict_ + " (" + app.LastResultPath() + "):");
  for (const std::string& d : differences) Say("    " + d);
  return false;
}

int DemoRun::Run() {
  const char sep = platform::kPathSeparator;
  platform::Env* env = platform::Env::Default();
  std::string bin = platform::DirectoryOf(platform::ExecutablePath());
  // The release package keeps the simulator in "symulator", so that nobody takes its
  // programs for ELZAB's own; the build tree in "elzab".
  simDir_ = options_.simDir;
  if (simDir_.empty()) {
    simDir_ = bin + sep + "symulator";
    if (!env->DirectoryExists(simDir_)) simDir_ = bin + sep + "elzab";
  }
  while (!simDir_.empty() && (simDir_.back() == '/' || simDir_.back() == '\\')) simDir_.pop_back();
  ecrsim_ = simDir_ + sep + (IsWindowsProgram() ? "ecrsim.exe" : "ecrsim");
  work_ = platform::TempDirectory() + "tvkhost-demo-" + StampText(env->Now()) + sep;
  exchange_ = work_ + "Urz_0001" + sep;
  state_ = work_ + "register";
  out_ = work_ + "out";
  config_ = work_ + "tvkhost.ini";

  Say("tvkhost demo: a simulated ELZAB " + std::string(kModel) + " on " + kPort +
      ", driven as a back office drives it");
  if (!env->FileExists(ecrsim_)) {
    Say("tvkhost: the register simulator is not here: " + ecrsim_ +
        " is missing (the package keeps it in the folder symulator beside tvkhost; in a build "
        "tree build the target elzabsim; or name its folder with --sim)");
    return kExitSetup;
  }
  if (!env->MakeDirectories(exchange_.substr(0, exchange_.size() - 1)) ||
      !env->MakeDirectories(state_)) {
    Say("tvkhost: cannot make the demo folder " + work_);
    return kExitSetup;
  }
  // The simulator's programs find their register through this, as the driver starts them.
  platform::SetEnvironmentValue("ELZABSIM_STATE", state_);
  if (!Sim({"create", "--port", kPort, "--model", kModel, "--device", "1", "--plu", "4000"}) ||
      !Sim({"vat", "--port", kPort, kVatTable})) {
    Say("tvkhost: the simulated register could not be set up");
    return kExitSetup;
  }
  if (!WriteFileBytes(config_, Config()) ||
      !WriteFileBytes(exchange_ + "kasa.exp", DemoExportFile())) {
    Say("tvkhost: cannot write the demo's files in " + work_);
    return kExitSetup;
  }
  Say("tvkhost: configuration " + config_ + ", export file " + exchange_ + "kasa.exp");

  AppOptions appOptions = options_;
  appOptions.configPath = config_;
  appOptions.device.clear();
  appOptions.outDir = out_;
  appOptions.exportFile.clear();  // the demo's own kasa.exp is in the exchange directory
  App app(appOptions, renderer_);
  if (!app.Prepare(true)) return kExitSetup;

  Say("");
  Step test = Judge(app.Operation(TVKDLL_OP_TEST_POLACZENIA, 0), app.LastOutcome());
  std::string model = Find(app.LastOutcome().lines, kModelLine);

  Step exportStep = Step::Skipped;
  Step importStep = Step::Skipped;
  bool rungUp = false;
  if (test == Step::Ok) {
    Say("");
    exportStep = Judge(app.Export(), app.LastOutcome());
    if (exportStep == Step::NotAvailable) {
      Say("tvkhost: the export is not yet available in this driver; the step is left out");
    } else if (exportStep == Step::Ok) {
      if (!CheckRegister(app)) exportStep = Step::Failed;
    }
    // The shop imports at noon and again in the evening: the second import hands over only
    // what came after the first, and one more finds nothing new. Together the imports hold the
    // day exactly as it was rung up.
    const std::string today = DateText(env->Now());
    std::vector<StoredImport> imports;
    struct Round {
      const char* name;
      bool afternoon;  // the afternoon's sales are rung up first
      bool whole;      // the day is complete: the imports so far are checked against it
    };
    for (const Round& round : {Round{"morning", false, false}, Round{"afternoon", true, true},
                               Round{"once more", false, true}}) {
      Say("");
      const std::string scenario = work_ + "sales.txt";
      if (exportStep != Step::Ok) {
        if (!round.afternoon && !round.whole) {
          Say("tvkhost: without the export the register holds no goods to sell, so the import "
              "reads an empty day");
        }
      } else if ((round.afternoon || !round.whole) &&
                 (!WriteFileBytes(scenario, SalesScenario(today, round.afternoon)) ||
                  !Sim({"sell", "--port", kPort, scenario}))) {
        Say("tvkhost: the simulator could not ring up the sales; the import reads what the "
            "register has");
      } else if (!round.afternoon && !round.whole) {
        rungUp = true;
      }
      Say(std::string("tvkhost: sales import, ") + round.name);
      Step step = Judge(app.Import(), app.LastOutcome());
      std::string verdict;
      const std::vector<StoredImport>& now = app.LastImports();
      imports.insert(imports.end(), now.begin(), now.end());
      if (step == Step::NotAvailable) {
        Say("tvkhost: the sales import is not yet available in this driver; the step is left "
            "out");
      } else if (step == Step::Ok && rungUp && round.whole) {
        // What the register counted, read after the import (reading never clears it).
        const std::string counters = work_ + "register-counters.txt";
        std::vector<RegisterCounter> rung;
        std::string listing;
        std::vector<std::string> differences;
        if (!Sim({"--output", counters, "show", "--port", kPort, "counters"}) ||
            !ReadFileBytes(counters, listing) || !ReadRegisterCounters(listing, rung)) {
          differences.push_back("the register's counters could not be read from the simulator");
        } else {
          differences = CompareCountersWithImports(rung, imports);
        }
        for (const std::string& d : CompareRecords(kMethod4Day, imports)) {
          differences.push_back(d);
        }
        if (!round.afternoon && !now.empty()) {
          differences.push_back("the register recorded nothing new, yet a file was stored");
        }
        if (differences.empty()) {
          verdict = round.afternoon
                        ? "with the morning's, the imported sales and receipts equal what was "
                          "rung up"
                        : "nothing new, nothing stored";
          Say("tvkhost: " + verdict + " (" + counters + ")");
        } else {
          verdict = "the import differs from what was rung up";
          Say("tvkhost: " + verdict + " (" + counters + "):");
          for (const std::string& d : differences) Say("    " + d);
          step = Step::Failed;
        }
      }
      std::string file;
      for (const std::string& path : app.LastOutcome().stored) file = path;
      importLines_.push_back(std::string("  import, ") + round.name + ": " + StepText(step) +
                             (verdict.empty() ? "" : " - " + verdict) +
                             (file.empty() ? "" : " - " + file));
      if (step == Step::Failed || importStep == Step::Skipped) importStep = step;
    }
  }
  app.Finish();

  Say("");
  Say("Summary");
  Say(std::string("  connection test: ") + StepText(test) + (model.empty() ? "" : " - " + model));
  Say(std::string("  export:          ") + StepText(exportStep) +
      (verdict_.empty() ? std::string() : " - " + verdict_));
  if (importLines_.empty()) Say(std::string("  sales import:    ") + StepText(importStep));
  for (const std::string& line : importLines_) Say(line);
  bool ok = test == Step::Ok && exportStep != Step::Failed && importStep != Step::Failed;
  // A demo that went well leaves nothing in the temporary folder; one that did not keeps its
  // files for a look, as --keep does.
  if (ok && !options_.keep) {
    std::error_code ec;
    std::filesystem::remove_all(platform::NativePath(work_), ec);
    if (!ec) {
      Say("Its folder " + work_ + " is removed (--keep keeps it).");
      return kExitOk;
    }
  }
  Say("Left behind in " + work_ + ":");
  Say("  configuration       " + config_);
  Say("  exchange directory  " + exchange_);
  Say("  register state      " + state_);
  Say("  stored results      " + out_);
  return ok ? kExitOk : kExitErrors;
}

}  // namespace

std::string DemoExportFile() {
  std::string f;
  f += "# Torvik: towary dla kasy 1 (demo tvkhost)\r\n";
  f += "[STAWKI]\r\n";
  for (const char* rate : {"23", "8", "5", "0", "-1"}) f += std::string("VAT;") + rate + "\r\n";
  f += "[JEDNOSTKI]\r\n";
  f += "JM;1;0;szt.\r\nJM;2;3;kg\r\nJM;3;0;opak\r\n";
  f += "[ASORTYMENTY]\r\n";
  f += "ASS;1;Pieczywo\r\nASS;2;Nabiał\r\nASS;3;Napoje i używki\r\nASS;4;Warzywa i owoce\r\n";
  f += "ASS;5;Opakowania i inne\r\n";
  f += "EURO;43125\r\n";
  f += "[TOWARY]\r\n";
  for (const DemoGoods& g : kGoods) {
    std::string packageCode = "0";
    for (const DemoGoods& p : kGoods) {
      if (g.packagePlu != 0 && p.plu == g.packagePlu) packageCode = p.barcode;
    }
    // PLU;plu;koldod;kod;nazwa;cena;cena_hurt;cena_noc;cena_dod;stawka;jedn;czy_wazony;
    // precyzja;wagowo_ilosciowy;opakowanie;cena_otwarta;kod_opakowania;plu_opakowania;
    // nr_asort;status
    f += "PLU;" + std::to_string(g.plu) + ";0;" + g.barcode + ";" + g.name + ";" + Price(g.price) +
         ";" + Price(g.price * 9 / 10) + ";" + Price(g.price) + ";" + Price(g.price) + ";" +
         std::to_string(g.rate) + ";" + std::to_string(g.unit) + ";" + (g.weighed ? "T" : "F") +
         ";" + std::to_string(g.precision) + ";" + (g.weighed ? "T" : "F") + ";" +
         (g.package ? "T" : "F") + ";F;" + packageCode + ";" +
         (g.packagePlu != 0 ? std::to_string(g.packagePlu) : std::string()) + ";" +
         std::to_string(g.group) + ";DOD\r\n";
  }
  // A second line of goods 1 (an additional code): the driver never sends it to the register.
  f += "PLU;1;1;5900000000998;Chleb żytni 500 g;649;584;649;649;5;1;F;0;F;F;F;0;;1;DOD\r\n";
  return f;
}

int RunDemo(const AppOptions& options, MessageRenderer& renderer) {
  DemoRun run(options, renderer);
  int code = run.Run();
  renderer.Flush();
  return code;
}

}  // namespace tvkhost

// The soak: random shop days rung up on simulated registers of every model and imported
// through the driver, one host process keeping the library loaded all along, each import
// set against what was rung up. See scripts/soak.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#ifdef __SANITIZE_ADDRESS__
// AddressSanitizer's count of the bytes the program holds.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif
#include <vector>

#include "host/App.h"
#include "host/ExportReport.h"
#include "host/Host.h"
#include "host/Text.h"
#include "platform/Env.h"
#include "soak/Day.h"
#include "soak/Exports.h"
#include "soak/Ledger.h"

namespace {

using tvkhost::App;
using tvkhost::AppOptions;

struct Options {
  long long days = 50;
  uint64_t seed = 1;
  int maxReceipts = 2000;
  int faults = 20;  // the share of days, in percent, whose first import meets a fault
  std::string lib, sim, work, host;
  bool keep = false;  // the work folder stays, also after a clean run
};

const char* const kModels[] = {"K10", "K10 online", "Mini online", "Jota online", "Sigma"};
constexpr int kDevices = 5;  // importing devices; as many again only receive exports

void Print(const std::string& cp1250) {
  std::fputs(tvkhost::Cp1250ToUtf8(cp1250).c_str(), stdout);
  std::fflush(stdout);
}

class Soak {
 public:
  explicit Soak(Options options) : o_(std::move(options)), rng_(o_.seed) {}
  int Run();

 private:
  bool Setup();
  bool Ecrsim(std::vector<std::string> args);
  void Day(long long n);
  // One export to one of the registers that only receive goods, checked against the register.
  void ExportRound(long long n, int k);
  // One import of device `i`; true when it ended without error lines. What the host took in
  // is added to `files`, the error lines go to `errors`.
  bool ImportHere(int i, bool abort, std::vector<std::string>& files,
                  std::vector<std::string>& errors, bool automatic = false);
  // The same in a tvkhost process of its own, which dies at `dieAt` (TVKHOST_DIE_AT).
  bool ImportInChild(int i, const soak::Settings& s, const std::string& date,
                     const std::string& dieAt, std::vector<std::string>& files,
                     std::vector<std::string>& errors);
  // What the shop's technician does after a failed import, as the red lines say: a damaged
  // output is moved out of the exchange directory; a day whose hand-over was cut off is
  // looked up in the back office (`taken`: what the host took in) and the record set right.
  void Technician(int i, const std::vector<std::string>& errors,
                  const std::vector<std::string>& taken);
  std::string ExchangeDir(int i) const;
  std::string Section(int i, const soak::Settings* s) const;
  void Differ(long long n, const std::string& what, const std::vector<std::string>& lines);

  Options o_;
  soak::Rng rng_;
  std::string ecrsim_, state_, log_;
  std::string lastEcrsim_;  // how the last simulator run ended
  std::FILE* logFile_ = nullptr;
  std::unique_ptr<tvkhost::MessageRenderer> renderer_;
  std::vector<std::unique_ptr<App>> apps_;
  std::vector<soak::Catalog> catalogs_;
  std::vector<soak::RegisterState> registers_;
  std::vector<soak::ExportCatalog> exportCatalogs_;
  long long exports_ = 0, exportedGoods_ = 0, withdrawn_ = 0, refused_ = 0;
  // What the table reports.
  long long operations_ = 0, documents_ = 0, lines_ = 0, differingDays_ = 0;
  std::map<std::string, long long> faultsInjected_;
  std::map<std::string, long long> extraImports_;  // imports during a day, by kind
  long long portChanges_ = 0;
  long long reportsInDay_ = 0;  // daily reports between two imports of one day
  // The port each importing device's register is on now; it moves now and then.
  std::vector<std::string> ports_;
  long long retries_ = 0, technician_ = 0;
  long long notStarted_ = 0;         // exports failed on a program the system did not start
  long long importsNotStarted_ = 0;  // imports during the day failed likewise
  std::string configPath_;
  std::set<std::string> settingsSeen_;
  // The process's usage every 100 operations; the first one, once the library and the
  // host's caches have settled, is the one the others must not grow beyond.
  std::vector<platform::ProcessUsage> samples_;
  void Count() {
    if (++operations_ % 100 != 0) return;
    platform::ReleaseFreeMemory();
    samples_.push_back(platform::CurrentUsage());
#ifdef __SANITIZE_ADDRESS__
    // Under AddressSanitizer the process keeps freed memory in its quarantine, which fills and
    // recycles by tens of megabytes: what the program holds is the allocator's own count.
    samples_.back().memoryBytes = static_cast<long long>(__sanitizer_get_current_allocated_bytes());
#endif
    const platform::ProcessUsage& u = samples_.back();
    if (logFile_ != nullptr) {
      std::fprintf(logFile_, "usage after %lld operations: %lld MB, %lld handles, %lld threads\n",
                   operations_, u.memoryBytes >> 20, u.handles, u.threads);
    }
  }
  bool Grew() const;
};

bool Soak::Grew() const {
  if (samples_.size() < 2) return false;
  const platform::ProcessUsage& first = samples_.front();
  const platform::ProcessUsage& last = samples_.back();
  const long long slack = std::max<long long>(8ll << 20, first.memoryBytes / 5);
  return last.handles > first.handles || last.threads > first.threads ||
         last.memoryBytes > first.memoryBytes + slack;
}

bool Soak::Ecrsim(std::vector<std::string> args) {
  args.insert(args.begin(), {"--state", state_});
  platform::RunResult r = platform::Env::Default()->RunProgram(ecrsim_, args, o_.work);
  // Wine's process creation now and then fails while many programs start at once; that says
  // nothing of the simulator, so such a start is tried once more.
  if (!r.started) r = platform::Env::Default()->RunProgram(ecrsim_, args, o_.work);
  lastEcrsim_ = r.started ? "exit code " + std::to_string(r.exitCode) : "not started: " + r.error;
  return r.started && r.exitCode == 0;
}

bool Soak::Setup() {
  platform::Env* env = platform::Env::Default();
  const char sep = platform::kPathSeparator;
  ecrsim_ = o_.sim + sep + (tvkhost::IsWindowsProgram() ? "ecrsim.exe" : "ecrsim");
  state_ = o_.work + sep + "state";
  if (!env->MakeDirectories(state_)) return false;
  platform::SetEnvironmentValue("ELZABSIM_STATE", state_);
  log_ = o_.work + sep + "soak.log";
  logFile_ = std::fopen(log_.c_str(), "wb");
  auto sink = [this](const std::string& utf8) {
    if (logFile_ != nullptr) std::fputs(utf8.c_str(), logFile_);
  };
  renderer_ = std::make_unique<tvkhost::MessageRenderer>(false, 100, sink, nullptr);

  for (int i = 0; i < kDevices; ++i) ports_.push_back("COM" + std::to_string(i + 1));
  std::string config;
  for (int i = 0; i < 2 * kDevices; ++i) config += Section(i, nullptr);
  for (int i = kDevices; i < 2 * kDevices; ++i) {
    const int capacity = static_cast<int>(rng_.Range(30, 300));
    exportCatalogs_.emplace_back(capacity, kModels[i - kDevices] == std::string("Sigma") ? 48 : 40);
    if (!Ecrsim({"create", "--port", "COM" + std::to_string(i + 1), "--model",
                 kModels[i - kDevices], "--device", "1", "--plu", std::to_string(capacity)})) {
      return false;
    }
  }
  for (int i = 0; i < kDevices; ++i) {
    const std::string port = "COM" + std::to_string(i + 1);
    if (!Ecrsim({"create", "--port", port, "--model", kModels[i], "--device", "1"})) return false;
    // A payment form that carries a date, which the Sigma's import reads from the register.
    if (i == 4 && !Ecrsim({"payment-date", "--port", port, "3", "on"})) return false;
  }
  configPath_ = o_.work + sep + "soak.ini";
  const std::string& configPath = configPath_;
  if (!tvkhost::WriteFileBytes(configPath, config)) return false;

  for (int i = 0; i < 2 * kDevices; ++i) {
    if (i >= kDevices) {
      AppOptions a;
      a.configPath = configPath;
      a.device = "Kasa" + std::to_string(i + 1);
      a.libPath = o_.lib;
      a.outDir = o_.work + sep + "out-" + std::to_string(i + 1);
      a.exportFile = o_.work + sep + "towary-" + std::to_string(i + 1) + ".exp";
      apps_.push_back(std::make_unique<App>(a, *renderer_));
      if (!apps_.back()->Prepare(true)) return false;
      continue;
    }
    catalogs_.push_back(soak::MakeCatalog(rng_, static_cast<int>(rng_.Range(20, 150))));
    soak::RegisterState reg;
    reg.day = 9500 + rng_.Range(0, 400);  // 2026
    registers_.push_back(reg);
    const std::string file = o_.work + sep + "towary-" + std::to_string(i + 1) + ".exp";
    if (!tvkhost::WriteFileBytes(file, catalogs_.back().ExportFile())) return false;
    AppOptions a;
    a.configPath = configPath;
    a.device = "Kasa" + std::to_string(i + 1);
    a.libPath = o_.lib;
    a.outDir = o_.work + sep + "out-" + std::to_string(i + 1);
    a.exportFile = file;
    apps_.push_back(std::make_unique<App>(a, *renderer_));
    if (!apps_.back()->Prepare(true)) return false;
    Count();
    if (apps_.back()->Export() != 0) {
      Print("soak: the goods could not be sent to the " + std::string(kModels[i]) + ", see " +
            log_ + "\n");
      return false;
    }
  }
  // Each register that only receives exports gets its first catalog, so that every library
  // has run an operation (and holds what it keeps open) before usage is first sampled.
  for (int k = 0; k < kDevices; ++k) ExportRound(0, k);
  return true;
}

void Soak::Differ(long long n, const std::string& what, const std::vector<std::string>& lines) {
  ++differingDays_;
  Print("soak: seed " + std::to_string(o_.seed) + " day " + std::to_string(n) + ": " + what + "\n");
  size_t shown = 0;
  for (const std::string& l : lines) {
    if (++shown > 40) {
      Print("    ... " + std::to_string(lines.size() - 40) + " more\n");
      break;
    }
    Print("    " + l + "\n");
  }
}

void Soak::Day(long long n) {
  // Each soak day is a day of its own on the driver's clock too, as a shop's days are: what a
  // read is judged by when a register cannot prove its daily report.
  platform::SetEnvironmentValue("TRELVAX_CLOCK_SHIFT_DAYS", std::to_string(n % 36500));
  const int i = static_cast<int>(rng_.Range(0, kDevices - 1));
  App& app = *apps_[static_cast<size_t>(i)];
  soak::Settings s;
  s.model = kModels[i];
  s.method = rng_.Chance(50) ? 4 : 5;
  s.saleSource = s.model == "K10" ? 0 : static_cast<int>(rng_.Range(0, 1));
  s.receipts = rng_.Chance(70);
  s.invoices = rng_.Chance(60);
  const soak::Day day = soak::MakeDay(rng_, catalogs_[static_cast<size_t>(i)],
                                      registers_[static_cast<size_t>(i)], o_.maxReceipts);
  documents_ += static_cast<long long>(day.documents.size());
  settingsSeen_.insert(s.Text());
  std::string port = ports_[static_cast<size_t>(i)];
  // Now and then, between two imports, the register moves to another port (a USB adapter
  // plugged in elsewhere): the simulator's register goes along, the device's parameter follows,
  // and the driver's memory of the register day must hold.
  auto movePort = [&] {
    const int now = std::stoi(port.substr(3));
    const std::string next = "COM" + std::to_string(now + 20 <= 250 ? now + 20 : i + 1);
    const char sep = platform::kPathSeparator;
    if (!platform::Env::Default()->RenameFile(state_ + sep + "serial-" + port + ".txt",
                                              state_ + sep + "serial-" + next + ".txt")) {
      return false;
    }
    port = ports_[static_cast<size_t>(i)] = next;
    app.SetParameter("ElzabSTXPort", next);
    ++portChanges_;
    return true;
  };
  app.SetParameter("ElzabSTXPort", port);
  app.SetParameter("ElzabSTXSaleSource", std::to_string(s.saleSource));
  app.SetParameter("ElzabSTXReceipts", s.receipts ? "1" : "0");
  app.SetParameter("ElzabSTXSaleBufferType", s.method == 4 ? "0" : "1");
  app.SetParameter("ElzabSTXSaleBufferFV", s.invoices ? "1" : "0");
  app.SetImportDate(day.date);
  // Rings up the part of the day from `from` to `to` (offsets in the scenario), which then
  // begins with `date`; false when the simulator refused it.
  auto ring = [&](size_t from, size_t to, const std::string& date) {
    const std::string scenario = o_.work + platform::kPathSeparator + "day.txt";
    const std::string part = (from == 0 ? "" : date) + day.scenario.substr(from, to - from);
    tvkhost::WriteFileBytes(scenario, tvkhost::Cp1250ToUtf8(part));
    if (Ecrsim({"sell", "--port", port, scenario})) return true;
    // The day is kept under its number, so that it can be rung up again by hand.
    const std::string kept =
        o_.work + platform::kPathSeparator + "day-" + std::to_string(n) + ".txt";
    tvkhost::WriteFileBytes(kept, tvkhost::Cp1250ToUtf8(day.scenario));
    Differ(n, "the simulator refused the day (" + lastEcrsim_ + "; " + kept + ")", {});
    return false;
  };
  // The shop imports during the day too, 0 to 3 times at random moments, by hand or by the
  // automatic import on a timer: each import hands over what came since the one before.
  std::vector<size_t> cuts;
  const long long extra = day.breaks.size() >= 2 ? rng_.Range(0, 3) : 0;
  for (long long k = 0; k < extra; ++k) {
    cuts.push_back(
        static_cast<size_t>(rng_.Range(1, static_cast<long long>(day.breaks.size()) - 1)));
  }
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  std::vector<std::string> files;
  size_t from = 0;
  std::string date;
  // The document a daily report during the day came right before, if any.
  std::optional<size_t> reportedBefore;
  // Before which of the day's imports the register moves (the last is the day's own); none
  // mostly.
  const long long move = rng_.Chance(10) ? rng_.Range(0, static_cast<long long>(cuts.size())) : -1;
  auto moveBefore = [&](long long index) {
    if (index != move || movePort()) return true;
    Differ(n, day.date + ": the simulator's register could not be moved to another port", {});
    return false;
  };
  for (size_t k = 0; k < cuts.size(); ++k) {
    const size_t cut = cuts[k];
    if (!moveBefore(static_cast<long long>(k))) return;
    if (!ring(from, day.breaks[cut].first, date)) return;
    Count();
    std::vector<std::string> taken, errors;
    const bool automatic = rng_.Chance(50);
    ++extraImports_[automatic ? "automatic" : "ordinary"];
    if (!ImportHere(i, false, taken, errors, automatic)) {
      // Wine, now and then, fails to create a process: the shop's next import takes the day,
      // as after any failed import.
      const bool systemFailed = std::any_of(errors.begin(), errors.end(), [](const std::string& e) {
        return e.find("d uruchomienia ") != std::string::npos;
      });
      if (!systemFailed) {
        Differ(n, day.date + ", " + s.Text() + ": an import during the day failed", errors);
        return;
      }
      ++importsNotStarted_;
    }
    files.insert(files.end(), taken.begin(), taken.end());
    from = day.breaks[cut].first;
    date = day.breaks[cut].second;
    // Now and then the daily report comes right after an import, and the register sells on
    // under the same date: the next import of the date hands the new register day over whole,
    // and the date's packaging totals carry the earlier import's. Not on a K10, whose counters
    // alone cannot tell such a report from sales that grew: it gets its report at the day's
    // end.
    if (s.model != "K10" && day.breaks.size() == day.documents.size() && rng_.Chance(15)) {
      Ecrsim({"zero", "--port", port});
      ++reportsInDay_;
      reportedBefore = cut;
    }
  }
  if (!moveBefore(static_cast<long long>(cuts.size()))) return;
  if (!ring(from, day.scenario.size(), date)) return;

  // On a share of the days the first import meets a fault: a program of the register that
  // fails or writes a damaged file, a person who stops a program that hangs, or a back office
  // that dies at some moment. Then the shop imports until one import ends well, and only
  // then does the daily report.
  std::vector<std::string> programs = {"OTypUrz.exe", "OSpOpMax.exe"};
  if (s.model != "K10") programs.push_back(s.method == 4 ? "OPSpRoz4.exe" : "OPSpRoz5.exe");
  if (s.model == "Sigma") {
    for (const char* p : {"OZegar.exe", "OKasjer.exe", "OIKasWla.exe", "OPlat.exe"}) {
      programs.push_back(p);
    }
  }
  std::string fault;
  if (o_.faults > 0 && rng_.Chance(o_.faults)) {
    static const char* const kKinds[] = {"program fails", "damaged output", "person stops",
                                         "host dies"};
    fault = kKinds[rng_.Range(0, 3)];
    ++faultsInjected_[fault];
  }
  const std::string program =
      programs[static_cast<size_t>(rng_.Range(0, static_cast<long long>(programs.size()) - 1))];
  std::vector<std::string> errors;
  bool ended = false;
  int attempts = 0;
  for (; attempts < 8 && !ended; ++attempts) {
    errors.clear();
    std::vector<std::string> taken;
    const bool faulty = attempts == 0 && !fault.empty();
    if (faulty && fault == "program fails") {
      Ecrsim({"fault", "--port", port, "--program", program, "--code",
              std::to_string(rng_.Chance(50) ? 62 : 3), "--once"});
    } else if (faulty && fault == "damaged output") {
      Ecrsim({"fault", "--port", port, "--program", program, "--garble", "--once"});
    } else if (faulty && fault == "person stops") {
      Ecrsim({"fault", "--port", port, "--program", program, "--hang", "600", "--once"});
    }
    Count();
    if (faulty && fault == "host dies") {
      static const char* const kMoments[] = {"message", "change", "store"};
      const std::string moment = kMoments[rng_.Range(0, 2)];
      const long long at = moment == "store" ? rng_.Range(1, 2) : rng_.Range(1, 30);
      ended = ImportInChild(i, s, day.date, moment + ":" + std::to_string(at), taken, errors);
    } else {
      ended = ImportHere(i, faulty && fault == "person stops", taken, errors);
    }
    Ecrsim({"clear-faults", "--port", port});
    files.insert(files.end(), taken.begin(), taken.end());
    if (!ended) Technician(i, errors, taken);
    if (attempts > 0) ++retries_;
  }
  // A report during the day cleared the cashier's statistics the register keeps.
  soak::Day reported = day;
  if (reportedBefore) soak::CashierFrom(reported, *reportedBefore);
  std::vector<std::string> expected =
      soak::Expected(reported, catalogs_[static_cast<size_t>(i)], s);
  std::vector<std::string> imported = soak::ReadLedger(files);
  // An import file leaves out an hour whose receipts come to nothing, baskets and all: an
  // import during the day that cuts an hour where its part was discounted to nothing leaves
  // that part's baskets uncounted. The hours' values still add up.
  if (!cuts.empty()) {
    for (std::vector<std::string>* lines : {&expected, &imported}) {
      for (std::string& line : *lines) {
        if (line.rfind("hour ", 0) == 0) line = line.substr(0, line.find(" baskets="));
      }
      std::sort(lines->begin(), lines->end());
    }
  }
  lines_ += static_cast<long long>(imported.size());
  std::vector<std::string> diff = soak::Differences(expected, imported);
  // A day with nothing rung up after one the register had nothing of either: no import can
  // tell it from the day before, it finds nothing new and stores nothing, not even a Sigma's
  // cashier snapshot, which only moves with what the register records.
  if (day.documents.empty() && imported.empty()) diff.clear();
  const std::string what =
      day.date + ", " + s.Text() + (fault.empty() ? "" : ", " + fault + " (" + program + ")");
  if (!ended) {
    Differ(n, what + ": no import ended well in " + std::to_string(attempts) + " tries", errors);
  } else if (!diff.empty()) {
    Differ(n, what + ": the import differs from what was rung up", diff);
  }
  // The daily report: the register starts the next day empty.
  Ecrsim({"zero", "--port", port});
}

std::string Soak::ExchangeDir(int i) const {
  const char sep = platform::kPathSeparator;
  return o_.work + sep + "ex-" + std::to_string(i + 1) + sep;
}

std::string Soak::Section(int i, const soak::Settings* s) const {
  const char sep = platform::kPathSeparator;
  std::string text =
      "[Kasa" + std::to_string(i + 1) + "]\r\nId = " + std::to_string(i + 1) +
      "\r\nNumber = 1\r\nExchangeDir = " + ExchangeDir(i) +
      "\r\nVatRates = 23;8;5;0\r\nElzabSTXPort = " +
      (i < kDevices ? ports_[static_cast<size_t>(i)] : "COM" + std::to_string(i + 1)) +
      "\r\nElzabSTXExePath = " + o_.sim + sep +
      "\r\nElzabSTXTimeout = 3\r\nElzabSTXProtectExe = 1\r\n";
  if (s != nullptr) {
    text += "ElzabSTXSaleSource = " + std::to_string(s->saleSource) +
            "\r\nElzabSTXReceipts = " + (s->receipts ? "1" : "0") +
            "\r\nElzabSTXSaleBufferType = " + (s->method == 4 ? "0" : "1") +
            "\r\nElzabSTXSaleBufferFV = " + (s->invoices ? "1" : "0") + "\r\n";
  }
  return text;
}

bool Soak::ImportHere(int i, bool abort, std::vector<std::string>& files,
                      std::vector<std::string>& errors, bool automatic) {
  App& app = *apps_[static_cast<size_t>(i)];
  // The person presses stop once the hung program has run for a while.
  std::thread person;
  if (abort) {
    person = std::thread([] {
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
      tvkhost::Host::RequestAbort();
    });
  }
  const int code = app.Import(automatic ? TVKDLL_OP_IMPORT_AUTO : TVKDLL_OP_IMPORT_SPRZEDAZY);
  if (person.joinable()) person.join();
  tvkhost::Host::ClearAbort();
  for (const tvkhost::StoredImport& stored : app.LastImports()) {
    std::string bytes;
    tvkhost::ReadFileBytes(stored.path, bytes);
    files.push_back(bytes);
    platform::Env::Default()->RemoveFile(stored.path);
  }
  for (const tvkhost::MessageLine& l : app.LastOutcome().lines) {
    if (l.significance > 0) errors.push_back(l.text);
  }
  return code == 0;
}

bool Soak::ImportInChild(int i, const soak::Settings& s, const std::string& date,
                         const std::string& dieAt, std::vector<std::string>& files,
                         std::vector<std::string>& errors) {
  const char sep = platform::kPathSeparator;
  const std::string config = o_.work + sep + "child.ini";
  const std::string out = o_.work + sep + "child-out";
  tvkhost::WriteFileBytes(config, Section(i, &s));
  platform::SetEnvironmentValue("TVKHOST_DIE_AT", dieAt);
  const platform::RunResult r = platform::Env::Default()->RunProgram(
      o_.host,
      {"--config", config, "--lib", o_.lib, "--out", out, "--quiet", "--log",
       o_.work + sep + "child.log", "import", "--date", date},
      o_.work);
  platform::SetEnvironmentValue("TVKHOST_DIE_AT", "");
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(out, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("kasa", 0) != 0) continue;
    std::string bytes;
    tvkhost::ReadFileBytes(entry.path().string(), bytes);
    files.push_back(bytes);
  }
  std::filesystem::remove_all(out, ec);
  if (!r.started) {
    errors.push_back("tvkhost could not be started: " + o_.host + " " + r.error);
    return false;
  }
  if (r.exitCode == static_cast<uint32_t>(tvkhost::kDiedOnPurpose)) {
    errors.push_back("tvkhost died at " + dieAt);
    return false;
  }
  if (r.exitCode != 0) errors.push_back("tvkhost ended with " + std::to_string(r.exitCode));
  return r.exitCode == 0;
}

void Soak::Technician(int i, const std::vector<std::string>& errors,
                      const std::vector<std::string>& taken) {
  platform::Env* env = platform::Env::Default();
  const std::string dir = ExchangeDir(i);
  static const char* const kOutputs[] = {
      "ospopmax_sprz.out", "ospopmax_sort.out", "ospopmax_opak.out", "opsproz4.out", "opsproz5.out",
      "oikaswla.out",      "okasjer.out",       "ozegar.out",        "oplat.out",    "otypurz.out"};
  const std::string damaged =
      "B\xB3\xB9"
      "d odczytu pliku ";  // "Błąd" in Windows-1250
  const std::string cutOff =
      "Poprzedni import przerwa\xB3 si\xEA, gdy baza przyjmowa\xB3"
      "a dane z dnia ";
  for (const std::string& e : errors) {
    if (e.find(damaged) != std::string::npos) {
      for (const char* name : kOutputs) {
        if (e.find(name) == std::string::npos) continue;
        // Moved out of the exchange directory, as the README says.
        const std::string aside = o_.work + platform::kPathSeparator + "damaged";
        env->MakeDirectories(aside);
        env->RenameFile(dir + name, aside + platform::kPathSeparator + name);
        ++technician_;
      }
    }
    const size_t at = e.find(cutOff);
    if (at == std::string::npos) continue;
    // The day the hand-over of which was cut off: the back office has it when a file of the
    // failed import holds it.
    const std::string day = e.substr(at + cutOff.size(), 10);
    std::string compact = day.substr(0, 4) + day.substr(5, 2) + day.substr(8, 2);
    bool has = false;
    for (const std::string& f : taken) {
      if (f.find("DATA_SPRZEDAZY;" + compact) != std::string::npos) has = true;
    }
    std::string record;
    tvkhost::ReadFileBytes(dir + "zapisane.txt", record);
    // The line as the message quotes it, the file's value after the day.
    const size_t where = record.find("zapisywane=" + day);
    if (where == std::string::npos) continue;
    const size_t end = record.find("\r\n", where);
    if (end == std::string::npos) continue;
    record.replace(where, end + 2 - where, has ? "zapisano=" + day + "\r\n" : "");
    tvkhost::WriteFileBytes(dir + "zapisane.txt", record);
    ++technician_;
  }
}

void Soak::ExportRound(long long n, int k) {
  const int i = kDevices + k;
  App& app = *apps_[static_cast<size_t>(i)];
  soak::ExportCatalog& catalog = exportCatalogs_[static_cast<size_t>(k)];
  const soak::ExportRound r = catalog.Next(rng_);
  const char sep = platform::kPathSeparator;
  tvkhost::WriteFileBytes(o_.work + sep + "towary-" + std::to_string(i + 1) + ".exp", r.file);
  app.SetParameter("RodzajTransmisji", std::to_string(r.transmission));
  Count();
  ++exports_;
  const int code = app.Export();
  const std::string what = std::string(kModels[k]) + " export, transmission " +
                           std::to_string(r.transmission) + ", " + std::to_string(r.changes) +
                           " goods";
  std::vector<std::string> problems;
  auto plus = [](const std::set<int>& set) {
    std::string t;
    for (int plu : set) t += (t.empty() ? "" : " ") + std::to_string(plu);
    return t;
  };
  // What the driver says it withdrew and the register refused.
  std::set<int> withdrawn, refused;
  if (tvkhost::ShowsGoodsLog(app.LastOutcome().lines)) {
    std::string log;
    tvkhost::ReadFileBytes(ExchangeDir(i) + tvkhost::kGoodsLogName, log);
    std::vector<std::string> lines;
    for (size_t at = 0; at < log.size();) {
      size_t end = log.find('\n', at);
      if (end == std::string::npos) end = log.size();
      std::string line = log.substr(at, end - at);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      at = end + 1;
    }
    for (const tvkhost::GoodsProblem& p : tvkhost::ReadGoodsProblems(lines)) {
      (p.kind == tvkhost::GoodsProblem::kWithdrawn ? withdrawn : refused).insert(p.plu);
    }
  }
  if (withdrawn != r.withdrawn) {
    problems.push_back("withdrawn: expected " + plus(r.withdrawn) + ", the driver " +
                       plus(withdrawn));
  }
  withdrawn_ += static_cast<long long>(withdrawn.size());
  // The register's goods, listed by the simulator: those the model expects, at the back
  // office's prices; with `result`, also as the export result lists them.
  auto checkRegister = [&](bool result) {
    const std::string listing = o_.work + sep + "goods.txt";
    std::string text;
    std::vector<tvkhost::RegisterGoods> goods;
    if (!Ecrsim({"--output", listing, "show", "--port", "COM" + std::to_string(i + 1), "goods"}) ||
        !tvkhost::ReadFileBytes(listing, text) || !tvkhost::ReadRegisterGoods(text, goods)) {
      problems.push_back("the register's goods could not be listed");
    }
    // Goods the export did not touch stay on the register (compared below).
    if (result) {
      for (const std::string& d :
           tvkhost::CompareRegisterWithResult(goods, app.LastResult(), app.LastExportFile())) {
        if (r.transmission == 3 || d.find("on the register, but not in the result") == d.npos) {
          problems.push_back(d);
        }
      }
    }
    std::set<int> held, expected;
    for (const tvkhost::RegisterGoods& g : goods) {
      held.insert(g.plu);
      auto it = r.after.find(g.plu);
      if (it != r.after.end() && it->second.price != g.price) {
        problems.push_back("PLU " + std::to_string(g.plu) + " price " + std::to_string(g.price) +
                           ", the back office's " + std::to_string(it->second.price));
      }
    }
    for (const auto& [plu, g] : r.after) expected.insert(plu);
    if (held != expected) {
      problems.push_back("on the register: " + plus(held) + "; expected " + plus(expected));
    }
  };
  // The driver's line for a program the system did not start: Wine, now and then, fails to
  // create a process. A shop repeats such an export; what of it reached the register is not
  // known, so the next export sends the catalog anew.
  const std::string notStarted =
      "B\xB3\xB9"
      "d uruchomienia ";  // "Błąd uruchomienia" in Windows-1250
  bool systemFailed = false;
  for (const tvkhost::MessageLine& l : app.LastOutcome().lines) {
    if (code != 0 && l.text.find(notStarted) != std::string::npos && r.refused.empty()) {
      systemFailed = true;
    }
  }
  if (systemFailed) {
    ++notStarted_;
    if (!app.LastResultPath().empty()) problems.push_back("a result was stored");
    catalog.Failed(r);
  } else if (r.changes == 0) {
    // Nothing to send: no connection, no result, the register as it was.
    const std::string nothing =
        "Nie ma towar\xF3w do wys\xB3"
        "ania - zrezygnowano z po\xB3\xB9"
        "czenia z kas\xB9";
    bool said = false;
    for (const tvkhost::MessageLine& l : app.LastOutcome().lines) {
      said = said || l.text.find(nothing) != std::string::npos;
    }
    if (code != 0) problems.push_back("the export of no goods ended with " + std::to_string(code));
    if (!said) problems.push_back("the export of no goods did not say there was nothing to send");
    if (!app.LastResultPath().empty()) problems.push_back("a result was stored");
    checkRegister(false);
    catalog.Sent(r);
  } else if (!r.refused.empty()) {
    // A refused goods fails the export, and the back office is given no result.
    refused_ += static_cast<long long>(refused.size());
    if (code == 0) problems.push_back("the export ended well with goods the register refused");
    if (!app.LastResultPath().empty()) problems.push_back("a result was stored");
    if (refused != r.refused) {
      problems.push_back("refused: expected " + plus(r.refused) + ", the register " +
                         plus(refused));
    }
    catalog.Failed(r);
  } else {
    std::vector<std::string> errors;
    for (const tvkhost::MessageLine& l : app.LastOutcome().lines) {
      if (l.significance == 2) errors.push_back(l.text);
    }
    // Withdrawn goods are error lines of their own; the result is stored all the same.
    if (app.LastResultPath().empty()) {
      problems.push_back("no result was stored (exit " + std::to_string(code) + ")");
      problems.insert(problems.end(), errors.begin(), errors.end());
    }
    std::set<int> listed;
    for (const tvkhost::ResultLine& l : app.LastResult()) {
      if (l.koldod == 0) listed.insert(l.plu);
    }
    if (listed != r.sent) {
      problems.push_back("result: expected " + plus(r.sent) + ", stored " + plus(listed));
    }
    // The register holds exactly the goods the result lists, at the back office's prices.
    checkRegister(true);
    exportedGoods_ += static_cast<long long>(listed.size());
    catalog.Sent(r);
  }
  if (!problems.empty()) Differ(n, what, problems);
}

int Soak::Run() {
  if (!Setup()) {
    Print("soak: the registers could not be set up in " + o_.work + "\n");
    return 2;
  }
  for (long long n = 1; n <= o_.days; ++n) {
    Day(n);
    if (rng_.Chance(20)) ExportRound(n, static_cast<int>(rng_.Range(0, kDevices - 1)));
  }
  for (auto& app : apps_) app->Finish();
  renderer_->Flush();
  if (logFile_ != nullptr) std::fclose(logFile_);
  auto usage = [](const platform::ProcessUsage& u) {
    return std::to_string(u.memoryBytes >> 20) + " MB, " + std::to_string(u.handles) +
           " handles, " + std::to_string(u.threads) + " threads";
  };
  const bool grew = Grew();
  Print("soak: seed " + std::to_string(o_.seed) + "\n");
  Print("  days                " + std::to_string(o_.days) + "\n");
  Print("  operations          " + std::to_string(operations_) + "\n");
  Print("  documents rung up   " + std::to_string(documents_) + "\n");
  Print("  lines compared      " + std::to_string(lines_) + "\n");
  Print("  settings covered    " + std::to_string(settingsSeen_.size()) + "\n");
  Print("  exports             " + std::to_string(exports_) + ": goods taken " +
        std::to_string(exportedGoods_) + ", withdrawn " + std::to_string(withdrawn_) +
        ", refused " + std::to_string(refused_) + "\n");
  long long injected = 0;
  std::string kinds;
  for (const auto& [kind, count] : faultsInjected_) {
    injected += count;
    kinds += (kinds.empty() ? "" : ", ") + kind + " " + std::to_string(count);
  }
  Print("  faults injected     " + std::to_string(injected) +
        (kinds.empty() ? "" : " (" + kinds + ")") + "\n");
  Print("  imports repeated    " + std::to_string(retries_) + ", technician's steps " +
        std::to_string(technician_) + "\n");
  Print("  imports in the day  " + std::to_string(extraImports_["ordinary"]) + " ordinary, " +
        std::to_string(extraImports_["automatic"]) + " automatic; ports changed " +
        std::to_string(portChanges_) + "; daily reports between them " +
        std::to_string(reportsInDay_) + "\n");
  if (notStarted_ > 0 || importsNotStarted_ > 0) {
    Print("  not started         " + std::to_string(notStarted_) +
          " exports failed on a program the system did not start (sent anew next time), " +
          std::to_string(importsNotStarted_) +
          " imports during the day (the next import took the day)\n");
  }
  Print("  differences         " + std::to_string(differingDays_) + " days\n");
  if (samples_.size() < 2) {
    Print("  process usage       too few operations to judge (" + usage(platform::CurrentUsage()) +
          ")\n");
  } else {
    Print("  usage at start      " + usage(samples_.front()) + " (operation 100)\n");
    Print("  usage at end        " + usage(samples_.back()) + " (operation " +
          std::to_string(samples_.size() * 100) + ")" + (grew ? " - GREW" : " - flat") + "\n");
  }
  // A soak that compared nothing proves nothing: it must not pass.
  const bool compared = lines_ > 0 || o_.days < 10;
  if (!compared) Print("  NOTHING WAS COMPARED: the imports gave no lines\n");
  const bool clean = differingDays_ == 0 && !grew && compared;
  if (clean && !o_.keep) {
    // Nothing to look into: a folder of its own making goes.
    std::error_code ec;
    std::filesystem::remove_all(o_.work, ec);
  } else {
    Print("  work folder         " + o_.work + "\n");
  }
  if (grew || !compared) return 1;
  return differingDays_ == 0 ? 0 : 1;
}

int Usage() {
  std::fputs(
      "usage: trelvax_soak [--days N] [--seed S] [--receipts MAX] [--faults PERCENT]\n"
      "                    [--work DIR] [--lib LIBRARY] [--sim SIMULATOR_DIR] [--host TVKHOST]\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return Usage();
    const std::string v = argv[++i];
    if (a == "--days") {
      o.days = std::atoll(v.c_str());
    } else if (a == "--seed") {
      o.seed = std::strtoull(v.c_str(), nullptr, 10);
    } else if (a == "--receipts") {
      o.maxReceipts = std::atoi(v.c_str());
    } else if (a == "--faults") {
      o.faults = std::atoi(v.c_str());
    } else if (a == "--host") {
      o.host = v;
    } else if (a == "--lib") {
      o.lib = v;
    } else if (a == "--sim") {
      o.sim = v;
    } else if (a == "--work") {
      o.work = v;
    } else {
      return Usage();
    }
  }
  if (o.days < 0 || o.maxReceipts < 1 || o.faults < 0 || o.faults > 100) return Usage();
  // By default the driver and the simulator of the build this program belongs to.
  const std::string bin = platform::DirectoryOf(platform::ExecutablePath());
  const char sep = platform::kPathSeparator;
  if (o.lib.empty()) {
    o.lib = bin + sep + (tvkhost::IsWindowsProgram() ? "trelvax.dll" : "libtrelvax.so");
  }
  if (o.sim.empty()) o.sim = bin + sep + "elzab";
  if (o.host.empty())
    o.host = bin + sep + (tvkhost::IsWindowsProgram() ? "tvkhost.exe" : "tvkhost");
  if (o.work.empty()) {
    o.work = platform::TempDirectory() + "trelvax-soak-" +
             tvkhost::StampText(platform::Env::Default()->Now());
  } else {
    o.keep = true;
  }
  while (!o.work.empty() && (o.work.back() == '/' || o.work.back() == '\\')) o.work.pop_back();
  return Soak(o).Run();
}

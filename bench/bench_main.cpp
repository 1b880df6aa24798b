// Benchmarks of the goods export and the sales import, run from the optimised build by
// scripts/bench. Each benchmark times one thing (Google Benchmark's table shows them); the
// program then prints a summary a person can read and one "BENCH <name> <value>" line per
// figure for scripts:
//   export_read_100k_s     reading a 100 000-goods export file into the export buffer
//   export_read_vs_plain   that time / a plain getline-and-split of the same file
//   export_op_100k_s       operation -2 through the C interface, programs answering at once
//   export_scaling_10x     operation -2: 100 000 goods / 10 000 goods
//   import_1m_s            operation -3 in file mode on a 1 000 000-line method-4 buffer
//   import_port_vs_file    operation -3 on a port, the programs handing over that buffer and
//                          the counters at once, with the driver's records read and written /
//                          the same import in file mode
//   import_scaling_10x     operation -3: 1 000 000 lines / 100 000 lines
//   import_peak_rss_ratio  peak resident memory of that import / size of the buffer file
//   wire_share_export      operation -2 / the goods file's time on a 115 200-baud line
//   wire_share_import      operation -3 / the buffer file's time on a 115 200-baud line
// The driver's own pauses (20 ms now and then while reading the export file and writing the
// import file) are part of every time; their share is shown.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/Generators.h"
#include "exchange/KSExpBuf.h"
#include "host/DriverLibrary.h"
#include "platform/Env.h"
#include "testutil/RecordingHost.h"
#include "testutil/TempDir.h"

// ----- Counting the driver's pauses -------------------------------------------------------

namespace {
std::atomic<long long> g_sleeps{0};
std::atomic<long long> g_sleptNs{0};
}  // namespace

// Every sleep of this process, the loaded driver's included, passes here (the program exports
// the symbol, so the library's call binds to it) and is counted before it is slept.
extern "C" __attribute__((visibility("default"))) int nanosleep(const struct timespec* requested,
                                                                struct timespec* remaining) {
  using Fn = int (*)(const struct timespec*, struct timespec*);
  static const Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "nanosleep"));
  if (requested != nullptr) {
    ++g_sleeps;
    g_sleptNs += static_cast<long long>(requested->tv_sec) * 1000000000LL + requested->tv_nsec;
  }
  return real(requested, remaining);
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint64_t kSeed = 20261208;
constexpr int kGoodsSmall = 10000;
constexpr int kGoodsLarge = 100000;
constexpr int kLinesSmall = 100000;
constexpr int kLinesLarge = 1000000;
constexpr int kDistinctGoods = 50000;
constexpr int kSaleDates = 3;
constexpr double kBitsPerByte = 10;  // start, eight data bits, stop
constexpr double kBaud = 115200;

// What the benchmarks measured: the best time of each, and what came with it.
struct Measure {
  double seconds = 0;  // best of the iterations
  double cpu = 0;      // processor time of this thread in that iteration (no pauses, no programs)
  double slept = 0;    // seconds the driver paused in that iteration
  long long sleeps = 0;
  long long bytes = 0;  // the ELZAB file of the measure (goods file or receipt buffer)
};
std::map<std::string, Measure> g_measures;

void Record(const std::string& name, double seconds, double cpu, double slept, long long sleeps,
            long long bytes) {
  Measure& m = g_measures[name];
  if (m.seconds == 0 || seconds < m.seconds) m = Measure{seconds, cpu, slept, sleeps, bytes};
}

double ThreadCpuSeconds() {
  struct timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The generated inputs, made once before the benchmarks run.
struct Inputs {
  testutil::TempDir dir{"bench"};
  std::string exportSmall, exportLarge;  // host export files
  std::string bufferSmall, bufferLarge;  // method-4 receipt buffers
  std::string counters;                  // the sorted sales counters of the buffer's goods
  long long bufferSmallBytes = 0, bufferLargeBytes = 0;
};
Inputs* g_inputs = nullptr;

long long FileSize(const std::string& path) {
  std::ifstream f(path, std::ios::binary | std::ios::ate);
  return f ? static_cast<long long>(f.tellg()) : -1;
}

std::string LibraryPath() {
  return testutil::Join(testutil::BinDir(), "libtrelvax.so");
}

std::string InstantProgramsDir() {
  return testutil::Join(testutil::BinDir(), "instant-ecr");
}

// The loaded library and a host serving it, for one operation in a fresh exchange directory.
class Session {
 public:
  explicit Session(const tvkhost::DriverExports& x) : x_(x) { host.exchangeDir = dir.Path(); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session() {
    if (lib_ != nullptr) x_.ZwolnijBiblioteke(lib_);
  }
  void Register() {
    lib_ = x_.RejestrujBiblioteke(&host, nullptr, nullptr, nullptr);
    host.RegisterServices([this](void* f, int code) { x_.RejestrujCallback(lib_, f, code); });
  }
  int Operation(int code) {
    char session[512] = "benchmark";
    HTVKDLLSKSESJA handle = nullptr;
    return x_.SerKasOperacja(lib_, &host, &handle, session, code, 0);
  }
  bool Failed() const { return !host.ErrorTexts().empty(); }

  testutil::TempDir dir{"exch"};
  testutil::RecordingHost host;

 private:
  const tvkhost::DriverExports& x_;
  HTVKDLLLIB lib_ = nullptr;
};

tvkhost::DriverLibrary* g_driver = nullptr;

// One operation timed: its result, wall and thread-processor seconds, and the driver's pauses.
struct Timed {
  int result = 0;
  double seconds = 0, cpu = 0, slept = 0;
  long long sleeps = 0;
};

Timed TimeOperation(Session& s, int code) {
  Timed t;
  const long long sleeps = g_sleeps, slept = g_sleptNs;
  const double cpuStart = ThreadCpuSeconds();
  const auto start = Clock::now();
  t.result = s.Operation(code);
  t.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  t.cpu = ThreadCpuSeconds() - cpuStart;
  t.slept = static_cast<double>(g_sleptNs - slept) / 1e9;
  t.sleeps = g_sleeps - sleeps;
  return t;
}

void ExportParameters(testutil::RecordingHost& host) {
  host.params["ElzabSTXPort"] = "COM1";
  host.params["ElzabSTXExePath"] = InstantProgramsDir();
  host.params["ElzabSTXTimeout"] = "3";
  host.params["ElzabSTXRS232Speed"] = "5";
  host.params["ElzabSTXProtectExe"] = "1";
  host.params["RodzajTransmisji"] = "2";
}

void ImportParameters(testutil::RecordingHost& host) {
  host.params["ElzabSTXPort"] = "PLIK";
  host.params["ElzabSTXSaleBufferType"] = "0";  // method 4
  host.params["ElzabSTXSaleSource"] = "1";      // goods lines from the receipts
  host.params["ElzabSTXReceipts"] = "1";        // and the receipts themselves
  host.params["DataImportu"] = "2026-12-08";
}

// Puts `source` in the exchange directory under `name` without copying its bytes.
bool Place(const std::string& source, const std::string& target) {
  return link(source.c_str(), target.c_str()) == 0;
}

// ----- Benchmarks ---------------------------------------------------------------------------

void BM_ExportRead(benchmark::State& state) {
  const std::string& source = g_inputs->exportLarge;
  for (auto _ : state) {
    testutil::TempDir work("read");
    const std::string path = work.File("kasa.exp");
    Place(source, path);
    KSExpBuf buffer(nullptr);
    const long long sleeps = g_sleeps, slept = g_sleptNs;
    const double cpuStart = ThreadCpuSeconds();
    const auto start = Clock::now();
    buffer.ReadFromFile(path, false, -1);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = ThreadCpuSeconds() - cpuStart;
    state.SetIterationTime(seconds);
    if (buffer.il_rec != kGoodsLarge) state.SkipWithError("goods missing from the buffer");
    Record("export_read", seconds, cpu, static_cast<double>(g_sleptNs - slept) / 1e9,
           g_sleeps - sleeps, FileSize(source));
  }
}

void BM_PlainRead(benchmark::State& state) {
  const std::string& source = g_inputs->exportLarge;
  for (auto _ : state) {
    const double cpuStart = ThreadCpuSeconds();
    const auto start = Clock::now();
    std::ifstream in(source, std::ios::binary);
    std::string line;
    std::vector<std::string> words;
    long long count = 0;
    while (std::getline(in, line)) {
      words.clear();
      size_t from = 0;
      for (;;) {
        const size_t at = line.find(';', from);
        words.emplace_back(line, from, at == std::string::npos ? std::string::npos : at - from);
        if (at == std::string::npos) break;
        from = at + 1;
      }
      count += static_cast<long long>(words.size());
    }
    benchmark::DoNotOptimize(count);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = ThreadCpuSeconds() - cpuStart;
    state.SetIterationTime(seconds);
    Record("plain_read", seconds, cpu, 0, 0, FileSize(source));
  }
}

// The size of the goods file that the driver gave ZBPTowar, as the program noted it.
long long GoodsFileBytes(const std::string& exchangeDir) {
  std::ifstream log(exchangeDir + "instant-ecr.log", std::ios::binary);
  std::string name;
  long long size = -1;
  long long found = -1;
  while (log >> name >> size) {
    if (name == "zbptowar") found = size;
  }
  return found;
}

void BM_ExportOperation(benchmark::State& state) {
  const int goods = static_cast<int>(state.range(0));
  const std::string& source = goods == kGoodsLarge ? g_inputs->exportLarge : g_inputs->exportSmall;
  for (auto _ : state) {
    Session s(g_driver->Api());
    ExportParameters(s.host);
    Place(source, s.dir.File("kasa.exp"));
    s.Register();
    const Timed t = TimeOperation(s, -2);
    state.SetIterationTime(t.seconds);
    if (t.result != 0 || s.Failed()) {
      state.SkipWithError(("export failed: " + s.host.Dump()).c_str());
      break;
    }
    Record("export_op_" + std::to_string(goods), t.seconds, t.cpu, t.slept, t.sleeps,
           GoodsFileBytes(s.dir.Path()));
  }
}

void BM_ImportOperation(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  const std::string& source = lines == kLinesLarge ? g_inputs->bufferLarge : g_inputs->bufferSmall;
  for (auto _ : state) {
    Session s(g_driver->Api());
    ImportParameters(s.host);
    int stored = 0;
    s.host.onStore = [&stored](int code) {
      if (code == 17) ++stored;
    };
    Place(source, s.dir.File("opsproz4.out"));
    s.Register();
    const Timed t = TimeOperation(s, -3);
    state.SetIterationTime(t.seconds);
    if (t.result != 0 || s.Failed() || stored != kSaleDates) {
      state.SkipWithError(("import failed: " + s.host.Dump()).c_str());
      break;
    }
    Record("import_" + std::to_string(lines), t.seconds, t.cpu, t.slept, t.sleeps,
           FileSize(source));
  }
}

// The same import on a port: the register's programs answer at once with the buffer and the
// counters of its goods, and the driver keeps its records of what the host has.
void BM_ImportPort(benchmark::State& state) {
  const std::string& source = g_inputs->bufferLarge;
  for (auto _ : state) {
    Session s(g_driver->Api());
    ImportParameters(s.host);
    s.host.params["ElzabSTXPort"] = "COM1";
    s.host.params["ElzabSTXExePath"] = InstantProgramsDir();
    s.host.params["ElzabSTXTimeout"] = "3";
    s.host.params["ElzabSTXProtectExe"] = "1";
    int stored = 0;
    s.host.onStore = [&stored](int code) {
      if (code == 17) ++stored;
    };
    testutil::TempDir outputs("outputs");
    Place(source, outputs.File("opsproz4.out"));
    Place(g_inputs->counters, outputs.File("ospopmax_sort.out"));
    platform::SetEnvironmentValue("INSTANT_ECR_OUTPUTS", outputs.Path());
    s.Register();
    const Timed t = TimeOperation(s, -3);
    platform::SetEnvironmentValue("INSTANT_ECR_OUTPUTS", "");
    state.SetIterationTime(t.seconds);
    if (t.result != 0 || s.Failed() || stored != kSaleDates ||
        !platform::Env::Default()->FileExists(s.dir.File("przekazane.txt"))) {
      state.SkipWithError(("import failed: " + s.host.Dump()).c_str());
      break;
    }
    Record("import_port_" + std::to_string(kLinesLarge), t.seconds, t.cpu, t.slept, t.sleeps,
           FileSize(source));
  }
}

BENCHMARK(BM_ExportRead)
    ->Name("export/read_100k")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainRead)
    ->Name("export/plain_getline_100k")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportOperation)
    ->Name("export/operation")
    ->Arg(kGoodsSmall)
    ->Arg(kGoodsLarge)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportOperation)
    ->Name("import/operation")
    ->Arg(kLinesSmall)
    ->Arg(kLinesLarge)
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportPort)
    ->Name("import/operation_port_1m")
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

// ----- Peak memory of the import, in a process of its own -----------------------------------

// The peak resident size of this process in bytes (VmHWM): after exec it counts only what
// the new program touched, not the pages of the process that started it.
long long PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6)) * 1024;
  }
  return -1;
}

// Child mode: the import of the buffer in `exchangeDir`, then the peak written to "peak.txt".
int ImportOnce(const std::string& exchangeDir) {
  tvkhost::DriverLibrary driver;
  std::string error;
  if (!driver.Load(LibraryPath(), error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  const tvkhost::DriverExports& x = driver.Api();
  testutil::RecordingHost host;
  host.exchangeDir = exchangeDir;
  ImportParameters(host);
  HTVKDLLLIB lib = x.RejestrujBiblioteke(&host, nullptr, nullptr, nullptr);
  host.RegisterServices([&](void* f, int code) { x.RejestrujCallback(lib, f, code); });
  char session[512] = "benchmark";
  HTVKDLLSKSESJA handle = nullptr;
  const int result = x.SerKasOperacja(lib, &host, &handle, session, -3, 0);
  x.ZwolnijBiblioteke(lib);
  if (result != 0 || !host.ErrorTexts().empty()) {
    std::fprintf(stderr, "%s\n", host.Dump().c_str());
    return 3;
  }
  std::ofstream(exchangeDir + "peak.txt") << PeakResidentBytes() << "\n";
  return 0;
}

// Runs the import of the 1 000 000-line buffer in a child process; its peak resident bytes.
long long ImportPeakResident() {
  testutil::TempDir exchange("rss");
  Place(g_inputs->bufferLarge, exchange.File("opsproz4.out"));
  const platform::RunResult run = platform::Env::Default()->RunProgram(
      platform::ExecutablePath(), {"--import-once", exchange.Path()}, exchange.Path());
  if (!run.started || run.exitCode != 0) return -1;
  std::ifstream peak(exchange.File("peak.txt"));
  long long bytes = -1;
  peak >> bytes;
  return bytes;
}

// ----- Summary ------------------------------------------------------------------------------

// 0 when either side is missing.
double Ratio(double a, double b) {
  return a > 0 && b > 0 ? a / b : 0;
}

double WireSeconds(long long bytes) {
  return static_cast<double>(bytes) * kBitsPerByte / kBaud;
}

void PrintSummary(long long peakBytes) {
  const Measure& read = g_measures["export_read"];
  const Measure& plain = g_measures["plain_read"];
  const Measure& op10k = g_measures["export_op_" + std::to_string(kGoodsSmall)];
  const Measure& op100k = g_measures["export_op_" + std::to_string(kGoodsLarge)];
  const Measure& imp100k = g_measures["import_" + std::to_string(kLinesSmall)];
  const Measure& imp1m = g_measures["import_" + std::to_string(kLinesLarge)];
  const Measure& port1m = g_measures["import_port_" + std::to_string(kLinesLarge)];

  std::printf("\n%-40s %9s %9s %7s %12s\n", "measure (best run)", "seconds", "cpu s", "pauses",
              "pause share");
  auto row = [](const char* what, const Measure& m) {
    std::printf("%-40s %9.3f %9.3f %7lld %11.1f%%\n", what, m.seconds, m.cpu, m.sleeps,
                100 * Ratio(m.slept, m.seconds));
  };
  row("export file read, 100 000 goods", read);
  row("plain getline + split, same file", plain);
  row("export operation -2, 10 000 goods", op10k);
  row("export operation -2, 100 000 goods", op100k);
  row("import operation -3, 100 000 lines", imp100k);
  row("import operation -3, 1 000 000 lines", imp1m);
  row("import -3 on a port, 1 000 000 lines", port1m);
  std::printf("\n%-44s %14lld bytes\n", "export file (100 000 goods)", read.bytes);
  std::printf("%-44s %14lld bytes, %.0f s at 115 200 baud\n", "goods file for ZBPTowar",
              op100k.bytes, WireSeconds(op100k.bytes));
  std::printf("%-44s %14lld bytes, %.0f s at 115 200 baud\n", "receipt buffer (1 000 000 lines)",
              imp1m.bytes, WireSeconds(imp1m.bytes));
  std::printf("%-44s %14lld bytes\n", "import peak resident memory", peakBytes);
  std::printf("\n");

  const struct {
    const char* name;
    double value;
  } figures[] = {
      {"export_read_100k_s", read.seconds},
      {"export_read_vs_plain", Ratio(read.seconds, plain.seconds)},
      {"export_op_100k_s", op100k.seconds},
      {"export_scaling_10x", Ratio(op100k.seconds, op10k.seconds)},
      {"import_1m_s", imp1m.seconds},
      {"import_port_vs_file", Ratio(port1m.seconds, imp1m.seconds)},
      {"import_scaling_10x", Ratio(imp1m.seconds, imp100k.seconds)},
      {"import_peak_rss_ratio",
       Ratio(static_cast<double>(peakBytes), static_cast<double>(imp1m.bytes))},
      {"wire_share_export", Ratio(op100k.seconds, WireSeconds(op100k.bytes))},
      {"wire_share_import", Ratio(imp1m.seconds, WireSeconds(imp1m.bytes))},
  };
  // A figure whose measures were not run (a filter left them out) is not printed: a 0
  // would read as a figure well within any limit.
  for (const auto& f : figures) {
    if (f.value > 0) std::printf("BENCH %s %.6g\n", f.name, f.value);
  }
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--import-once") == 0) return ImportOnce(argv[2]);

  benchmark::Initialize(&argc, argv);
  Inputs inputs;
  g_inputs = &inputs;
  std::fprintf(stderr, "Generating the input files in %s ...\n", inputs.dir.Path().c_str());
  inputs.exportSmall = inputs.dir.File("kasa10k.exp");
  inputs.exportLarge = inputs.dir.File("kasa100k.exp");
  inputs.bufferSmall = inputs.dir.File("opsproz4-100k.out");
  inputs.bufferLarge = inputs.dir.File("opsproz4-1m.out");
  inputs.counters = inputs.dir.File("ospopmax_sort.out");
  std::string counters = "#1\r\n#\r\n#\r\n";
  for (int plu = 1; plu <= kDistinctGoods; ++plu) {
    counters += "$" + std::to_string(plu) + "\t20.000\t" + std::to_string(plu * 7) + "\r\n";
  }
  if (!WriteBytes(inputs.exportSmall, bench::ExportFile(kGoodsSmall, kSeed)) ||
      !WriteBytes(inputs.exportLarge, bench::ExportFile(kGoodsLarge, kSeed)) ||
      !WriteBytes(inputs.bufferSmall,
                  bench::ReceiptBuffer4(kLinesSmall, kDistinctGoods, kSaleDates, kSeed)) ||
      !WriteBytes(inputs.bufferLarge,
                  bench::ReceiptBuffer4(kLinesLarge, kDistinctGoods, kSaleDates, kSeed)) ||
      !WriteBytes(inputs.counters, counters)) {
    std::fprintf(stderr, "cannot write the input files\n");
    return 1;
  }

  tvkhost::DriverLibrary driver;
  std::string error;
  if (!driver.Load(LibraryPath(), error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  g_driver = &driver;

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // The child's import is as long as the benchmark's: only when that benchmark was asked for.
  const bool importRan = g_measures.count("import_" + std::to_string(kLinesLarge)) != 0;
  const long long peak = importRan ? ImportPeakResident() : -1;
  PrintSummary(peak);
  return 0;
}

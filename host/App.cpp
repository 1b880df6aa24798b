#include "host/App.h"

#include <cstdio>

#include "host/ParameterTable.h"
#include "host/Text.h"
#include "platform/Console.h"
#include "platform/Env.h"

namespace tvkhost {

namespace {
constexpr char kImportDateParameter[] = "DataImportu";
}  // namespace

std::string OperationName(int code) {
  switch (code) {
    case TVKDLL_OP_TEST_POLACZENIA:
      return "connection test";
    case TVKDLL_OP_EKSPORT:
      return "export";
    case TVKDLL_OP_IMPORT_SPRZEDAZY:
      return "sales import";
    case TVKDLL_OP_IMPORT_PARAGONU:
      return "receipt import";
    case TVKDLL_OP_EKSPORT_AUTO:
      return "automatic export";
    case TVKDLL_OP_IMPORT_AUTO:
      return "automatic import";
    case TVKDLL_OP_NASLUCH:
      return "listening";
    case TVKDLL_OP_DODATKOWA:
      return "additional function";
    case TVKDLL_OP_IMPORT_LICZNIKA:
      return "counter import";
    default:
      return "operation " + std::to_string(code);
  }
}

App::App(AppOptions options, MessageRenderer& renderer)
    : options_(std::move(options)), renderer_(renderer) {}

void App::Fail(const std::string& text) {
  renderer_.Flush();
  platform::WriteConsoleText(stderr, "tvkhost: " + Cp1250ToUtf8(text) + "\n");
  renderer_.LogOnly("tvkhost: " + text);
}

bool App::Prepare(bool needConfig) {
  std::string error;
  if (needConfig || platform::Env::Default()->FileExists(options_.configPath)) {
    if (!config_.Load(options_.configPath, error) ||
        !config_.SelectDevice(options_.device, error)) {
      Fail(error);
      return false;
    }
    haveConfig_ = true;
  }
  if (!driverLoaded_) {
    std::string lib = options_.libPath.empty() ? DefaultLibraryPath() : options_.libPath;
    if (!driver_.Load(lib, error)) {
      Fail(error);
      return false;
    }
    driverLoaded_ = true;
  }
  HostOptions hostOptions;
  hostOptions.langFile = options_.langFile;
  hostOptions.outDir = options_.outDir;
  if (hostOptions.outDir.empty()) {
    hostOptions.outDir =
        platform::DirectoryOf(options_.configPath) + platform::kPathSeparator + "tvkhost-out";
  }
  host_ = std::make_unique<Host>(config_, renderer_, hostOptions);
  if (!host_->Start(driver_, error)) {
    Fail(error);
    host_.reset();
    return false;
  }
  return true;
}

void App::Finish() {
  if (host_) host_->Stop();
  host_.reset();
}

int App::Params() {
  if (!Prepare(false)) return kExitSetup;
  const DriverExports& api = driver_.Api();
  Say("Parameters of " + driver_.Property(1) + " (" + driver_.Property(2) + "), " + driver_.Path());
  if (haveConfig_) Say("Values of device [" + config_.Device().section + "] in " + config_.Path());
  (void)api;
  int group = 0;
  for (const ParameterInfo& p : host_->Parameters().All()) {
    if (p.group != group) {
      group = p.group;
      Say("");
      Say("Group " + std::to_string(group) + ": " + ParameterTable::GroupTitle(group));
    }
    std::string head = "  " + p.name + "  (" + ParameterTable::TypeName(p.type) + ", default \"" +
                       p.defaultValue + "\"" + (p.flag != 0 ? ", flag 1" : "") + ")";
    Say(head);
    Say("      " + p.description);
    if (!p.listTexts.empty()) {
      std::string list = "      choices:";
      size_t longest = 0;
      for (size_t i = 0; i < p.listTexts.size(); ++i) {
        list += (i > 0 ? "," : "") + std::string(" ") + std::to_string(i) + " \"" + p.listTexts[i] +
                "\"";
        if (p.listTexts[i].size() > longest) longest = p.listTexts[i].size();
      }
      if (list.size() <= 96 || longest < 8) {
        Say(list);
      } else {
        // Long texts read better one under the other.
        Say("      choices:");
        for (size_t i = 0; i < p.listTexts.size(); ++i) {
          Say("        " + std::to_string(i) + " \"" + p.listTexts[i] + "\"");
        }
      }
    }
    std::string value;
    if (haveConfig_ && config_.Parameter(p.name, value)) {
      Say("      set to \"" + value + "\" (the driver reads \"" +
          host_->ParameterValue(p.name, kFirstGroup - p.group) + "\")");
    }
  }
  Finish();
  return kExitOk;
}

int App::Props() {
  if (!Prepare(false)) return kExitSetup;
  const DriverExports& api = driver_.Api();
  Say("Driver " + driver_.Path());
  Say("  library type: " + std::to_string(api.TypBiblioteki()));
  const int codes[] = {1, 2, 3, 102, 103, 104, 105};
  for (int code : codes) {
    std::vector<std::string> lines = SplitLines(driver_.Property(code));
    if (lines.empty()) lines.push_back("");
    Say("  property " + std::to_string(code) + ": " + lines[0]);
    for (size_t i = 1; i < lines.size(); ++i) Say("      " + lines[i]);
  }
  char window[TVKDLL_TEXT_SIZE + 1] = {0};
  BOOL hasWindow = api.SerKasOpisOkna(window, 0);
  Say(std::string("  window 0: ") + (hasWindow ? FromBuffer(window) : "none"));
  if (!haveConfig_) {
    Say("No configuration (" + options_.configPath + "): device properties not shown");
    Finish();
    return kExitOk;
  }
  Say("Device [" + config_.Device().section + "] of " + config_.Path());
  for (int code = 1101; code <= 1104; ++code) {
    Say("  device property " + std::to_string(code) + ": \"" + host_->DeviceProperty(code) + "\"");
  }
  Say("  shared resource: \"" + host_->SharedResourceName() + "\"");
  int reportNo = 0, second = 0, receiptNo = 0;
  bool search = host_->ReceiptSearch(reportNo, second, receiptNo);
  Say(search ? "  receipt search: report " + std::to_string(reportNo) + ", " +
                   std::to_string(second) + ", receipt " + std::to_string(receiptNo)
             : std::string("  receipt search: not offered"));
  Finish();
  return kExitOk;
}

int App::Operation(int code, int parameter) {
  if (!host_ && !Prepare(true)) return kExitSetup;
  const DeviceConfig& d = config_.Device();
  Say("tvkhost: " + OperationName(code) + " (" + std::to_string(code) + ") on [" + d.section + "]" +
      (d.deviceName.empty() ? "" : " \"" + d.deviceName + "\"") + ", exchange directory " +
      d.exchangeDir);
  Host::ClearAbort();
  last_ = host_->RunOperation(code, parameter);
  if (Host::AbortRequested()) Say("tvkhost: stop requested (Ctrl+C)");
  // The result code alone says nothing of success (a failed operation may return 0): the
  // error lines do.
  if (last_.errorLines == 0) {
    Say("tvkhost: " + OperationName(code) + " succeeded: no error lines (result " +
        std::to_string(last_.result) + ")");
  } else {
    Say("tvkhost: " + OperationName(code) + " FAILED: " + std::to_string(last_.errorLines) +
        " error line" + (last_.errorLines == 1 ? "" : "s") + " (result " +
        std::to_string(last_.result) + ", exit code 1)");
  }
  return last_.errorLines == 0 ? kExitOk : kExitErrors;
}

int App::Export() {
  lastResultPath_.clear();
  lastResult_.clear();
  lastExportFile_ = ExportFile();
  if (!host_ && !Prepare(true)) return kExitSetup;
  platform::Env* env = platform::Env::Default();
  const std::string& exchange = config_.Device().exchangeDir;
  const std::string target = exchange + kExportFileName;
  std::string bytes;
  if (!options_.exportFile.empty()) {
    if (!env->FileExists(options_.exportFile) || !ReadFileBytes(options_.exportFile, bytes)) {
      Fail("cannot read the export file " + options_.exportFile + ": " +
           platform::FileErrorReason(options_.exportFile));
      return kExitSetup;
    }
    if (!env->MakeDirectories(exchange) || !WriteFileBytes(target, bytes)) {
      Fail("cannot copy the export file to " + target + ": " + platform::FileErrorReason(target));
      return kExitSetup;
    }
    Say("tvkhost: export file " + options_.exportFile + " copied to " + target);
  } else if (!env->FileExists(target) || !ReadFileBytes(target, bytes)) {
    Fail("no export file: " + target + " does not exist (name one with --file PATH)");
    return kExitSetup;
  }
  lastExportFile_ = ReadExportFile(bytes);

  const int code = Operation(TVKDLL_OP_EKSPORT, 0);

  ExportFacts facts;
  facts.exportPath = target;
  facts.file = lastExportFile_;
  facts.outcome = last_;
  for (const std::string& path : last_.stored) {
    std::string result;
    if (platform::FileNameOf(path).rfind("wynik", 0) == 0 && ReadFileBytes(path, result)) {
      lastResultPath_ = path;
      lastResult_ = ReadResultFile(result);
    }
  }
  facts.translated = !options_.langFile.empty();
  facts.resultPath = lastResultPath_;
  facts.result = lastResult_;
  // The list shows at most 20 lines of the goods log; the whole log is in the exchange
  // directory, rewritten by every export that gets as far as reading its file.
  if (ShowsGoodsLog(last_.lines)) {
    std::string log;
    std::vector<std::string> logLines;
    if (ReadFileBytes(exchange + kGoodsLogName, log)) {
      logLines = SplitLines(log);
    } else {
      for (const MessageLine& l : last_.lines) logLines.push_back(l.text);
    }
    facts.problems = ReadGoodsProblems(logLines);
  }
  for (const std::string& line : ExportSummary(facts)) Say(line);
  return code;
}

int App::Import(int operation) {
  lastImports_.clear();
  if (!host_ && !Prepare(true)) return kExitSetup;
  // The driver reads the day to import from "DataImportu"; a technician means today unless
  // told otherwise, whatever the configuration keeps.
  const std::string date =
      options_.importDate.empty() ? DateText(platform::Env::Default()->Now()) : options_.importDate;
  host_->SetOverride(kImportDateParameter, date);
  Say("tvkhost: sales of " + date + " (" + kImportDateParameter + ")");
  const int code = Operation(operation, 0);
  for (const std::string& path : last_.stored) {
    std::string bytes;
    if (platform::FileNameOf(path).rfind("kasa", 0) == 0 && ReadFileBytes(path, bytes)) {
      lastImports_.push_back(StoredImport{path, ReadImportFile(bytes)});
    }
  }
  for (const std::string& line : ImportSummary(lastImports_, last_)) Say(line);
  return code;
}

bool IsIsoDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  int y = std::stoi(text.substr(0, 4));
  int m = std::stoi(text.substr(5, 2));
  int d = std::stoi(text.substr(8, 2));
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1900 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1]) return false;
  return !(m == 2 && d == 29 && !(y % 4 == 0 && (y % 100 != 0 || y % 400 == 0)));
}

}  // namespace tvkhost

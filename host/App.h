// The commands of tvkhost, run the way a back office runs the driver.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/DriverLibrary.h"
#include "host/ExportReport.h"
#include "host/Host.h"
#include "host/HostConfig.h"
#include "host/ImportReport.h"
#include "host/MessageRenderer.h"

namespace tvkhost {

struct AppOptions {
  std::string configPath = "tvkhost.ini";
  std::string device;   // empty: the first section
  std::string libPath;  // empty: beside this program
  std::string outDir;   // empty: tvkhost-out beside the configuration
  std::string langFile;
  std::string simDir;      // demo: the simulator's programs; empty: <bin>/elzab
  bool keep = false;       // demo: keep its folder even when all went well
  std::string exportFile;  // export: copied into the exchange directory as kasa.exp
  std::string importDate;  // import: "DataImportu" for the run, "2026-12-08"; empty: today
};

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitErrors = 1;  // the operation reported error lines
inline constexpr int kExitSetup = 2;   // bad command line, configuration or library

class App {
 public:
  App(AppOptions options, MessageRenderer& renderer);

  int Params();
  int Props();
  // Runs operation `code`; the exit code tells whether it ended without error lines.
  int Operation(int code, int parameter);
  // The export (operation -2) of the export file named in the options (copied into the
  // exchange directory first) or of the one already there, ended by a summary.
  int Export();
  // The sales import (operation -3, or `code`: -6 the automatic one) of the day in the
  // options (today when none), ended by a summary of every import file the host stored.
  int Import(int code = TVKDLL_OP_IMPORT_SPRZEDAZY);
  // Gives the driver `value` for parameter `name` in the operations that follow, whatever
  // the configuration keeps (after Prepare).
  void SetParameter(const std::string& name, const std::string& value) {
    if (host_) host_->SetOverride(name, value);
  }
  // The day the next Import reads ("2026-12-08"); empty: today.
  void SetImportDate(const std::string& date) { options_.importDate = date; }
  // The outcome of the last Operation.
  const OperationOutcome& LastOutcome() const { return last_; }
  const Host* CurrentHost() const { return host_.get(); }
  const HostConfig& Config() const { return config_; }
  // The export result stored by the last Export, and what it lists; empty when none.
  const std::string& LastResultPath() const { return lastResultPath_; }
  const std::vector<ResultLine>& LastResult() const { return lastResult_; }
  const ExportFile& LastExportFile() const { return lastExportFile_; }
  // The import files stored by the last Import, and what they hold.
  const std::vector<StoredImport>& LastImports() const { return lastImports_; }

  // Loads the library and registers it (and, with `needConfig`, the configuration and the
  // device first). False after a one-line message.
  bool Prepare(bool needConfig);
  // Releases the library.
  void Finish();
  // A one-line message of tvkhost's own.
  void Say(const std::string& text) { renderer_.Note(text); }
  void Fail(const std::string& text);

 private:
  AppOptions options_;
  MessageRenderer& renderer_;
  HostConfig config_;
  bool haveConfig_ = false;
  DriverLibrary driver_;
  bool driverLoaded_ = false;
  std::unique_ptr<Host> host_;
  OperationOutcome last_;
  std::string lastResultPath_;
  std::vector<ResultLine> lastResult_;
  ExportFile lastExportFile_;
  std::vector<StoredImport> lastImports_;
};

// True for a date "YYYY-MM-DD" of a real calendar day.
bool IsIsoDate(const std::string& text);

// A person's name for an operation code.
std::string OperationName(int code);

}  // namespace tvkhost

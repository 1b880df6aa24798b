// The commands of tvkhost, run the way a back office runs the driver.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/DriverLibrary.h"
#include "host/Host.h"
#include "host/HostConfig.h"
#include "host/MessageRenderer.h"

namespace tvkhost {

struct AppOptions {
  std::string configPath = "tvkhost.ini";
  std::string device;   // empty: the first section
  std::string libPath;  // empty: beside this program
  std::string outDir;   // empty: tvkhost-out beside the configuration
  std::string langFile;
  std::string simDir;  // demo: the simulator's programs; empty: <bin>/elzab
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
  // The outcome of the last Operation.
  const OperationOutcome& LastOutcome() const { return last_; }
  const Host* CurrentHost() const { return host_.get(); }
  const HostConfig& Config() const { return config_; }

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
};

// A person's name for an operation code.
std::string OperationName(int code);

}  // namespace tvkhost

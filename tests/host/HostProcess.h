// Runs tvkhost as a process, the way a technician or an end-to-end test does, and reads what
// it showed from its log (UTF-8 there, Windows-1250 here so that it compares with literals).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/DriverLibrary.h"
#include "host/MessageRenderer.h"
#include "host/Text.h"
#include "platform/Env.h"
#include "testutil/TempDir.h"

namespace tvkhost {

struct HostRun {
  int exitCode = -1;
  std::string log;  // Windows-1250
};

inline std::string BinFile(const std::string& name) {
  return testutil::Join(testutil::BinDir(), name);
}

inline std::string TvkhostPath() {
  return BinFile(IsWindowsProgram() ? "tvkhost.exe" : "tvkhost");
}

inline std::string LibraryFile(const std::string& base) {
  return BinFile(IsWindowsProgram() ? base + ".dll" : base + ".so");
}

// Runs tvkhost with `args` in `dir`, its log in `logPath`.
inline HostRun RunHost(const std::vector<std::string>& args, const std::string& dir,
                       const std::string& logPath) {
  std::vector<std::string> full = {"--log", logPath};
  full.insert(full.end(), args.begin(), args.end());
  platform::RunResult r = platform::Env::Default()->RunProgram(TvkhostPath(), full, dir);
  HostRun run;
  EXPECT_TRUE(r.started) << r.error;
  run.exitCode = static_cast<int>(r.exitCode);
  run.log = Utf8ToCp1250(testutil::ReadFile(logPath));
  return run;
}

inline bool HasLine(const std::string& log, const std::string& line) {
  for (const std::string& l : SplitLines(log)) {
    if (Trim(l) == line) return true;
  }
  return false;
}

}  // namespace tvkhost

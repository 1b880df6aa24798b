// tvkhost run as a process against the real driver and, where it takes part, the register
// simulator's programs.
#include "HostProcess.h"

namespace tvkhost {
namespace {

#ifdef TVKHOST_TEST_DRIVER
constexpr bool kHaveDriver = true;
#else
constexpr bool kHaveDriver = false;
#endif

TEST(TvkhostWithDriver, ParamsListsThePortWithItsElevenListTexts) {
  if (!kHaveDriver) GTEST_SKIP() << "the driver library is not part of this build";
  testutil::TempDir dir("tvkparams");
  HostRun run = RunHost({"--config", dir.File("none.ini"), "--lib",
                         LibraryFile(IsWindowsProgram() ? "trelvax" : "libtrelvax"), "params"},
                        dir.Path(), dir.File("log.txt"));
  EXPECT_EQ(run.exitCode, 0) << run.log;
  EXPECT_NE(run.log.find("ElzabSTXPort  (port, default \"PLIK\")"), std::string::npos) << run.log;
  EXPECT_NE(
      run.log.find("choices: 0 \"PLIK\", 1 \"COM1\", 2 \"COM2\", 3 \"COM3\", 4 \"COM4\", "
                   "5 \"COM5\", 6 \"COM6\", 7 \"COM7\", 8 \"COM8\", 9 \"COM9\", 10 \"LAN\"\n"),
      std::string::npos)
      << run.log;
  EXPECT_NE(run.log.find("Złącze"), std::string::npos);
}

}  // namespace
}  // namespace tvkhost

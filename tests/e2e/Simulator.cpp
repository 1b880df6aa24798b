#include "e2e/Simulator.h"

#include "host/Text.h"

namespace e2e {

std::string SimulatorDir() {
  return testutil::Join(testutil::BinDir(), "elzab");
}

void SimulatorTest::SetUp() {
  DriverTest::SetUp();
  platform::SetEnvironmentValue("ELZABSIM_STATE", state.Path());
}

void SimulatorTest::TearDown() {
  platform::SetEnvironmentValue("ELZABSIM_STATE", "");
  DriverTest::TearDown();
}

void SimulatorTest::Ecrsim(const std::vector<std::string>& args) {
#ifdef _WIN32
  const std::string program = testutil::Join(SimulatorDir(), "ecrsim.exe");
#else
  const std::string program = testutil::Join(SimulatorDir(), "ecrsim");
#endif
  std::vector<std::string> all = {"--state", state.Path()};
  all.insert(all.end(), args.begin(), args.end());
  platform::RunResult r = platform::Env::Default()->RunProgram(program, all, state.Path());
  ASSERT_TRUE(r.started) << program << ": " << r.error;
  ASSERT_EQ(r.exitCode, 0u) << "ecrsim " << args.at(0);
}

std::string SimulatorTest::EcrsimShow(const std::string& port,
                                      const std::vector<std::string>& sections) {
  const std::string listing = state.File("show.txt");
  std::vector<std::string> args = {"--output", listing, "show", "--port", port};
  args.insert(args.end(), sections.begin(), sections.end());
  Ecrsim(args);
  return tvkhost::Utf8ToCp1250(testutil::ReadFile(listing));
}

void SimulatorTest::LoadGoods(const std::string& goods) {
  testutil::TempDir work("goods");
  testutil::WriteFile(work.File("KONFIG.TXT"), "$1\tCOM1:115200:STX0:1\t3\r\n");
  testutil::WriteFile(work.File("zbptowar.in"), goods);
  platform::RunResult r = platform::Env::Default()->RunProgram(
      testutil::Join(SimulatorDir(), "ZBPTowar.exe"),
      {work.File("zbptowar.in"), work.File("zbptowar.out")}, work.Path());
  ASSERT_TRUE(r.started) << r.error;
  ASSERT_EQ(r.exitCode, 0u) << testutil::ReadFile(work.File("RAPORT.TXT"));
}

void SimulatorTest::UseRegister(const std::string& port, const std::string& programs) {
  host.params["ElzabSTXPort"] = port;
  host.params["ElzabSTXExePath"] = programs;
  host.params["ElzabSTXTimeout"] = "3";
  host.params["ElzabSTXRS232Speed"] = "5";
  host.params["ElzabSTXProtectExe"] = "1";
}

}  // namespace e2e

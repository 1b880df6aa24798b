// The register simulator's programs as real processes, for end-to-end tests.
#pragma once

#include <string>
#include <vector>

#include "e2e/Driver.h"

namespace e2e {

// The folder of the simulator's programs (ELZAB's program names) in the build.
std::string SimulatorDir();

// A driver test against a simulated register: its own register state folder, and the
// host's parameters pointing the driver at the simulator's programs.
class SimulatorTest : public DriverTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Runs ecrsim with `args`; the test fails when it does not exit 0.
  void Ecrsim(const std::vector<std::string>& args);
  // What `ecrsim show` prints of the register on `port` (the sections named, for example
  // "goods", "units"), as Windows-1250 text so that it compares with the test's literals.
  std::string EcrsimShow(const std::string& port, const std::vector<std::string>& sections);
  // Programs `goods` (ZBPTowar.exe's input: the header and 16-field records) straight into
  // the register on COM1, as a shop's earlier export did; the test fails when it refuses any.
  void LoadGoods(const std::string& goods);
  // The driver's parameters for a register on `port` with the programs in `programs`.
  void UseRegister(const std::string& port, const std::string& programs = SimulatorDir());

  // Named in Polish with a blank: the simulator finds its registers and scenarios there
  // through the system's own encoding of paths and command lines.
  testutil::TempDir state{"stan kas ż"};
};

}  // namespace e2e

// Shared set-up of the simulator's tests: a state directory and an exchange directory per
// test, and helpers that run the simulator's programs as real processes, as the driver does.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Env.h"
#include "testutil/TempDir.h"

namespace simtest {

// The three header lines every driver-written input starts with, for register number 1.
inline const std::string kHeader = "#1\r\n#\r\n#\r\n";
// KONFIG.TXT for register 1 on COM2 at 9600 with a timeout of 10 seconds.
inline const std::string kKonfigCom2 = "$1\tCOM2:9600:STX0:1\t10\r\n";

// Text as UTF-8 bytes (what ecrsim prints and reads), whatever the execution character set.
inline std::string U8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetEnvironmentValue("ELZABSIM_STATE", state_.Path());
    Konfig(kKonfigCom2);
  }
  void TearDown() override { platform::SetEnvironmentValue("ELZABSIM_STATE", ""); }

  static std::string SimDir() { return testutil::Join(testutil::BinDir(), "elzab"); }

  // Runs ecrsim with `args` in the exchange directory; returns its exit code.
  int Ecrsim(const std::vector<std::string>& args) {
    std::string path = testutil::Join(SimDir(), "ecrsim.exe");
    if (!testutil::Exists(path)) path = testutil::Join(SimDir(), "ecrsim");
    platform::RunResult r = platform::Env::Default()->RunProgram(path, args, ex_.Path());
    EXPECT_TRUE(r.started) << r.error;
    return static_cast<int>(r.exitCode);
  }

  // Runs one of the ELZAB programs with the given arguments; returns its exit code.
  int Run(const std::string& program, const std::vector<std::string>& args) {
    platform::RunResult r =
        platform::Env::Default()->RunProgram(testutil::Join(SimDir(), program), args, ex_.Path());
    EXPECT_TRUE(r.started) << r.error;
    return static_cast<int>(r.exitCode);
  }

  // Runs a program with the input `base`.in (written from `body` after the header, as the
  // driver writes it) and, when `withOutput`, the output `base`.out.
  int RunWith(const std::string& program, const std::string& base, const std::string& body,
              bool withOutput = true) {
    testutil::WriteFile(ex_.File(base + ".in"), kHeader + body);
    std::vector<std::string> args{ex_.File(base + ".in")};
    if (withOutput) args.push_back(ex_.File(base + ".out"));
    return Run(program, args);
  }

  void Create(const std::string& model = "Sigma", const std::vector<std::string>& more = {}) {
    std::vector<std::string> args{"create",  "--port",          "COM2", "--model", model,
                                  "--clock", "2026-12-08T08:00"};
    args.insert(args.end(), more.begin(), more.end());
    ASSERT_EQ(0, Ecrsim(args));
  }

  // What `ecrsim show` prints for these sections.
  std::string Show(const std::string& section) {
    std::string out = ex_.File("show.txt");
    EXPECT_EQ(0, Ecrsim({"--output", out, "show", "--port", "COM2", section}));
    return testutil::ReadFile(out);
  }

  // Rings up a scenario given as text.
  int Sell(const std::string& scenario) {
    testutil::WriteFile(ex_.File("scenario.txt"), scenario);
    return Ecrsim({"sell", "--port", "COM2", ex_.File("scenario.txt")});
  }

  void Konfig(const std::string& bytes) { testutil::WriteFile(ex_.File("KONFIG.TXT"), bytes); }
  std::string Read(const std::string& name) { return testutil::ReadFile(ex_.File(name)); }

  // Line `n` (from 1) of RAPORT.TXT, without its line end.
  std::string ReportLine(size_t n) {
    std::string text = Read("RAPORT.TXT");
    size_t start = 0;
    for (size_t i = 1; i < n; ++i) {
      start = text.find("\r\n", start);
      if (start == std::string::npos) return "<no line " + std::to_string(n) + ">";
      start += 2;
    }
    return text.substr(start, text.find("\r\n", start) - start);
  }

  testutil::TempDir state_{"simstate"};
  testutil::TempDir ex_{"simex"};
};

// A goods record as the driver writes it: 16 tab-separated fields after "$", CR LF.
inline std::string GoodsRecord(int plu, const std::string& name852, int vat, long long price,
                               const std::string& barcode = "", int package = 0, int packagePlu = 0,
                               int precision = 0, int unit = 0, int group = 1) {
  return "$" + std::to_string(plu) + "\t" + name852 + "\t" + std::to_string(vat) + "\t" +
         std::to_string(group) + "\t" + std::to_string(precision) + "\t" + std::to_string(unit) +
         "\t0\t" + barcode + "\t" + std::to_string(price) + "\t" + std::to_string(package) +
         "\t1\t1\t0\t1\t \t" + std::to_string(packagePlu) + "\r\n";
}

}  // namespace simtest

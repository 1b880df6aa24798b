// What the driver reads and writes is the same whatever locale the host switched its process
// to: each operation runs in the C locale and again under a decimal-comma one, and every byte
// that the host's message list, the register's programs and the exchange directory see must be
// equal.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "hostlib/Exceptions.h"
#include "testutil/DecimalComma.h"
#include "testutil/DriverFixture.h"

namespace {

using testutil::ReadFile;
using testutil::WriteFile;

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A goods line of the host's export file, with prices in decimals.
std::string Goods(int plu, const std::string& prices, const std::string& status) {
  const std::string n = std::to_string(plu);
  return "PLU;" + n + ";0;" + n + ";Towar " + n + ";" + prices + ";23;0;F;3;T;F;F;0;;3;" + status +
         "\r\n";
}

const std::string kExportFile = "VAT;23\r\nVAT;8.5\r\nEURO;43125\r\nJM;3;kg;3\r\n" +
                                Goods(1, "450.6;400.4;420.5;430.49", "DOD") +
                                Goods(2, "1.5;2.5;0.5;1234.5", "CEN") +
                                Goods(3, "12.75;0;0;0", "AKT") + Goods(4, "9.99;0;0;0", "USU");

class DecimalComma : public testutil::DriverFixture {
 protected:
  void SetUp() override {
    host.params = {
        {"ElzabSTXPort", "COM2"},       {"ElzabSTXExePath", "/elzab"}, {"ElzabSTXRS232Speed", "2"},
        {"ElzabSTXTimeout", "15"},      {"ElzabSTXPrgEuro", "1"},      {"ElzabSTXPrgPayments", "1"},
        {"ElzabSTXIPAddr", "10.0.0.5"}, {"ElzabSTXIPPort", "1001"},    {"ElzabSTXIPAuth", "tajne"},
        {"ElzabSTXIPTimeout", "2500"},  {"ElzabSTXIPRet", "3"}};
    Register();
  }

  // Runs one operation as the host does, the register's programs scripted, in a clean
  // exchange directory; everything the host, the programs and the directory saw, as text.
  std::string Operation(int code) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path(), ec)) {
      std::filesystem::remove_all(entry.path(), ec);
    }
    host.messages.clear();
    host.events.clear();
    if (code == -2) WriteFile(dir.File("kasa.exp"), kExportFile);
    std::string seen;
    env.onRun = [this, &seen](const platform::FakeEnv::Run& run) {
      const std::string program = BaseName(run.program);
      seen += "run " + program + "\n" + ReadFile(run.args[0]) + "\n";
      platform::RunResult r;
      r.started = true;
      if (program == failingProgram) {
        WriteFile(dir.File("RAPORT.TXT"), "RAPORT\r\n$21;\r\n");
        r.exitCode = 1;
      } else if (program == "OTypUrz.exe") {
        WriteFile(run.args[1], "#1\r\n#\r\n#\r\n$1\t1\tABC123\tSigma\t50000\t4\t02.12\r\n");
      } else if (program == "OPodatek.exe") {
        WriteFile(run.args[1], "$23,00\t8,00\t5,00\t0,00\tZWOLNIONA\tREZERWA\t8,50\r\n");
      } else if (program == "ZBPTowar.exe") {
        WriteFile(run.args[1], "ZBPTowar\r\n$3\t14\r\n");
      }
      return r;
    };
    auto action = Action();
    HTVKDLLSRODOWISKO environment;
    environment.Wynik = -1;
    try {
      action->Operacja(&environment, code, 0);
    } catch (const std::exception& e) {
      action->OstatecznePrzechwycenieBledu("test", &e);
    }
    seen += "Wynik " + std::to_string(environment.Wynik) + "\n" + host.Dump();
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path(), ec)) {
      files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    for (const std::string& name : files) {
      seen += "file " + name + "\n" + ReadFile(dir.File(name)) + "\n";
    }
    return seen;
  }

  // The same operation in the C locale and in a decimal-comma one; the C locale's account.
  std::string InBothLocales(int code) {
    const std::string inC = Operation(code);
    EXPECT_NO_FATAL_FAILURE(testutil::SwitchToDecimalComma());
    EXPECT_EQ(Operation(code), inC);
    return inC;
  }

  static bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }

  std::string failingProgram;
  testutil::CLocaleAfterwards restore_;
};

}  // namespace

TEST_F(DecimalComma, TheConnectionTestOverASerialPortIsTheSame) {
  const std::string seen = InBothLocales(-1);
  EXPECT_TRUE(Has(seen, "file KONFIG.TXT\n$1\tCOM2:19200:STX0:1\t15\r\n")) << seen;
  EXPECT_TRUE(Has(seen, "Numer wersji programu kasy: 02.12\n")) << seen;
  EXPECT_TRUE(Has(seen, "Rozpoznano model: Sigma [ Ilość PLU:50000 | Długość nazwy towaru:48 ]"))
      << seen;
  EXPECT_TRUE(Has(seen, "Wynik 0\n")) << seen;
}

TEST_F(DecimalComma, TheConnectionTestOverTheNetworkIsTheSame) {
  host.params["ElzabSTXPort"] = "LAN";
  const std::string seen = InBothLocales(-1);
  EXPECT_TRUE(Has(seen,
                  "file KONFIG.TXT\n$1\tCOM1:115200:STX6:1\t15\tElzab\t"
                  "AnyString:3001:10.0.0.5:1001:tajne:2500:3\r\n"))
      << seen;
  EXPECT_TRUE(Has(seen, "Wynik 0\n")) << seen;
}

TEST_F(DecimalComma, AConnectionTestThatTheRegisterRefusesIsReportedTheSame) {
  failingProgram = "OTypUrz.exe";
  const std::string seen = InBothLocales(-1);
  EXPECT_TRUE(Has(seen, "Błąd [21]")) << seen;
  EXPECT_TRUE(Has(seen, "Wynik -1\n")) << seen;
}

TEST_F(DecimalComma, TheExportReadsAndWritesPricesAndTheEuroRateTheSame) {
  const std::string seen = InBothLocales(-2);
  // Prices 450.6 and 12.75 rounded to whole numbers: a decimal comma would read 450 and 12.
  EXPECT_TRUE(Has(seen, "$1\tTowar 1\t1\t3\t3\t0\t0\t1\t451\t")) << seen;
  EXPECT_TRUE(Has(seen, "$3\tTowar 3\t1\t3\t3\t0\t0\t3\t13\t")) << seen;
  // The euro rate 4.3125 with two decimals; the register wants a comma there, and the
  // driver puts it in itself.
  EXPECT_TRUE(Has(seen, "$2\t4,31\tEUR\r\n")) << seen;
  EXPECT_TRUE(Has(seen, "file wynik.exp\nPLU;1;0;1;DOD\r\n")) << seen;
}

// Two threads of a back office at once: operations on two devices, and a library opened and
// freed while another device's operation runs. Run under ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "e2e/Simulator.h"
#include "e2e/TwoGoods.h"

using e2e::Buffer;
using e2e::ExportFile;
using e2e::kDay;
using e2e::kGoods;

class Threads : public e2e::SimulatorTest {};

namespace {

// One device of the back office: its host, exchange directory and library.
struct Device {
  testutil::RecordingHost host;
  testutil::TempDir dir{"device"};
  HTVKDLLLIB lib = nullptr;
  std::vector<std::string> storedResults;  // wynik.exp at each store
  std::vector<std::string> storedImports;  // kasa.imp at each store
  int exportResult = -1, importResult = -1;
};

// Sets a device up for the register on `port`, with an export file of goods `first` and
// `first + 1`, and registers a library for it.
void SetUpDevice(const e2e::Exports& x, Device& d, const char* port, int first) {
  d.host.exchangeDir = d.dir.Path();
  d.host.params["ElzabSTXPort"] = port;
  d.host.params["ElzabSTXExePath"] = e2e::SimulatorDir();
  d.host.params["ElzabSTXTimeout"] = "3";
  d.host.params["ElzabSTXProtectExe"] = "0";  // the two devices' programs run at once
  d.host.params["DataImportu"] = "2026-12-08";
  d.host.params["ElzabSTXSaleSource"] = "0";
  d.host.onStore = [&d](int code) {
    if (code == 16) d.storedResults.push_back(testutil::ReadFile(d.dir.File("wynik.exp")));
    if (code == 17) d.storedImports.push_back(testutil::ReadFile(d.dir.File("kasa.imp")));
  };
  testutil::WriteFile(d.dir.File("kasa.exp"), ExportFile(first));
  d.lib = x.RejestrujBiblioteke(&d.host, nullptr, nullptr, nullptr);
  ASSERT_NE(d.lib, nullptr);
  d.host.RegisterServices([&](void* f, int code) { x.RejestrujCallback(d.lib, f, code); });
}

// The export and then the import, as a back office's thread runs them for its device.
void RunExportAndImport(const e2e::Exports& x, Device& d) {
  char name[512] = "sesja";
  HTVKDLLSKSESJA handle = nullptr;
  d.exportResult = x.SerKasOperacja(d.lib, &d.host, &handle, name, -2, 0);
  d.importResult = x.SerKasOperacja(d.lib, &d.host, &handle, name, -3, 0);
}

// The device's stored result lists its own goods `first` and `first + 1` and no others.
void ExpectOwnResult(const Device& d, int first, int other) {
  EXPECT_TRUE(d.host.ErrorTexts().empty()) << d.host.Dump();
  ASSERT_EQ(d.storedResults.size(), 1u) << d.host.Dump();
  EXPECT_NE(d.storedResults[0].find(";" + std::to_string(first) + ";"), std::string::npos)
      << d.storedResults[0];
  EXPECT_EQ(d.storedResults[0].find(";" + std::to_string(other) + ";"), std::string::npos)
      << d.storedResults[0];
}

}  // namespace

TEST_F(Threads, TwoThreadsOnTwoDevicesEachGetTheirOwnResults) {
  Device devices[2];
  const char* ports[2] = {"COM1", "COM2"};
  for (int i = 0; i < 2; ++i) {
    Ecrsim({"create", "--port", ports[i], "--model", i == 0 ? "Sigma" : "Mini online"});
  }
  // Different sales on each register: two milks and a bread on the first, a bread on the other.
  ASSERT_NO_FATAL_FAILURE(LoadGoods(kGoods));
  testutil::WriteFile(state.File("day.txt"), kDay);
  Ecrsim({"sell", "--port", "COM1", state.File("day.txt")});
  for (int i = 0; i < 2; ++i) {
    ASSERT_NO_FATAL_FAILURE(SetUpDevice(x, devices[i], ports[i], i == 0 ? 100 : 200));
  }
  std::thread first(RunExportAndImport, std::cref(x), std::ref(devices[0]));
  std::thread second(RunExportAndImport, std::cref(x), std::ref(devices[1]));
  first.join();
  second.join();

  for (const Device& d : devices) {
    EXPECT_EQ(d.exportResult, 0) << d.host.Dump();
    EXPECT_EQ(d.importResult, 0) << d.host.Dump();
  }
  ExpectOwnResult(devices[0], 100, 200);
  ExpectOwnResult(devices[1], 200, 100);
  for (Device& d : devices) x.ZwolnijBiblioteke(d.lib);
  // Only the first register sold anything.
  ASSERT_EQ(devices[0].storedImports.size(), 1u) << devices[0].host.Dump();
  EXPECT_NE(devices[0].storedImports[0].find("PLU;12;;2000;700"), std::string::npos)
      << devices[0].storedImports[0];
  EXPECT_TRUE(devices[1].storedImports.empty()) << devices[1].host.Dump();
  // Each device's programs were configured for its own register.
  EXPECT_NE(testutil::ReadFile(devices[0].dir.File("KONFIG.TXT")).find("\tCOM1:"),
            std::string::npos);
  EXPECT_NE(testutil::ReadFile(devices[1].dir.File("KONFIG.TXT")).find("\tCOM2:"),
            std::string::npos);
}

// A back office opening and closing another device's library (its settings window, say) while
// an operation runs: the running operation keeps its own host and ends as it would alone.
TEST_F(Threads, ALibraryRegisteredAndFreedOnAnotherThreadLeavesARunningOperationAlone) {
  Ecrsim({"create", "--port", "COM1", "--model", "Sigma"});
  ASSERT_NO_FATAL_FAILURE(LoadGoods(kGoods));
  testutil::WriteFile(state.File("day.txt"), kDay);
  Ecrsim({"sell", "--port", "COM1", state.File("day.txt")});
  Device device;
  ASSERT_NO_FATAL_FAILURE(SetUpDevice(x, device, "COM1", 100));

  std::thread running(RunExportAndImport, std::cref(x), std::ref(device));
  int registered = 0;
  for (int i = 0; i < 50; ++i) {
    testutil::RecordingHost other;
    other.exchangeDir = device.dir.Path();
    HTVKDLLLIB lib = x.RejestrujBiblioteke(&other, nullptr, nullptr, nullptr);
    if (lib == nullptr) continue;
    ++registered;
    other.RegisterServices([&](void* f, int code) { x.RejestrujCallback(lib, f, code); });
    Buffer b;
    x.WlasciwosciUrzadzenia(lib, &other, b.data(), 1102);
    x.ZwolnijBiblioteke(lib);
  }
  running.join();

  EXPECT_EQ(registered, 50);
  EXPECT_EQ(device.exportResult, 0) << device.host.Dump();
  EXPECT_EQ(device.importResult, 0) << device.host.Dump();
  ExpectOwnResult(device, 100, 200);
  ASSERT_EQ(device.storedImports.size(), 1u) << device.host.Dump();
  EXPECT_NE(device.storedImports[0].find("PLU;12;;2000;700"), std::string::npos);
  x.ZwolnijBiblioteke(device.lib);
}

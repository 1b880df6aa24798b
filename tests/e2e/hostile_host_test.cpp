// A host that misbehaves, met through the C interface as a back office would meet the
// library: texts of any length, null pointers and unknown codes in every argument, services
// left out one at a time, services that answer with garbage, and two threads running
// operations on two devices at once. None of it may crash the host, write past a 301-byte
// buffer, hang, or end in a success that did not happen.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <set>
#include <thread>

#include "e2e/Simulator.h"

using e2e::Buffer;
using e2e::DriverTest;
using e2e::SimulatorTest;

namespace {

const std::string kLong(1000, 'W');

// Goods on the register, in ZBPTowar.exe's input form.
const char kGoods[] =
    "#1\r\n#\r\n#\r\n"
    "$12\tMleko\t1\t1\t0\t0\t0\t\t350\t0\t0\t0\t0\t0\t0\t0\r\n"
    "$13\tChleb\t1\t1\t0\t0\t0\t\t300\t0\t0\t0\t0\t0\t0\t0\r\n";

const char kDay[] =
    "date 2026-12-08\n"
    "time 10:15\n"
    "receipt\n"
    "  sell 12 2\n"
    "  sell 13 1\n"
    "end\n";

// A back office's export file with goods `first` and `first + 1`.
std::string ExportFile(int first) {
  std::string text = "VAT;23\r\nVAT;8\r\nVAT;5\r\nVAT;0\r\nVAT;-1\r\n";
  for (int plu = first; plu <= first + 1; ++plu) {
    const std::string p = std::to_string(plu);
    text += "PLU;" + p + ";0;59000000" + p + ";Towar " + p + ";199;180;210;190;23;0;F;0;F;F;F;0;;1;DOD\r\n";
  }
  return text;
}

bool Contains(const std::vector<std::string>& events, const std::string& event) {
  return std::find(events.begin(), events.end(), event) != events.end();
}

// Every parameter name the library lists, from its parameter groups.
std::vector<std::string> ParameterNames(const e2e::Exports& x) {
  std::vector<std::string> names;
  for (int group = 100; group <= 110; ++group) {
    for (int index = 0; index < 100; ++index) {
      Buffer name, description, def, t1, t2;
      int flag = 0;
      const int type = x.Parametr(group, index, name.data(), description.data(), def.data(),
                                  t1.data(), t2.data(), &flag);
      if (type == 0) break;
      names.push_back(name.Text());
    }
  }
  return names;
}

}  // namespace

// ----- Buffers ------------------------------------------------------------------------------

TEST_F(DriverTest, NoExportWritesPastAHostBufferWhateverTheTextsLength) {
  const std::vector<std::string> names = ParameterNames(x);
  ASSERT_GT(names.size(), 10u);
  for (const std::string& name : names) host.params[name] = kLong;
  host.translateAll = kLong;
  host.deviceName = host.stationName = kLong;
  RegisterLibrary();
  x.UstawJezykKomponentow(1);

  for (int code = -2; code <= 1200; ++code) {
    Buffer b;
    x.Wlasciwosci(b.data(), code);
    ASSERT_TRUE(b.WellFormed()) << "Wlasciwosci " << code;
    Buffer d;
    x.WlasciwosciUrzadzenia(lib, &host, d.data(), code);
    ASSERT_TRUE(d.WellFormed()) << "WlasciwosciUrzadzenia " << code;
  }
  for (int group = 99; group <= 110; ++group) {
    for (int index = -1; index <= 40; ++index) {
      Buffer name, description, def, t1, t2;
      int flag = 0;
      x.Parametr(group, index, name.data(), description.data(), def.data(), t1.data(), t2.data(),
                 &flag);
      for (Buffer* b : {&name, &description, &def, &t1, &t2}) {
        ASSERT_TRUE(b->WellFormed()) << "Parametr " << group << " " << index;
      }
    }
  }
  for (const std::string& name : names) {
    for (int index = -1; index <= 30; ++index) {
      Buffer b;
      x.TekstListyParametru(name.c_str(), index, b.data());
      ASSERT_TRUE(b.WellFormed()) << "TekstListyParametru " << name << " " << index;
    }
  }
  for (int window = -1; window <= 10; ++window) {
    Buffer b;
    x.SerKasOpisOkna(b.data(), window);
    ASSERT_TRUE(b.WellFormed()) << "SerKasOpisOkna " << window;
    Buffer shown;
    int value = 0;
    x.SerKasPokazOkno(lib, &host, window, 0, &value, shown.data());
    EXPECT_TRUE(shown.GuardIntact()) << "SerKasPokazOkno " << window;
  }
  Buffer resource;
  x.SerKasNazwaZasobuDzielonego(lib, &host, resource.data());
  EXPECT_TRUE(resource.WellFormed());
  EXPECT_EQ(resource.Text(), std::string(300, 'W'));

  // A session name of 300 characters, and a host buffer without any terminator.
  EXPECT_EQ(Operation(-7, 0, nullptr, std::string(300, 'S')), 0);
  EXPECT_TRUE(sessionBuffer.WellFormed());
  EXPECT_EQ(sessionBuffer.Text(), std::string(300, 'S'));
  Buffer unterminated;
  std::memset(unterminated.data(), 'U', 301);
  HTVKDLLSKSESJA handle = nullptr;
  EXPECT_EQ(x.SerKasOperacja(lib, &host, &handle, unterminated.data(), -7, 0), 0);
  EXPECT_TRUE(unterminated.WellFormed());
  EXPECT_EQ(unterminated.Text(), std::string(300, 'U'));
  std::memset(unterminated.data(), 'U', 301);
  x.SerKasPodtrzymajSesje(lib, nullptr, unterminated.data(), 0, 0);
  EXPECT_TRUE(unterminated.GuardIntact());
  // Every message the host was given fits the host's list as the driver cut it.
  for (const std::string& text : host.Texts()) EXPECT_LE(text.size(), 4095u);
}

// ----- Null pointers and unknown codes ----------------------------------------------------------

TEST_F(DriverTest, ANullPointerInAnyArgumentIsHarmless) {
  host.params = {{"ElzabSTXPort", "PLIK"}, {"DataImportu", "2026-12-08"}};
  RegisterLibrary();
  Buffer a, b, c, d, e;
  int flag = 0, one = 0, two = 0, three = 0;

  x.Wlasciwosci(nullptr, 2);
  x.WlasciwosciUrzadzenia(lib, &host, nullptr, 1102);
  x.WlasciwosciUrzadzenia(lib, nullptr, a.data(), 1102);
  for (int hole = 0; hole < 6; ++hole) {
    auto p = [&](Buffer& buffer, int at) { return hole == at ? nullptr : buffer.data(); };
    x.Parametr(101, 0, p(a, 0), p(b, 1), p(c, 2), p(d, 3), p(e, 4), hole == 5 ? nullptr : &flag);
  }
  x.TekstListyParametru(nullptr, 0, a.data());
  x.TekstListyParametru("ElzabSTXPort", 0, nullptr);
  x.SerKasJakSzukacParagonu(lib, &host, nullptr, &two, &three);
  x.SerKasJakSzukacParagonu(lib, &host, &one, nullptr, &three);
  x.SerKasJakSzukacParagonu(lib, &host, &one, &two, nullptr);
  x.SerKasJakSzukacParagonu(lib, nullptr, nullptr, nullptr, nullptr);
  x.SerKasOpisOkna(nullptr, 1);
  for (int window = 0; window <= 3; ++window) {
    x.SerKasPokazOkno(lib, &host, window, 1, nullptr, nullptr);
  }
  x.SerKasNazwaZasobuDzielonego(lib, &host, nullptr);
  x.SerKasNazwaZasobuDzielonego(lib, nullptr, a.data());
  EXPECT_EQ(x.SerKasOperacja(lib, &host, nullptr, nullptr, -1, 0), 0);
  HTVKDLLSKSESJA handle = nullptr;
  std::strcpy(a.data(), "sesja");
  EXPECT_EQ(x.SerKasOperacja(lib, nullptr, &handle, a.data(), -3, 0), 0);
  x.SerKasPodtrzymajSesje(lib, nullptr, nullptr, 0, 0);
  x.SerKasPodtrzymajSesje(lib, &handle, nullptr, 1, 1);

  // A library registered without a host context, and services registered as null pointers:
  // every one is then as good as missing.
  HTVKDLLLIB bare = x.RejestrujBiblioteke(nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(bare, nullptr);
  for (int code : testutil::RecordingHost::AllServices()) x.RejestrujCallback(bare, nullptr, code);
  EXPECT_EQ(x.SerKasOperacja(bare, nullptr, nullptr, nullptr, -1, 0), 0);
  EXPECT_EQ(x.SerKasOperacja(bare, nullptr, nullptr, nullptr, -2, 0), 0);
  EXPECT_EQ(x.SerKasOperacja(bare, nullptr, nullptr, nullptr, -3, 0), 0);
  x.WlasciwosciUrzadzenia(bare, nullptr, a.data(), 1102);
  EXPECT_TRUE(a.WellFormed());
  x.ZwolnijBiblioteke(bare);
}

TEST_F(DriverTest, UnknownCodesAnswerNothingAndRegisterNothing) {
  host.params = {{"ElzabSTXPort", "PLIK"}, {"DataImportu", "2026-12-08"}};
  RegisterLibrary();
  // A pointer under a code the library does not know must never be called: one that was
  // would crash this test.
  void* bogus = reinterpret_cast<void*>(static_cast<uintptr_t>(0x10));
  for (int code : {INT_MIN, -1, 0, 1, 2, 3, 4, 7, 8, 9, 10, 26, 27, 29, 30, 35, 100, INT_MAX}) {
    x.RejestrujCallback(lib, bogus, code);
  }
  host.messages.clear();
  EXPECT_EQ(Operation(-3), 0);
  EXPECT_TRUE(Contains(host.Texts(), "Ustawione złącze PLIK, a nie ma żadnych plików importowych!"))
      << host.Dump();

  for (int code : {INT_MIN, -100, -13, 0, 1, 100, INT_MAX}) {
    host.messages.clear();
    EXPECT_EQ(Operation(code), 0) << code;
    ASSERT_EQ(host.ErrorTexts().size(), 2u) << code;
    EXPECT_EQ(host.ErrorTexts()[1], "Urządzenie nie obsługuje zleconego typu operacji") << code;
  }
  for (int code : {INT_MIN, -1, 0, 99999, INT_MAX}) {
    Buffer b, d, w, n, t;
    x.Wlasciwosci(b.data(), code);
    x.WlasciwosciUrzadzenia(lib, &host, d.data(), code);
    x.SerKasOpisOkna(w.data(), code);
    x.TekstListyParametru("ElzabSTXPort", code, t.data());
    Buffer n2, n3, n4, n5;
    int flag = 7;
    EXPECT_EQ(x.Parametr(code, code, n.data(), n2.data(), n3.data(), n4.data(), n5.data(), &flag),
              0);
    for (Buffer* buffer : {&b, &d, &w, &n, &t}) EXPECT_TRUE(buffer->WellFormed()) << code;
    for (Buffer* buffer : {&b, &d, &w, &n}) EXPECT_EQ(buffer->Text(), "") << code;
    if (code != 0) {
      EXPECT_EQ(t.Text(), "") << code;
    }
    int value = 0;
    EXPECT_EQ(x.SerKasPokazOkno(lib, &host, code, 0, &value, b.data()), 0) << code;
  }
}

// ----- Services missing one by one ----------------------------------------------------------

// Each operation without one host service: it ends (an abort answer after a while ends the
// waits for a resource that cannot be taken), and when it says nothing went wrong, what it
// did is real: the export result and the import were stored.
class MissingService : public SimulatorTest, public ::testing::WithParamInterface<int> {};

TEST_P(MissingService, EveryOperationEndsAndNoneClaimsWhatItDidNotDo) {
  const int missing = GetParam();
  Ecrsim({"create", "--port", "COM1", "--model", "Sigma"});
  ASSERT_NO_FATAL_FAILURE(LoadGoods(kGoods));
  testutil::WriteFile(state.File("day.txt"), kDay);
  Ecrsim({"sell", "--port", "COM1", state.File("day.txt")});
  UseRegister("COM1");
  host.params["DataImportu"] = "2026-12-08";
  host.vatRates = {23, 8, 5, 0};
  host.vatRatesPrec = {2300, 800, 500, 0};
  // Without either resource service the resource is never granted: the wait for it ends
  // only when the user stops the operation, which the host does here after a while.
  if (missing == 22 || missing == 23) host.abortAfterCalls = 20;
  std::set<int> codes = testutil::RecordingHost::AllServices();
  codes.erase(missing);
  RegisterLibrary(codes);

  for (int code : {-1, -2, -3}) {
    if (code == -2) testutil::WriteFile(dir.File("kasa.exp"), ExportFile(20));
    host.messages.clear();
    host.events.clear();
    host.abortChecks = 0;
    const int result = Operation(code);
    EXPECT_TRUE(sessionBuffer.WellFormed());
    EXPECT_TRUE(result == 0 || result == 1) << code;
    if (missing == 12) continue;  // without the message list there is nothing to read
    const bool clean = host.ErrorTexts().empty();
    if (code == -2 && clean) {
      EXPECT_TRUE(Contains(host.events, "16")) << host.Dump();
    }
    if (code == -3 && clean) {
      EXPECT_TRUE(Contains(host.events, "17")) << host.Dump();
    }
    // The services that do the operation's work cannot be done without.
    if ((code == -2 && missing == 16) || (code == -3 && missing == 17) || missing == 6 ||
        missing == 11) {
      EXPECT_FALSE(clean) << "operation " << code << " without service " << missing << "\n"
                          << host.Dump();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EachService, MissingService,
                         ::testing::ValuesIn([] {
                           const std::set<int> all = testutil::RecordingHost::AllServices();
                           return std::vector<int>(all.begin(), all.end());
                         }()),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return "Service" + std::to_string(info.param);
                         });

// ----- Garbage --------------------------------------------------------------------------------

TEST_F(SimulatorTest, AHostAnsweringWithGarbageNeitherCrashesNorHoldsTheDriver) {
  Ecrsim({"create", "--port", "COM1", "--model", "Sigma"});
  UseRegister("COM1");
  host.garbage = true;
  host.params["DataImportu"] = "2026-12-08";
  testutil::WriteFile(dir.File("kasa.exp"), ExportFile(20));
  RegisterLibrary();
  for (int code : {-1, -2, -3, -6, -7}) {
    host.messages.clear();
    const int result = Operation(code);
    EXPECT_TRUE(result == 0 || result == 1) << code;
    EXPECT_TRUE(sessionBuffer.WellFormed()) << code;
  }
  Buffer b;
  x.WlasciwosciUrzadzenia(lib, &host, b.data(), 1102);
  EXPECT_TRUE(b.WellFormed());
  x.SerKasNazwaZasobuDzielonego(lib, &host, b.data());
  EXPECT_TRUE(b.WellFormed());
}

// ----- Two devices on two threads -------------------------------------------------------------

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

TEST_F(SimulatorTest, TwoThreadsOnTwoDevicesEachGetTheirOwnResults) {
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
TEST_F(SimulatorTest, ALibraryRegisteredAndFreedOnAnotherThreadLeavesARunningOperationAlone) {
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

// A host that misbehaves, met through the C interface as a back office would meet the
// library: texts of any length, null pointers and unknown codes in every argument, services
// left out one at a time, and services that answer with garbage (two threads at once are in
// threads_test.cpp). None of it may crash the host, write past a 301-byte buffer, hang, or
// end in a success that did not happen.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <set>

#include "e2e/Simulator.h"
#include "e2e/TwoGoods.h"

using e2e::Buffer;
using e2e::DriverTest;
using e2e::ExportFile;
using e2e::kDay;
using e2e::kGoods;
using e2e::SimulatorTest;

namespace {

const std::string kLong(1000, 'W');

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

INSTANTIATE_TEST_SUITE_P(EachService, MissingService, ::testing::ValuesIn([] {
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

// In-process fixture for the framework's and the driver's tests: a library object with the
// recording host's services registered, a fake platform (scripted time, program runs and
// registry; real files) and an exchange directory of its own.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "elzab/elxaction.h"
#include "platform/FakeEnv.h"
#include "plugin/TKSLibrary.h"
#include "testutil/RecordingHost.h"
#include "testutil/TempDir.h"

namespace testutil {

class DriverFixture : public ::testing::Test {
 protected:
  DriverFixture() : scope_(&env), dir("x") {
    host.exchangeDir = dir.Path();
    library.reset(TKSLibrary::RejestrujBiblioteke(&host));
  }

  // Registers the host's services (all of them unless told otherwise).
  void Register(const std::set<int>& codes = RecordingHost::AllServices()) {
    host.RegisterServices([this](void* f, int code) { library->RejestrujCallback(f, code); },
                          codes);
  }

  // A new driver action, as the library makes one per host call.
  std::unique_ptr<TrelvaxAction> Action() {
    return std::unique_ptr<TrelvaxAction>(
        static_cast<TrelvaxAction*>(library->UtworzAkcje(reinterpret_cast<HTVKCBARG2>(0x22))));
  }

  // The next program runs write `out` as their output file (their second argument) and
  // exit with 0.
  void ProgramWritesOutput(const std::string& out) {
    env.onRun = [out](const platform::FakeEnv::Run& run) {
      if (run.args.size() > 1) WriteFile(run.args[1], out);
      platform::RunResult r;
      r.started = true;
      return r;
    };
  }

  platform::FakeEnv env;

 private:
  platform::ScopedEnv scope_;

 protected:
  TempDir dir;
  RecordingHost host;
  std::unique_ptr<TKSLibrary> library;
};

// A driver action set up for a register on COM1 with the programs in "/elzab", its
// parameters read: the start of every test of program runs.
class ProgramFixture : public DriverFixture {
 protected:
  void SetUp() override {
    host.params = {{"ElzabSTXPort", "COM1"}, {"ElzabSTXExePath", "/elzab"}};
    Register();
    action = Action();
    action->ReadParams();
  }
  std::unique_ptr<TrelvaxAction> action;
};

}  // namespace testutil

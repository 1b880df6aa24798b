// In-process fixture for the tests of a library object: one with the recording host's services
// registered, a fake platform (scripted time, program runs and registry; real files) and an
// exchange directory of its own. `Action` is the driver's operation class that the library
// makes one of per host call.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "platform/FakeEnv.h"
#include "plugin/TKSLibrary.h"
#include "testutil/RecordingHost.h"
#include "testutil/TempDir.h"

namespace testutil {

template <class ActionType>
class LibraryFixture : public ::testing::Test {
 protected:
  LibraryFixture() : scope_(&env), dir("x") {
    host.exchangeDir = dir.Path();
    library.reset(TKSLibrary::RejestrujBiblioteke(&host));
  }

  // Registers the host's services (all of them unless told otherwise).
  void Register(const std::set<int>& codes = RecordingHost::AllServices()) {
    host.RegisterServices([this](void* f, int code) { library->RejestrujCallback(f, code); },
                          codes);
  }

  // A new operation object, as the library makes one per host call.
  std::unique_ptr<ActionType> Action() {
    return std::unique_ptr<ActionType>(
        static_cast<ActionType*>(library->UtworzAkcje(reinterpret_cast<HTVKCBARG2>(0x22))));
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

}  // namespace testutil

// In-process fixtures for the ELZAB driver's tests: its library object with the recording
// host's services registered, a fake platform and an exchange directory of its own.
#pragma once

#include <memory>

#include "elzab/elxaction.h"
#include "testutil/LibraryFixture.h"

namespace testutil {

using DriverFixture = LibraryFixture<TrelvaxAction>;

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

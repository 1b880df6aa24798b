// The least a driver supplies to the framework, for the framework's own tests: its
// class-level descriptions, a library object and an operation object that does nothing of
// its own. It takes the product driver's type name, so that the names the framework derives
// from it (its own parameters' keys) read as a back office sees them.
#pragma once

#include <string>

#include "plugin/KSAction.h"
#include "plugin/TKSLibrary.h"
#include "testutil/LibraryFixture.h"

class TestAction : public KSAction {
 public:
  using KSAction::KSAction;
  std::string NazwaZasobuDzielonego() override { return "TestResource"; }
};

class TestLibrary : public TKSLibrary {
 public:
  explicit TestLibrary(HTVKCBARG1 arg1) : TKSLibrary(arg1) {}
  TKSActionBase* UtworzAkcje(HTVKCBARG2 arg2) override { return new TestAction(this, arg2); }
};

using PluginFixture = testutil::LibraryFixture<TestAction>;

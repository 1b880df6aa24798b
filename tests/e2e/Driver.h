// The built library loaded as a host loads it: dynamically, through its C interface only.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/DriverLibrary.h"
#include "include/tvkdll.h"
#include "platform/Env.h"
#include "testutil/RecordingHost.h"
#include "testutil/TempDir.h"

namespace e2e {

// Path of the built library beside the test programs.
std::string LibraryPath();

// The exports as a host finds them: the same loader tvkhost uses.
using Exports = tvkhost::DriverExports;

// A host buffer of 301 bytes, pre-filled with garbage, with a guard zone behind it.
class Buffer {
 public:
  Buffer() : bytes_(512, '\xCD') {}
  char* data() { return bytes_.data(); }
  std::string Text() const { return std::string(bytes_.data()); }
  // The driver wrote at most 300 characters, padded with NUL to byte 300, and nothing after.
  bool WellFormed() const;
  // Nothing was written after the 301 bytes, whatever was written in them.
  bool GuardIntact() const;

 private:
  std::vector<char> bytes_;
};

// Loads the library, registers it with a recording host and gives its exports.
class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Registers the library (and the host's services, all unless told otherwise).
  void RegisterLibrary(const std::set<int>& codes = testutil::RecordingHost::AllServices());
  // Runs an operation on the host's device; `session` is the host's session handle.
  int Operation(int code, int parameter = 0, HTVKDLLSKSESJA session = nullptr,
                const std::string& sessionName = "sesja");

  tvkhost::DriverLibrary driver;
  Exports x;
  testutil::RecordingHost host;
  testutil::TempDir dir{"e2e"};
  HTVKDLLLIB lib = nullptr;
  Buffer sessionBuffer;
};

// The names an export table lists: the PE export directory of a DLL, or the defined global
// dynamic symbols of an ELF shared object.
std::vector<std::string> ExportedNames(const std::string& path, std::string& error);

}  // namespace e2e

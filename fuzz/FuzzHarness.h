// What every fuzz target shares: one driver set up per process (a fake platform whose clock
// never sleeps, an exchange directory of its own, a host that answers from plain data and a
// library object), the fuzz input split into files, and the rule that the driver's own
// exception is a fine outcome while anything else (another exception, a crash, a sanitizer
// report, a leak) is a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "elzab/elxaction.h"
#include "platform/FakeEnv.h"
#include "plugin/TKSLibrary.h"
#include "testutil/RecordingHost.h"
#include "testutil/TempDir.h"

namespace fuzz {

class Driver {
 public:
  // The process's driver, made on first use.
  static Driver& Get();

  // A new driver action with its parameters read (port "PLIK", no register needed).
  std::unique_ptr<TrelvaxAction> Action();
  // A path in the exchange directory.
  std::string File(const std::string& name) const { return dir_.File(name); }
  // Writes `bytes` to the exchange directory's file `name`.
  void Write(const std::string& name, const std::string& bytes);
  // Makes every program run "write" `output` as its output file (its second argument).
  void AnswerRunsWith(const std::string& output);
  // Empties the exchange directory and forgets what the host and the platform recorded, so
  // that one input cannot change the next one's run nor memory grow run after run.
  void Reset();

  platform::FakeEnv env;
  testutil::RecordingHost host;

 private:
  Driver();
  platform::ScopedEnv scope_;
  testutil::TempDir dir_;
  std::unique_ptr<TKSLibrary> library_;
};

// The input as text.
inline std::string Text(const uint8_t* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// The input cut at form feeds (a byte no output file of the register holds) into at most
// `count` parts, the last taking the rest: the files of a target that reads several. A file
// whose part is missing is not written, so its absence is tried too.
std::vector<std::string> Parts(const std::string& text, size_t count);

// Runs `body`; the driver's own exception ends it as a driver error would end an operation.
void Run(const std::function<void()>& body);

}  // namespace fuzz

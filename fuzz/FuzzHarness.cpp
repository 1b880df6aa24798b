#include "fuzz/FuzzHarness.h"

#include <filesystem>

#include "hostlib/Exceptions.h"
#include "testutil/TempDir.h"

namespace fuzz {

Driver& Driver::Get() {
  static Driver driver;
  return driver;
}

Driver::Driver() : scope_(&env), dir_("fuzz") {
  host.exchangeDir = dir_.Path();
  host.params = {
      {"ElzabSTXPort", "PLIK"}, {"ElzabSTXExePath", "/elzab"}, {"DataImportu", "2026-12-08"}};
  library_.reset(TKSLibrary::RejestrujBiblioteke(&host));
  host.RegisterServices([this](void* f, int code) { library_->RejestrujCallback(f, code); });
}

std::unique_ptr<TrelvaxAction> Driver::Action() {
  auto action = std::unique_ptr<TrelvaxAction>(
      static_cast<TrelvaxAction*>(library_->UtworzAkcje(reinterpret_cast<HTVKCBARG2>(0x22))));
  action->ReadParams();
  return action;
}

void Driver::Write(const std::string& name, const std::string& bytes) {
  testutil::WriteFile(File(name), bytes);
}

void Driver::AnswerRunsWith(const std::string& output) {
  env.onRun = [output](const platform::FakeEnv::Run& run) {
    if (run.args.size() > 1) testutil::WriteFile(run.args[1], output);
    platform::RunResult r;
    r.started = true;
    return r;
  };
}

void Driver::Reset() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.Path(), ec)) {
    std::filesystem::remove_all(entry.path(), ec);
  }
  host.messages.clear();
  host.events.clear();
  host.stored.clear();
  host.translationKeys.clear();
  host.abortChecks = 0;
  host.resourceRequests = 0;
  env.runs.clear();
  env.sleeps.clear();
  env.messages.clear();
  env.onRun = nullptr;
}

std::vector<std::string> Parts(const std::string& text, size_t count) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (parts.size() + 1 < count) {
    const size_t end = text.find('\f', start);
    if (end == std::string::npos) break;
    parts.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  parts.push_back(text.substr(start));
  return parts;
}

void Run(const std::function<void()>& body) {
  try {
    body();
  } catch (const Exception&) {
    // A driver error: the operation would end with its message.
  }
}

}  // namespace fuzz

// opodatek.out, OPodatek.exe's VAT table of the register, and the letters looked up in it.
#include <cstdint>
#include <string>

#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Driver& driver = fuzz::Driver::Get();
  driver.Reset();
  const std::string out = fuzz::Text(data, size);
  driver.env.onRun = [&](const platform::FakeEnv::Run& run) {
    if (run.args.size() > 1) testutil::WriteFile(run.args[1], out);
    platform::RunResult r;
    r.started = true;
    return r;
  };
  auto action = driver.Action();
  fuzz::Run([&] { action->GetVatFromECR(); });
  for (int rate : {-1, 0, 500, 800, 2300, 999}) (void)action->VatLetter(rate);
  return 0;
}

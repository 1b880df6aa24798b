// otypurz.out, OTypUrz.exe's identification of the register: the model, the PLU count and
// the versions, shown to the user and deciding what the driver asks of the register.
#include <cstdint>
#include <string>

#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Driver& driver = fuzz::Driver::Get();
  driver.Reset();
  driver.AnswerRunsWith(fuzz::Text(data, size));
  auto action = driver.Action();
  fuzz::Run([&] { action->Register().CheckType(true); });
  return 0;
}

// opodatek.out, OPodatek.exe's VAT table of the register, and the letters looked up in it.
#include <cstdint>
#include <string>

#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Driver& driver = fuzz::Driver::Get();
  driver.Reset();
  driver.AnswerRunsWith(fuzz::Text(data, size));
  auto action = driver.Action();
  fuzz::Run([&] { action->Register().GetVatFromECR(); });
  for (int rate : {-1, 0, 500, 800, 2300, 999}) (void)action->Register().VatLetter(rate);
  return 0;
}

// zbptowar.out, ZBPTowar.exe's list of the goods the register refused, with their error codes.
#include <cstdint>
#include <string>

#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Driver& driver = fuzz::Driver::Get();
  driver.Reset();
  auto action = driver.Action();
  driver.Write("zbptowar.out", fuzz::Text(data, size));
  fuzz::Run([&] { (void)action->GoodsExport().CheckZBPTOWARFileErrorPLU(); });
  return 0;
}

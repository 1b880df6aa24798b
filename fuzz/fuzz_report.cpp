// RAPORT.TXT, the report every ELZAB program leaves: read for the verdict of a failed run and
// for the PLU that stopped a goods run.
#include <cstdint>
#include <string>

#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Driver& driver = fuzz::Driver::Get();
  driver.Reset();
  auto action = driver.Action();
  driver.Write("RAPORT.TXT", fuzz::Text(data, size));
  fuzz::Run([&] { (void)action->Runner().CheckReportFile(); });
  fuzz::Run([&] { (void)action->Runner().CheckReportFileErrorPLU(); });
  return 0;
}

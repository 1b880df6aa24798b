// The cashier's statistics (oikaswla.out), the cashier list (okasjer.out), the clock
// (ozegar.out) and the payment forms (oplat.out), in that order separated by form feeds in
// the input, read into the import buffer's cashier section and saved.
#include <cstdint>
#include <string>

#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Driver& driver = fuzz::Driver::Get();
  driver.Reset();
  const std::vector<std::string> parts = fuzz::Parts(fuzz::Text(data, size), 4);
  static const char* const kFiles[] = {"oikaswla.out", "okasjer.out", "ozegar.out", "oplat.out"};
  for (size_t i = 0; i < parts.size(); ++i) driver.Write(kFiles[i], parts[i]);
  auto action = driver.Action();
  ElzabImport& import = action->SalesImport();
  // The program outputs are in code page 852, as Import sets up.
  fuzz::Run([&] {
    import.ReadOutputs(
        ImportPass::Fresh(action->ParamAsDate("DataImportu"), import.ParameterSettings()));
    import.ImportSaveImpBufs();
  });
  import.DeleteImpBufs();
  return 0;
}

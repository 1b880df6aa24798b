// The sales counters of OSpOpMax.exe: the packaging returns (ospopmax_opak.out) and the
// sorted sales (ospopmax_sort.out), separated by a form feed in the input, read into the
// import buffer and saved as the host's import file.
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Driver& driver = fuzz::Driver::Get();
  driver.Reset();
  const std::vector<std::string> parts = fuzz::Parts(fuzz::Text(data, size), 2);
  static const char* const kFiles[] = {"ospopmax_opak.out", "ospopmax_sort.out"};
  for (size_t i = 0; i < parts.size(); ++i) driver.Write(kFiles[i], parts[i]);
  auto action = driver.Action();
  ElzabImport& import = action->SalesImport();
  driver.Write("packages.dat", "10\r\n40\r\n");
  action->Packages().Load();
  fuzz::Run([&] {
    import.ReadOutputs(
        ImportPass::Fresh(action->ParamAsDate("DataImportu"), import.ParameterSettings()));
    import.ImportSaveImpBufs();
  });
  import.DeleteImpBufs();
  return 0;
}

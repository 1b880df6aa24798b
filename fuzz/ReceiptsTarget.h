// The receipt buffer of OPSpRoz4.exe or OPSpRoz5.exe read into receipts, other operations and
// goods lines and saved into the host's import file: once with sales from the counters and
// once with sales from receipts and invoices read, as the two set-ups a shop may have.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "fuzz/FuzzHarness.h"

namespace fuzz {

inline void ReadReceipts(const char* file, const uint8_t* data, size_t size) {
  Driver& driver = Driver::Get();
  for (int saleSource = 0; saleSource <= 1; ++saleSource) {
    driver.Reset();
    driver.Write(file, Text(data, size));
    driver.host.params["ElzabSTXReceipts"] = "1";
    driver.host.params["ElzabSTXSaleSource"] = std::to_string(saleSource);
    driver.host.params["ElzabSTXSaleBufferFV"] = std::to_string(saleSource);
    auto action = driver.Action();
    ElzabImport& import = action->SalesImport();
    driver.Write("packages.dat", "40\r\n");
    action->Packages().Load();
    // The register's third payment form carries a date.
    driver.Write("oplat.out",
                 "$1\tGOT\t0\t0\t0\t0\t0\r\n$2\tKARTA\t2\t0\t0\t0\t0\r\n"
                 "$3\tBON\t2\t0\t0\t0\tT\r\n");
    Run([&] {
      import.ReadOutputs(
          ImportPass::Fresh(action->ParamAsDate("DataImportu"), import.ParameterSettings()));
      import.ImportSaveImpBufs();
    });
    import.DeleteImpBufs();
  }
}

}  // namespace fuzz

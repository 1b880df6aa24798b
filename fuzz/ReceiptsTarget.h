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
    TLTools::CodePages fromRegister(action->tools, TLTools::plCp852, TLTools::plCp1250);
    driver.Write("packages.dat", "40\r\n");
    action->Packages().Load();
    import.SetPaymentHasDate(2, true);
    Run([&] {
      import.BeginPass(action->ParamAsDate("DataImportu"));
      import.ImportFromFileReceipts();
      import.ImportSaveImpBufs();
    });
    import.DeleteImpBufs();
  }
}

}  // namespace fuzz

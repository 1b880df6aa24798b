// opsproz5.out: the receipt buffer as OPSpRoz5.exe writes it (method 5, the register's code
// page, decimal commas).
#include "fuzz/ReceiptsTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ReadReceipts("opsproz5.out", data, size);
  return 0;
}

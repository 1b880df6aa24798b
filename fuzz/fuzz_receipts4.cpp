// opsproz4.out: the receipt buffer as OPSpRoz4.exe writes it (method 4).
#include "fuzz/ReceiptsTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ReadReceipts("opsproz4.out", data, size);
  return 0;
}

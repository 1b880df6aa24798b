// The record of the days the host took in ("zapisane.txt"), read whole; then a file-mode
// import over the day's outputs that meets it, with the sales from the counters and from the
// receipts.
#include "fuzz/RecordTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = fuzz::Text(data, size);
  fuzz::RoundTrip<StoredDaysRecord>(text, records::ParseStoredDays, records::FormatStoredDays);
  fuzz::ImportOver(records::kStoredDays, text, "PLIK", "0");
  fuzz::ImportOver(records::kStoredDays, text, "PLIK", "1");
  return 0;
}

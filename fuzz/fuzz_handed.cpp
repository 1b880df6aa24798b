// The recovery pass: the summary of what the host has of the register's day ("przekazane.txt"),
// read whole, then the counters and the receipt buffer a failed import left (separated by form
// feeds; the day's own where a part is missing), settled against it and handed over, then the
// register read again.
#include "fuzz/RecordTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> parts = fuzz::Parts(fuzz::Text(data, size), 3);
  fuzz::RoundTrip<ReadSummary>(parts[0], records::ParseSummary, records::FormatSummary);
  const std::string counters = parts.size() > 1 ? parts[1] : fuzz::kDayCounters;
  const std::string receipts = parts.size() > 2 ? parts[2] : fuzz::kDayReceipts;
  fuzz::ImportOver(records::kHandedOver, parts[0], "COM1", "0", counters, receipts);
  fuzz::ImportOver(records::kHandedOver, parts[0], "COM1", "1", counters, receipts);
  return 0;
}

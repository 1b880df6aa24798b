// The note of the read whose outputs lie in the exchange directory ("odczyt.txt"), read whole;
// then the import that meets it with a failed import's outputs beside it.
#include "fuzz/RecordTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = fuzz::Text(data, size);
  fuzz::RoundTrip<ReadNote>(text, records::ParseReadNote, records::FormatReadNote);
  fuzz::ImportOver(records::kReadNote, text, "COM1", "0");
  return 0;
}

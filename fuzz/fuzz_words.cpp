// The word list that cuts every line of the export file and of the programs' outputs: the
// first byte is the separator, the rest the line; the words are read, replaced, given widths
// and joined back.
#include <cstdint>
#include <string>

#include "fuzz/FuzzHarness.h"
#include "support/TLJWords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  TLJWords words(std::string(1, static_cast<char>(data[0])));
  const std::string line = fuzz::Text(data + 1, size - 1);
  const int count = words.Init(line);
  for (int i = -1; i <= count + 1; ++i) {
    (void)words[i];
    (void)words.Get(i);
    (void)words.GetSize(i);
  }
  // Widths and replacements taken from the line's own bytes.
  for (size_t i = 0; i + 1 < line.size() && i < 16; i += 2) {
    const int index = static_cast<signed char>(line[i]) % (count + 3);
    words.SetSize(index, static_cast<unsigned char>(line[i + 1]) % 40 - 4);
    words.Put(index, line.substr(i, 3));
  }
  (void)static_cast<std::string>(words);
  return 0;
}

#include "plugin/HostText.h"

#include <cstring>

namespace {
bool Trimmed(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}
}  // namespace

void WriteHostText(char* buffer, const std::string& text, bool trim) noexcept {
  if (buffer == nullptr) return;
  // No copy and no allocation: this runs in the exports' last lines, outside their handlers.
  size_t begin = 0;
  size_t end = text.size();
  if (trim) {
    while (begin < end && Trimmed(text[begin])) ++begin;
    while (end > begin && Trimmed(text[end - 1])) --end;
  }
  const size_t n = end - begin < kHostTextMax ? end - begin : kHostTextMax;
  std::memcpy(buffer, text.data() + begin, n);
  std::memset(buffer + n, 0, kHostTextSize - n);
}

std::string ReadHostText(const char* buffer, size_t max) {
  if (buffer == nullptr) return {};
  size_t n = 0;
  while (n < max && buffer[n] != '\0') ++n;
  return std::string(buffer, n);
}

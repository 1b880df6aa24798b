#include "plugin/HostText.h"

#include <cstring>

#include "hostlib/TxTools.h"

void WriteHostText(char* buffer, const std::string& text, bool trim) {
  if (buffer == nullptr) return;
  const std::string value = trim ? TxTools::Trim(text) : text;
  const size_t n = value.size() < kHostTextMax ? value.size() : kHostTextMax;
  std::memcpy(buffer, value.data(), n);
  std::memset(buffer + n, 0, kHostTextSize - n);
}

std::string ReadHostText(const char* buffer, size_t max) {
  if (buffer == nullptr) return {};
  size_t n = 0;
  while (n < max && buffer[n] != '\0') ++n;
  return std::string(buffer, n);
}

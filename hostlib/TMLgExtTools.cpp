#include "hostlib/TMLgExtTools.h"

#include <vector>

std::string TMLgExtTools::GetString(const std::string& module, const std::string& key,
                                    const std::string& defaultText) const {
  if (lookup_ == nullptr) return defaultText;
  constexpr int kSize = 4096;
  std::vector<char> buffer(kSize, '\0');
  int found =
      lookup_(context_, module.c_str(), key.c_str(), defaultText.c_str(), buffer.data(), kSize);
  if (found == 0) return defaultText;
  buffer[kSize - 1] = '\0';
  return std::string(buffer.data());
}

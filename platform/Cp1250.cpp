#include "platform/Cp1250.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace platform {

namespace {

// Unicode code points of the Windows-1250 bytes 0x80 to 0xFF.
constexpr uint16_t kCp1250High[128] = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0xFFFD, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  //
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0xFFFD, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  //
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  //
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  //
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  //
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  //
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  //
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  //
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  //
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  //
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  //
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  //
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  //
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence at `pos`; false (pos unchanged) when it is not well formed.
bool DecodeUtf8(const std::string& text, size_t& pos, uint32_t& cp) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char b0 = byte(pos);
  size_t len = 0;
  if (b0 < 0x80) {
    cp = b0;
    len = 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    cp = b0 & 0x1F;
    len = 2;
  } else if ((b0 & 0xF0) == 0xE0) {
    cp = b0 & 0x0F;
    len = 3;
  } else if ((b0 & 0xF8) == 0xF0) {
    cp = b0 & 0x07;
    len = 4;
  } else {
    return false;
  }
  if (pos + len > text.size()) return false;
  for (size_t i = 1; i < len; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (byte(pos + i) & 0x3F);
  }
  // Overlong forms would let two spellings stand for one character.
  static constexpr uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF) return false;
  pos += len;
  return true;
}

// The Windows-1250 byte of a code point of 0x80 or above; -1 when the code page lacks it.
int Cp1250ByteOf(uint32_t cp) {
  if (cp == 0xFFFD) return -1;  // what the code page leaves undefined reads as this
  const auto* at = std::find(std::begin(kCp1250High), std::end(kCp1250High), cp);
  return at == std::end(kCp1250High) ? -1 : 0x80 + static_cast<int>(at - kCp1250High);
}

}  // namespace

std::string Cp1250ToUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char c : text) {
    unsigned char b = static_cast<unsigned char>(c);
    AppendUtf8(out, b < 0x80 ? b : kCp1250High[b - 0x80]);
  }
  return out;
}

std::string Utf8ToCp1250(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    uint32_t cp = 0;
    if (!DecodeUtf8(text, pos, cp)) {
      out += text[pos++];
      continue;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
      continue;
    }
    const int byte = Cp1250ByteOf(cp);
    out += byte >= 0 ? static_cast<char>(byte) : '?';
  }
  return out;
}

bool LooksLikeUtf8(const std::string& text) {
  bool high = false;
  size_t pos = 0;
  while (pos < text.size()) {
    uint32_t cp = 0;
    if (!DecodeUtf8(text, pos, cp)) return false;
    if (cp >= 0x80) high = true;
  }
  return high;
}

bool Utf8BeyondCp1250(const std::string& text) {
  bool beyond = false;
  size_t pos = 0;
  while (pos < text.size()) {
    uint32_t cp = 0;
    if (!DecodeUtf8(text, pos, cp)) return false;
    if (cp < 0x80 || beyond) continue;
    beyond = Cp1250ByteOf(cp) < 0;
  }
  return beyond;
}

}  // namespace platform

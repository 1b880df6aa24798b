#include "sim/Text.h"

#include <cstdio>

#include "platform/Env.h"

namespace sim {

namespace {

// Unicode code points of the bytes 0x80 to 0xff; 0 where the code page has no character.
const char16_t kCp1250[128] = {
    0x20ac, 0x0000, 0x201a, 0x0000, 0x201e, 0x2026, 0x2020, 0x2021,  //
    0x0000, 0x2030, 0x0160, 0x2039, 0x015a, 0x0164, 0x017d, 0x0179,  //
    0x0000, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014,  //
    0x0000, 0x2122, 0x0161, 0x203a, 0x015b, 0x0165, 0x017e, 0x017a,  //
    0x00a0, 0x02c7, 0x02d8, 0x0141, 0x00a4, 0x0104, 0x00a6, 0x00a7,  //
    0x00a8, 0x00a9, 0x015e, 0x00ab, 0x00ac, 0x00ad, 0x00ae, 0x017b,  //
    0x00b0, 0x00b1, 0x02db, 0x0142, 0x00b4, 0x00b5, 0x00b6, 0x00b7,  //
    0x00b8, 0x0105, 0x015f, 0x00bb, 0x013d, 0x02dd, 0x013e, 0x017c,  //
    0x0154, 0x00c1, 0x00c2, 0x0102, 0x00c4, 0x0139, 0x0106, 0x00c7,  //
    0x010c, 0x00c9, 0x0118, 0x00cb, 0x011a, 0x00cd, 0x00ce, 0x010e,  //
    0x0110, 0x0143, 0x0147, 0x00d3, 0x00d4, 0x0150, 0x00d6, 0x00d7,  //
    0x0158, 0x016e, 0x00da, 0x0170, 0x00dc, 0x00dd, 0x0162, 0x00df,  //
    0x0155, 0x00e1, 0x00e2, 0x0103, 0x00e4, 0x013a, 0x0107, 0x00e7,  //
    0x010d, 0x00e9, 0x0119, 0x00eb, 0x011b, 0x00ed, 0x00ee, 0x010f,  //
    0x0111, 0x0144, 0x0148, 0x00f3, 0x00f4, 0x0151, 0x00f6, 0x00f7,  //
    0x0159, 0x016f, 0x00fa, 0x0171, 0x00fc, 0x00fd, 0x0163, 0x02d9,
};

const char16_t kCp852[128] = {
    0x00c7, 0x00fc, 0x00e9, 0x00e2, 0x00e4, 0x016f, 0x0107, 0x00e7,  //
    0x0142, 0x00eb, 0x0150, 0x0151, 0x00ee, 0x0179, 0x00c4, 0x0106,  //
    0x00c9, 0x0139, 0x013a, 0x00f4, 0x00f6, 0x013d, 0x013e, 0x015a,  //
    0x015b, 0x00d6, 0x00dc, 0x0164, 0x0165, 0x0141, 0x00d7, 0x010d,  //
    0x00e1, 0x00ed, 0x00f3, 0x00fa, 0x0104, 0x0105, 0x017d, 0x017e,  //
    0x0118, 0x0119, 0x00ac, 0x017a, 0x010c, 0x015f, 0x00ab, 0x00bb,  //
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00c1, 0x00c2, 0x011a,  //
    0x015e, 0x2563, 0x2551, 0x2557, 0x255d, 0x017b, 0x017c, 0x2510,  //
    0x2514, 0x2534, 0x252c, 0x251c, 0x2500, 0x253c, 0x0102, 0x0103,  //
    0x255a, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256c, 0x00a4,  //
    0x0111, 0x0110, 0x010e, 0x00cb, 0x010f, 0x0147, 0x00cd, 0x00ce,  //
    0x011b, 0x2518, 0x250c, 0x2588, 0x2584, 0x0162, 0x016e, 0x2580,  //
    0x00d3, 0x00df, 0x00d4, 0x0143, 0x0144, 0x0148, 0x0160, 0x0161,  //
    0x0154, 0x00da, 0x0155, 0x0170, 0x00fd, 0x00dd, 0x0163, 0x00b4,  //
    0x00ad, 0x02dd, 0x02db, 0x02c7, 0x02d8, 0x00a7, 0x00f7, 0x00b8,  //
    0x00b0, 0x00a8, 0x02d9, 0x0171, 0x0158, 0x0159, 0x25a0, 0x00a0,
};

char32_t Decode(const char16_t* table, unsigned char byte) {
  return byte < 0x80 ? byte : table[byte - 0x80];
}

// The byte of `table` for a code point, or "?" when it has none.
char Encode(const char16_t* table, char32_t cp) {
  if (cp < 0x80) return static_cast<char>(cp);
  for (int i = 0; i < 128; ++i) {
    if (table[i] != 0 && table[i] == cp) return static_cast<char>(0x80 + i);
  }
  return '?';
}

std::string Recode(const std::string& text, const char16_t* from, const char16_t* to) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    char32_t cp = Decode(from, static_cast<unsigned char>(c));
    out += cp == 0 ? '?' : Encode(to, cp);
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xc0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3f));
  } else {
    out += static_cast<char>(0xe0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
    out += static_cast<char>(0x80 | (cp & 0x3f));
  }
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Shared by the two fixed-point parsers: optional "-", digits, optionally one separator and
// at most `maxDecimals` digits; the result is scaled to `maxDecimals` places.
bool ParseFixed(const std::string& text, char separator, int maxDecimals, long long& value,
                int& decimals) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && text[i] == '-') {
    negative = true;
    ++i;
  }
  long long whole = 0;
  size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    if (whole > 100000000000000LL) return false;
    whole = whole * 10 + (text[i] - '0');
    ++i;
    ++digits;
  }
  long long fraction = 0;
  decimals = 0;
  if (i < text.size() && text[i] == separator) {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      if (decimals == maxDecimals) return false;
      fraction = fraction * 10 + (text[i] - '0');
      ++decimals;
      ++i;
    }
    if (decimals == 0) return false;
  }
  if (i != text.size() || digits == 0) return false;
  for (int d = decimals; d < maxDecimals; ++d) fraction *= 10;
  long long scale = 1;
  for (int d = 0; d < maxDecimals; ++d) scale *= 10;
  value = whole * scale + fraction;
  if (negative) value = -value;
  return true;
}

std::string FormatFixed(long long value, char separator, int decimals) {
  long long scale = 1;
  for (int d = 0; d < decimals; ++d) scale *= 10;
  unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                           : static_cast<unsigned long long>(value);
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%s%llu%c%0*llu", value < 0 ? "-" : "", magnitude / scale,
                separator, decimals, magnitude % scale);
  return buf;
}

}  // namespace

std::string Cp852ToCp1250(const std::string& text) {
  return Recode(text, kCp852, kCp1250);
}

std::string Cp1250ToCp852(const std::string& text) {
  return Recode(text, kCp1250, kCp852);
}

std::string Cp1250ToUtf8(const std::string& text) {
  std::string out;
  for (char c : text) {
    char32_t cp = Decode(kCp1250, static_cast<unsigned char>(c));
    AppendUtf8(out, cp == 0 ? U'?' : cp);
  }
  return out;
}

std::string Utf8ToCp1250(const std::string& text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    char32_t cp = 0;
    size_t extra = 0;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xe0) == 0xc0) {
      cp = c & 0x1f;
      extra = 1;
    } else if ((c & 0xf0) == 0xe0) {
      cp = c & 0x0f;
      extra = 2;
    } else if ((c & 0xf8) == 0xf0) {
      cp = c & 0x07;
      extra = 3;
    } else {
      out += '?';
      ++i;
      continue;
    }
    bool ok = true;
    size_t j = 1;
    for (; j <= extra; ++j) {
      if (i + j >= text.size() || (static_cast<unsigned char>(text[i + j]) & 0xc0) != 0x80) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(text[i + j]) & 0x3f);
    }
    if (!ok) {
      out += '?';
      i += j;
      continue;
    }
    out += Encode(kCp1250, cp);
    i += extra + 1;
  }
  return out;
}

bool IsUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t extra = c < 0x80             ? 0
                   : (c & 0xe0) == 0xc0 ? 1
                   : (c & 0xf0) == 0xe0 ? 2
                   : (c & 0xf8) == 0xf0 ? 3
                                        : 4;
    if (extra == 4 || (extra > 0 && i + extra >= text.size())) return false;
    for (size_t j = 1; j <= extra; ++j) {
      if ((static_cast<unsigned char>(text[i + j]) & 0xc0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t pos = text.find(separator, start);
    if (pos == std::string::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, pos - start));
    start = pos + 1;
  }
}

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t pos = bytes.find('\n', start);
    size_t end = pos == std::string::npos ? bytes.size() : pos;
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    if (pos == std::string::npos) break;
    start = pos + 1;
  }
  return lines;
}

std::string Trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string TrimRight(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && text[end - 1] == ' ') --end;
  return text.substr(0, end);
}

std::string Upper(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
  return Upper(a) == Upper(b);
}

bool IsDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool ParseInt(const std::string& text, long long& value) {
  std::string digits = !text.empty() && text[0] == '-' ? text.substr(1) : text;
  if (!IsDigits(digits) || digits.size() > 15) return false;
  value = std::stoll(digits);
  if (text[0] == '-') value = -value;
  return true;
}

bool ParseHundredths(const std::string& text, char separator, long long& value) {
  int decimals = 0;
  return ParseFixed(text, separator, 2, value, decimals);
}

bool ParseThousandths(const std::string& text, char separator, long long& value, int& decimals) {
  return ParseFixed(text, separator, 3, value, decimals);
}

std::string FormatHundredths(long long value, char separator) {
  return FormatFixed(value, separator, 2);
}

std::string FormatThousandths(long long value, char separator) {
  return FormatFixed(value, separator, 3);
}

bool ReadBytes(const std::string& path, std::string& bytes) {
  std::FILE* file = platform::CurrentEnv()->OpenFile(path, "rb");
  if (file == nullptr) return false;
  bytes.clear();
  char buf[65536];
  size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof(buf), file)) > 0) bytes.append(buf, n);
  bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  platform::Env* env = platform::CurrentEnv();
  std::FILE* file = env->OpenFile(path, "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = env->CloseFile(file) && ok;
  return ok;
}

}  // namespace sim

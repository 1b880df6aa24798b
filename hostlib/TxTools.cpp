#include "hostlib/TxTools.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "hostlib/Exceptions.h"
#include "platform/Env.h"

namespace {

bool IsTrimmed(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

// Windows-1250 lower/upper pairs of the letters outside ASCII that the system meets.
struct CasePair {
  unsigned char lower;
  unsigned char upper;
};
constexpr CasePair kPolishCase[] = {
    {0xb9, 0xa5}, {0xe6, 0xc6}, {0xea, 0xca}, {0xb3, 0xa3}, {0xf1, 0xd1},
    {0xf3, 0xd3}, {0x9c, 0x8c}, {0x9f, 0x8f}, {0xbf, 0xaf},
};

}  // namespace

std::string TxTools::SelectWord(const std::string& text, int index, char separator) {
  if (index < 0) return {};
  size_t start = 0;
  for (int i = 0; i < index; ++i) {
    size_t pos = text.find(separator, start);
    if (pos == std::string::npos) return {};
    start = pos + 1;
  }
  size_t end = text.find(separator, start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string TxTools::DeleteChars(const std::string& text, const std::string& set) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (set.find(c) == std::string::npos) out += c;
  }
  return out;
}

std::string TxTools::Trim(const std::string& text) {
  return TrimLeft(TrimRight(text));
}

std::string TxTools::TrimLeft(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && IsTrimmed(text[i])) ++i;
  return text.substr(i);
}

std::string TxTools::TrimRight(const std::string& text) {
  size_t n = text.size();
  while (n > 0 && IsTrimmed(text[n - 1])) --n;
  return text.substr(0, n);
}

std::string TxTools::TrimSpaces(const std::string& text) {
  size_t b = text.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  size_t e = text.find_last_not_of(' ');
  return text.substr(b, e - b + 1);
}

std::string TxTools::UpperCase(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') {
      c = static_cast<char>(u - 'a' + 'A');
      continue;
    }
    for (const CasePair& p : kPolishCase) {
      if (u == p.lower) c = static_cast<char>(p.upper);
    }
  }
  return out;
}

std::string TxTools::LowerCase(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 'A' && u <= 'Z') {
      c = static_cast<char>(u - 'A' + 'a');
      continue;
    }
    for (const CasePair& p : kPolishCase) {
      if (u == p.upper) c = static_cast<char>(p.lower);
    }
  }
  return out;
}

bool TxTools::TryStrToInt(const std::string& text, int& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size()) return false;
  long long v = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v > INT_MAX || v < INT_MIN) return false;
  value = static_cast<int>(v);
  return true;
}

int TxTools::StrToInt(const std::string& text) {
  int value = 0;
  if (!TryStrToInt(text, value)) {
    throw EConvertError("'" + text + "' nie jest poprawną liczbą całkowitą");
  }
  return value;
}

int TxTools::StrToIntDef(const std::string& text, int def) {
  int value = 0;
  return TryStrToInt(text, value) ? value : def;
}

int TxTools::LeadingInt(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && IsTrimmed(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (v < static_cast<long long>(INT_MAX) + 1) v = v * 10 + (text[i] - '0');
  }
  if (negative) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  return static_cast<int>(v);
}

void* TxTools::ApplicationWindow = nullptr;

std::string TxTools::IntToStr(long long value) {
  return std::to_string(value);
}

std::string TxTools::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<size_t>(n));
  }
  va_end(args);
  return out;
}

std::vector<std::string> TxTools::SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  if (text.empty()) return lines;
  std::string current;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(current);
      current.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current += c;
    }
  }
  // A text ending in a line break has no empty line after it.
  if (!current.empty() || (text.back() != '\r' && text.back() != '\n')) lines.push_back(current);
  return lines;
}

int TxTools::MsgBox(const std::string& text, const std::string& title, unsigned flags) {
  return platform::CurrentEnv()->ShowMessage(ApplicationWindow, text, title, flags);
}

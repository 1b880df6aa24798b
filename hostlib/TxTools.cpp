#include "hostlib/TxTools.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <type_traits>

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

std::atomic<void*> TxTools::ApplicationWindow{nullptr};

std::string TxTools::IntToStr(long long value) {
  char buf[24];
  return std::string(buf, std::to_chars(buf, buf + sizeof(buf), value).ptr);
}

// ----- Formatting ---------------------------------------------------------------------------
//
// The C runtime's printf follows the process's numeric locale, which belongs to the host:
// under a Polish locale it writes "1,50". So the driver formats on its own. Doubles are
// expanded by std::to_chars, which rounds exactly and never looks at the locale. Long doubles
// are expanded here: libstdc++ formats a long double with a precision through snprintf, and
// so with the locale's decimal comma under MinGW.

namespace {

struct Conversion {
  bool left = false;
  bool zero = false;
  bool plus = false;
  bool space = false;
  bool alt = false;
  int width = 0;
  int precision = -1;  // none given
};

enum class Length { kNone, kChar, kShort, kLong, kLongLong, kMax, kSize, kPtrdiff, kLongDouble };

// Appends prefix (sign, "0x") and body, filled to the width: blanks in front, blanks behind
// ("-"), or zeros between prefix and body ("0", where the conversion allows it).
void Pad(std::string& out, const Conversion& c, std::string_view prefix, std::string_view body,
         bool zeroFill) {
  const size_t length = prefix.size() + body.size();
  const size_t width = static_cast<size_t>(c.width);
  const size_t fill = width > length ? width - length : 0;
  if (c.left) {
    out += prefix;
    out += body;
    out.append(fill, ' ');
  } else if (c.zero && zeroFill) {
    out += prefix;
    out.append(fill, '0');
    out += body;
  } else {
    out.append(fill, ' ');
    out += prefix;
    out += body;
  }
}

void PutInteger(std::string& out, const Conversion& c, char conversion,
                unsigned long long magnitude, bool negative, bool isSigned) {
  const int base = conversion == 'o' ? 8 : (conversion == 'x' || conversion == 'X') ? 16 : 10;
  char buf[32];
  std::string digits(buf, std::to_chars(buf, buf + sizeof(buf), magnitude, base).ptr);
  if (conversion == 'X') {
    for (char& ch : digits) {
      if (ch >= 'a' && ch <= 'f') ch = static_cast<char>(ch - 'a' + 'A');
    }
  }
  if (c.precision >= 0) {
    if (c.precision == 0 && magnitude == 0) digits.clear();
    const size_t precision = static_cast<size_t>(c.precision);
    if (digits.size() < precision) digits.insert(0, precision - digits.size(), '0');
  }
  std::string prefix;
  if (isSigned) {
    if (negative) {
      prefix = "-";
    } else if (c.plus) {
      prefix = "+";
    } else if (c.space) {
      prefix = " ";
    }
  }
  if (c.alt && conversion == 'o' && (digits.empty() || digits[0] != '0')) digits.insert(0, "0");
  if (c.alt && magnitude != 0 && (conversion == 'x' || conversion == 'X')) {
    prefix = conversion == 'x' ? "0x" : "0X";
  }
  Pad(out, c, prefix, digits, c.precision < 0);
}

// A natural number in base 2^32, least significant word first: just the arithmetic that an
// exact decimal expansion of a long double needs.
class Natural {
 public:
  explicit Natural(uint64_t value)
      : words_{static_cast<uint32_t>(value), static_cast<uint32_t>(value >> 32)} {
    Trim();
  }

  void Multiply(uint32_t factor) {
    uint64_t carry = 0;
    for (uint32_t& w : words_) {
      const uint64_t product = static_cast<uint64_t>(w) * factor + carry;
      w = static_cast<uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) words_.push_back(static_cast<uint32_t>(carry));
  }

  void ShiftLeft(size_t bits) {
    const unsigned shift = static_cast<unsigned>(bits % 32);
    if (shift != 0) {
      uint32_t carry = 0;
      for (uint32_t& w : words_) {
        const uint32_t next = w >> (32 - shift);
        w = (w << shift) | carry;
        carry = next;
      }
      if (carry != 0) words_.push_back(carry);
    }
    if (!words_.empty()) words_.insert(words_.begin(), bits / 32, 0);
  }

  // Division by 2^bits, rounded down.
  void ShiftRight(size_t bits) {
    const size_t drop = bits / 32;
    if (drop >= words_.size()) {
      words_.clear();
      return;
    }
    words_.erase(words_.begin(), words_.begin() + static_cast<std::ptrdiff_t>(drop));
    const unsigned shift = static_cast<unsigned>(bits % 32);
    if (shift != 0) {
      for (size_t i = 0; i < words_.size(); ++i) {
        const uint32_t high = i + 1 < words_.size() ? words_[i + 1] : 0;
        words_[i] = (words_[i] >> shift) | (high << (32 - shift));
      }
    }
    Trim();
  }

  bool Bit(size_t index) const {
    const size_t word = index / 32;
    return word < words_.size() && ((words_[word] >> (index % 32)) & 1u) != 0;
  }

  // Whether any bit below `index` is set.
  bool AnyBitBelow(size_t index) const {
    const size_t word = index / 32;
    for (size_t i = 0; i < word && i < words_.size(); ++i) {
      if (words_[i] != 0) return true;
    }
    const unsigned bits = static_cast<unsigned>(index % 32);
    return bits != 0 && word < words_.size() && (words_[word] & ((1u << bits) - 1)) != 0;
  }

  bool Odd() const { return !words_.empty() && (words_[0] & 1u) != 0; }

  void Increment() {
    for (uint32_t& w : words_) {
      if (++w != 0) return;
    }
    words_.push_back(1);
  }

  std::string Decimal() const {
    std::vector<uint32_t> rest = words_;
    std::string reversed;
    while (!rest.empty()) {
      uint64_t remainder = 0;
      for (size_t i = rest.size(); i-- > 0;) {
        const uint64_t current = (remainder << 32) | rest[i];
        rest[i] = static_cast<uint32_t>(current / 1000000000u);
        remainder = current % 1000000000u;
      }
      while (!rest.empty() && rest.back() == 0) rest.pop_back();
      for (int k = 0; k < 9; ++k, remainder /= 10) {
        reversed += static_cast<char>('0' + remainder % 10);
      }
    }
    while (reversed.size() > 1 && reversed.back() == '0') reversed.pop_back();
    if (reversed.empty()) reversed = "0";
    return std::string(reversed.rbegin(), reversed.rend());
  }

 private:
  void Trim() {
    while (!words_.empty() && words_.back() == 0) words_.pop_back();
  }

  std::vector<uint32_t> words_;
};

// A finite, non-negative value in fixed notation with `precision` decimals, rounded exactly
// (halves to even).
std::string FixedDigits(double value, int precision) {
  // The largest double has 309 digits before the point.
  std::string buf(static_cast<size_t>(precision) + 320, '\0');
  const std::to_chars_result r = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                               std::chars_format::fixed, precision);
  if (r.ec != std::errc()) throw Exception("Błąd formatowania liczby");
  buf.resize(static_cast<size_t>(r.ptr - buf.data()));
  return buf;
}

std::string FixedDigits(long double value, int precision) {
  constexpr int kBits = std::numeric_limits<long double>::digits;
  if constexpr (kBits == std::numeric_limits<double>::digits) {
    return FixedDigits(static_cast<double>(value), precision);
  } else {
    static_assert(kBits <= 64, "the mantissa of a long double must fit 64 bits");
    const size_t decimals = static_cast<size_t>(precision);
    if (value == 0) return decimals > 0 ? "0." + std::string(decimals, '0') : "0";
    // value = mantissa * 2^exponent, exactly; then value * 10^precision, rounded to an integer.
    int exponent = 0;
    const long double fraction = std::frexp(value, &exponent);
    const uint64_t mantissa = static_cast<uint64_t>(std::ldexp(fraction, kBits));
    exponent -= kBits;
    Natural n(mantissa);
    static constexpr uint32_t kPowers[] = {1,      10,      100,      1000,      10000,
                                           100000, 1000000, 10000000, 100000000, 1000000000};
    for (size_t left = decimals; left > 0; left -= left < 9 ? left : 9) {
      n.Multiply(kPowers[left < 9 ? left : 9]);
    }
    if (exponent >= 0) {
      n.ShiftLeft(static_cast<size_t>(exponent));
    } else {
      const size_t shift = static_cast<size_t>(-exponent);
      const bool half = n.Bit(shift - 1);
      const bool above = n.AnyBitBelow(shift - 1);
      n.ShiftRight(shift);
      if (half && (above || n.Odd())) n.Increment();
    }
    std::string digits = n.Decimal();
    if (digits.size() <= decimals) digits.insert(0, decimals + 1 - digits.size(), '0');
    if (decimals > 0) digits.insert(digits.size() - decimals, 1, '.');
    return digits;
  }
}

template <typename T>
void PutFixed(std::string& out, const Conversion& c, char conversion, T value) {
  const bool negative = std::signbit(value);
  const char* prefix = negative ? "-" : c.plus ? "+" : c.space ? " " : "";
  if (!std::isfinite(value)) {
    std::string body = std::isnan(value) ? "nan" : "inf";
    if (conversion == 'F') body = std::isnan(value) ? "NAN" : "INF";
    Pad(out, c, prefix, body, false);
    return;
  }
  const int precision = c.precision < 0 ? 6 : c.precision;
  std::string body = FixedDigits(negative ? -value : value, precision);
  if (c.alt && precision == 0) body += '.';
  Pad(out, c, prefix, body, true);
}

// Reads a decimal count (width or precision), kept within reason.
int ReadCount(const char*& p) {
  int n = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (n < 1000000) n = n * 10 + (*p - '0');
  }
  return n;
}

// `args` is a pointer so that every reader advances the same list on every ABI.
std::string FormatList(const char* format, va_list* args) {
  std::string out;
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') {
      out += *p;
      continue;
    }
    ++p;
    Conversion c;
    for (;; ++p) {
      if (*p == '-') {
        c.left = true;
      } else if (*p == '0') {
        c.zero = true;
      } else if (*p == '+') {
        c.plus = true;
      } else if (*p == ' ') {
        c.space = true;
      } else if (*p == '#') {
        c.alt = true;
      } else {
        break;
      }
    }
    if (*p == '*') {
      const int width = va_arg(*args, int);
      if (width < 0) c.left = true;
      c.width = width < 0 ? (width == INT_MIN ? INT_MAX : -width) : width;
      ++p;
    } else {
      c.width = ReadCount(p);
    }
    if (*p == '.') {
      ++p;
      if (*p == '*') {
        const int precision = va_arg(*args, int);
        c.precision = precision < 0 ? -1 : precision;
        ++p;
      } else {
        c.precision = ReadCount(p);
      }
    }
    Length length = Length::kNone;
    if (*p == 'h') {
      length = p[1] == 'h' ? Length::kChar : Length::kShort;
      p += p[1] == 'h' ? 2 : 1;
    } else if (*p == 'l') {
      length = p[1] == 'l' ? Length::kLongLong : Length::kLong;
      p += p[1] == 'l' ? 2 : 1;
    } else if (*p == 'j') {
      length = Length::kMax, ++p;
    } else if (*p == 'z') {
      length = Length::kSize, ++p;
    } else if (*p == 't') {
      length = Length::kPtrdiff, ++p;
    } else if (*p == 'L') {
      length = Length::kLongDouble, ++p;
    }
    const char conversion = *p;
    switch (conversion) {
      case 'd':
      case 'i': {
        long long v = 0;
        switch (length) {
          case Length::kChar:
            v = static_cast<signed char>(va_arg(*args, int));
            break;
          case Length::kShort:
            v = static_cast<short>(va_arg(*args, int));
            break;
          case Length::kLong:
            v = va_arg(*args, long);
            break;
          case Length::kLongLong:
            v = va_arg(*args, long long);
            break;
          case Length::kMax:
            v = va_arg(*args, intmax_t);
            break;
          case Length::kSize:
            v = va_arg(*args, std::make_signed_t<size_t>);
            break;
          case Length::kPtrdiff:
            v = va_arg(*args, ptrdiff_t);
            break;
          default:
            v = va_arg(*args, int);
            break;
        }
        const unsigned long long magnitude =
            v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
        PutInteger(out, c, conversion, magnitude, v < 0, true);
        break;
      }
      case 'u':
      case 'o':
      case 'x':
      case 'X': {
        unsigned long long v = 0;
        switch (length) {
          case Length::kChar:
            v = static_cast<unsigned char>(va_arg(*args, unsigned));
            break;
          case Length::kShort:
            v = static_cast<unsigned short>(va_arg(*args, unsigned));
            break;
          case Length::kLong:
            v = va_arg(*args, unsigned long);
            break;
          case Length::kLongLong:
            v = va_arg(*args, unsigned long long);
            break;
          case Length::kMax:
            v = va_arg(*args, uintmax_t);
            break;
          case Length::kSize:
            v = va_arg(*args, size_t);
            break;
          case Length::kPtrdiff:
            v = va_arg(*args, std::make_unsigned_t<ptrdiff_t>);
            break;
          default:
            v = va_arg(*args, unsigned);
            break;
        }
        PutInteger(out, c, conversion, v, false, false);
        break;
      }
      case 'c': {
        const char ch = static_cast<char>(va_arg(*args, int));
        Pad(out, c, "", std::string_view(&ch, 1), false);
        break;
      }
      case 's': {
        const char* text = va_arg(*args, const char*);
        if (text == nullptr) text = "(null)";
        // With a precision the text need not end within it, so it is not read further.
        size_t n = 0;
        if (c.precision >= 0) {
          const void* end = std::memchr(text, '\0', static_cast<size_t>(c.precision));
          n = end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - text)
                             : static_cast<size_t>(c.precision);
        } else {
          n = std::strlen(text);
        }
        Pad(out, c, "", std::string_view(text, n), false);
        break;
      }
      case 'f':
      case 'F':
        if (length == Length::kLongDouble) {
          PutFixed(out, c, conversion, va_arg(*args, long double));
        } else {
          PutFixed(out, c, conversion, va_arg(*args, double));
        }
        break;
      case '%':
        out += '%';
        break;
      default:
        throw Exception("Nieobsługiwany format tekstu: \"" + std::string(format) + "\"");
    }
  }
  return out;
}

}  // namespace

std::string TxTools::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out;
  try {
    out = FormatList(format, &args);
  } catch (...) {
    va_end(args);
    throw;
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

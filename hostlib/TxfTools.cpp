#include "hostlib/TxfTools.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "hostlib/Exceptions.h"
#include "hostlib/TxTools.h"

namespace {

// Length of the decimal number at the start of text[from..]; 0 when there is none.
size_t NumberLength(const std::string& text, size_t from) {
  size_t i = from;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    size_t j = i + 1;
    size_t fraction = 0;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j, ++fraction;
    if (digits + fraction > 0) {
      i = j;
      digits += fraction;
    }
  }
  return digits > 0 ? i - from : 0;
}

double ToDouble(const std::string& text) {
  // strtod would follow the C locale; the text is already checked to be plain digits.
  return std::strtod(text.c_str(), nullptr);
}

}  // namespace

double TxfTools::ParseLeading(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= 0x20) ++i;
  size_t n = NumberLength(text, i);
  return n == 0 ? 0.0 : ToDouble(text.substr(i, n));
}

bool TxfTools::TryStrToDecimal(const std::string& text, double& value) {
  std::string t = TxTools::Trim(text);
  size_t n = NumberLength(t, 0);
  if (n == 0 || n != t.size()) return false;
  value = ToDouble(t);
  return true;
}

double TxfTools::StrToDecimal(const std::string& text) {
  double value = 0;
  if (!TryStrToDecimal(text, value)) {
    throw EConvertError("'" + text + "' nie jest poprawną liczbą");
  }
  return value;
}

double TxfTools::Round(double value, int places) {
  double scale = std::pow(10.0, places);
  double scaled = value * scale;
  // Binary fractions make 2.675 * 100 come out as 267.4999...; reading the product back at
  // 15 significant digits restores the decimal value the caller meant before rounding.
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%.15g", scaled);
  scaled = std::strtod(buf, nullptr);
  return std::round(scaled) / scale;
}

std::string TxfTools::Format(double value, int places) {
  double r = Round(value, places);
  if (r == 0) r = 0;  // no "-0.00"
  char buf[64];
  std::snprintf(buf, sizeof(buf), "%.*f", places, r);
  return buf;
}

#include "hostlib/TxfTools.h"

#include <charconv>
#include <cmath>
#include <string_view>

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

// The number NumberLength found, read exactly and whatever the process's locale (strtod would
// read "1.500" as 1 under a decimal-comma locale). False when it does not fit a double.
bool ToDouble(std::string_view text, double& value) {
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  double magnitude = 0;
  const std::from_chars_result r =
      std::from_chars(text.data(), text.data() + text.size(), magnitude, std::chars_format::fixed);
  if (r.ec == std::errc::result_out_of_range) {
    // Too small to tell from 0 is 0; too large is no number the system can hold.
    if (text.find_first_not_of("0.") < text.find('.')) return false;
    magnitude = 0;
  } else if (r.ec != std::errc() || r.ptr != text.data() + text.size()) {
    return false;
  }
  value = negative ? -magnitude : magnitude;
  return true;
}

}  // namespace

double TxfTools::ParseLeading(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= 0x20) ++i;
  size_t n = NumberLength(text, i);
  double value = 0;
  return n != 0 && ToDouble(std::string_view(text).substr(i, n), value) ? value : 0.0;
}

bool TxfTools::TryStrToDecimal(const std::string& text, double& value) {
  std::string t = TxTools::Trim(text);
  size_t n = NumberLength(t, 0);
  if (n == 0 || n != t.size()) return false;
  return ToDouble(t, value);
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
  if (!std::isfinite(scaled)) return value;
  // Binary fractions make 2.675 * 100 come out as 267.4999...; reading the product back at
  // 15 significant digits restores the decimal value the caller meant before rounding.
  char buf[64];
  const std::to_chars_result shown =
      std::to_chars(buf, buf + sizeof(buf), scaled, std::chars_format::general, 15);
  std::from_chars(buf, shown.ptr, scaled, std::chars_format::general);
  return std::round(scaled) / scale;
}

std::string TxfTools::Format(double value, int places) {
  if (places < 0) places = 0;
  double r = Round(value, places);
  if (r == 0) r = 0;  // no "-0.00"
  // A whole number (the import writes one for every amount and quantity) is its integer's
  // digits, without the general formatter.
  if (places == 0 && std::fabs(r) < 9e15) return TxTools::IntToStr(static_cast<long long>(r));
  return TxTools::Format("%.*f", places, r);
}

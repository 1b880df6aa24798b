// Decimal tools of the host library: numbers in texts use "." as the decimal separator,
// whatever locale the host set for the process.
#pragma once

#include <string>

class TxfTools {
 public:
  // The longest leading decimal number of `text` (blanks skipped, an optional sign, digits,
  // an optional "." and digits); 0 when the text does not begin with a number or the number
  // is too large for a double.
  static double ParseLeading(const std::string& text);
  // The whole trimmed text as a decimal number; EConvertError for anything else (a number
  // too large for a double included).
  static double StrToDecimal(const std::string& text);
  static bool TryStrToDecimal(const std::string& text, double& value);
  // `value` rounded to `places` decimal places, halves away from zero.
  static double Round(double value, int places);
  // `value` with exactly `places` decimals (none when `places` is below 0) and "." as
  // separator, rounded as Round does.
  static std::string Format(double value, int places);
};

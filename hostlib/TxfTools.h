// Decimal tools of the host library: numbers in texts use "." as the decimal separator.
#pragma once

#include <string>

class TxfTools {
 public:
  // The longest leading decimal number of `text` (blanks skipped, an optional sign, digits,
  // an optional "." and digits); 0 when the text does not begin with a number.
  static double ParseLeading(const std::string& text);
  // The whole trimmed text as a decimal number; EConvertError for anything else.
  static double StrToDecimal(const std::string& text);
  static bool TryStrToDecimal(const std::string& text, double& value);
  // `value` rounded to `places` decimal places, halves away from zero.
  static double Round(double value, int places);
  // `value` with exactly `places` decimals and "." as separator (rounded as Round does).
  static std::string Format(double value, int places);
};

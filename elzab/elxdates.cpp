#include "elzab/elxdates.h"

#include <vector>

#include "hostlib/Exceptions.h"
#include "hostlib/TdtTools.h"
#include "hostlib/TxTools.h"

namespace {

// The parts of a date or time written with "." or ":" between them.
std::vector<std::string> Parts(const std::string& text) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == '.' || c == ':') {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

[[noreturn]] void NoDate(const std::string& text) {
  throw EConvertError("'" + text + "' nie jest poprawną datą");
}

// A two-digit year of the register: 00..79 are this century, 80..99 the last one (a receipt
// of 1998 must not come out as the year 98). A year written in full stays.
int FullYear(int year) {
  if (year >= 0 && year < 80) return year + 2000;
  if (year >= 80 && year < 100) return year + 1900;
  return year;
}

bool SixDigits(const std::string& text) {
  if (text.size() != 6) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int Two(const std::string& text, size_t at) {
  return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

}  // namespace

namespace RegisterDates {

// Method 4's date: year, month and day with "." or ":" between them.
double Dotted(const std::string& text) {
  const std::vector<std::string> parts = Parts(text);
  int y = 0, m = 0, d = 0;
  if (parts.size() != 3 || !TxTools::TryStrToInt(parts[0], y) ||
      !TxTools::TryStrToInt(parts[1], m) || !TxTools::TryStrToInt(parts[2], d)) {
    NoDate(text);
  }
  DateParts p;
  p.year = FullYear(y);
  p.month = m;
  p.day = d;
  double value = 0;
  if (!TdtTools::TryEncode(p, value)) NoDate(text);
  return value;
}

// Method 4's time: hour and minute with "." or ":" between them; a missing minute is 0.
// Seconds, which some registers write too, are read as a number and left out: the time of
// a line is its hour and minute.
double DottedClock(const std::string& text) {
  const std::vector<std::string> parts = Parts(text);
  DateParts p;
  p.year = 1899;
  p.month = 12;
  p.day = 30;
  // Digits only: "1x:05" read by its digits would put a sale under another hour.
  int seconds = 0;
  double value = 0;
  if (parts.empty() || !TxTools::TryStrToInt(parts[0], p.hour) ||
      (parts.size() > 1 && !parts[1].empty() && !TxTools::TryStrToInt(parts[1], p.minute)) ||
      parts.size() > 3 ||
      (parts.size() == 3 &&
       (!TxTools::TryStrToInt(parts[2], seconds) || seconds < 0 || seconds > 59)) ||
      !TdtTools::TryEncode(p, value)) {
    throw EConvertError("'" + text + "' nie jest poprawnym czasem");
  }
  return value;
}

// Method 5's date YYMMDD.
double Compact(const std::string& text) {
  DateParts p;
  double value = 0;
  if (SixDigits(text)) {
    p.year = 2000 + Two(text, 0);
    p.month = Two(text, 2);
    p.day = Two(text, 4);
    if (TdtTools::TryEncode(p, value)) return value;
  }
  NoDate(text);
}

// Method 5's time HHMMSS.
double CompactClock(const std::string& text) {
  DateParts p;
  double value = 0;
  if (SixDigits(text)) {
    p.hour = Two(text, 0);
    p.minute = Two(text, 2);
    p.second = Two(text, 4);
    if (TdtTools::TryEncode(p, value)) return value;
  }
  throw EConvertError("'" + text + "' nie jest poprawnym czasem");
}

double ClockDateTime(const std::string& date, const std::string& time) {
  const std::string digits =
      TxTools::DeleteChars(TxTools::TrimSpaces(date) + TxTools::TrimSpaces(time), ".:");
  double value = 0;
  if (!TdtTools::ParseCompressed("20" + digits + "00000", value)) {
    throw EConvertError("'" + date + " " + time + "' nie jest poprawną datą");
  }
  return value;
}

double CompactDateTime(const std::string& date, const std::string& time) {
  const std::string text = date + time;
  std::string digits;
  bool valid = true;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digits += c;
    } else if (c != ' ' && c != '.' && c != ':' && c != '-') {
      valid = false;
    }
  }
  double value = 0;
  const std::string tail = digits.size() == 10 ? "00000" : "000";
  if (!valid || (digits.size() != 10 && digits.size() != 12) ||
      !TdtTools::ParseCompressed("20" + digits + tail, value)) {
    throw EConvertError("'" + date + " " + time + "' nie jest poprawną datą");
  }
  return value;
}

}  // namespace RegisterDates

// The register's dates and times as ELZAB's programs write them, read into the host's day
// counts (days since 30 December 1899, the fraction the time of day). Every date form of
// every output is read here, each by its own rule, and nowhere else. Each raises the
// conversion error naming the text it cannot read.
#pragma once

#include <string>

namespace RegisterDates {

// Year, month and day with "." or ":" between them (YY.MM.DD, or the year in full): the
// receipt buffer of method 4.
double Dotted(const std::string& text);
// Hour and minute with "." or ":" between them (seconds read and left out); a time of day.
double DottedClock(const std::string& text);
// The Sigma's cashier and clock files: date and time each trimmed, joined and stripped of
// "." and ":", read as the digits YYMMDDhhmm of this century; the error names both texts as
// one date. Stricter than the receipt buffer's form (no seconds, no other century), as the
// back office has always been given these two moments.
double ClockDateTime(const std::string& date, const std::string& time);
// Method 5's date YYMMDD.
double Compact(const std::string& text);
// Method 5's time HHMMSS.
double CompactClock(const std::string& text);
// Method 5's deposits and withdrawals: the digits of both fields in order give YYMMDDhhmm,
// whatever their split (seconds, when a register writes them, are taken too).
double CompactDateTime(const std::string& date, const std::string& time);

}  // namespace RegisterDates

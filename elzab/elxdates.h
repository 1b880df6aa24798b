// The register's dates and times as ELZAB's programs write them, read into the host's day
// counts (days since 30 December 1899, the fraction the time of day). Every date form of
// every output is read here, so that one form has one rule. Each raises the conversion error
// naming the text it cannot read.
#pragma once

#include <string>

namespace RegisterDates {

// Year, month and day with "." or ":" between them (YY.MM.DD, or the year in full): the
// receipt buffer of method 4 and the Sigma's cashier and clock files.
double Dotted(const std::string& text);
// Hour and minute with "." or ":" between them (seconds read and left out); a time of day.
double DottedClock(const std::string& text);
// Both, as one moment; the error names both texts as one date.
double DottedDateTime(const std::string& date, const std::string& time);
// Method 5's date YYMMDD.
double Compact(const std::string& text);
// Method 5's time HHMMSS.
double CompactClock(const std::string& text);
// Method 5's deposits and withdrawals: the digits of both fields in order give YYMMDDhhmm,
// whatever their split (seconds, when a register writes them, are taken too).
double CompactDateTime(const std::string& date, const std::string& time);

}  // namespace RegisterDates

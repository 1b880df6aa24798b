// Date tools of the host library. A date-time is a day count: days since 30 December 1899,
// the fraction being the time of day.
#pragma once

#include <string>

struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class TdtTools {
 public:
  // Day count of a calendar date and a time. False (result untouched) for an invalid date.
  static bool TryEncode(const DateParts& parts, double& dateTime);
  static double EncodeDate(int year, int month, int day);  // EConvertError when invalid
  static DateParts Decode(double dateTime);
  static double DatePart(double dateTime);  // midnight of the same day
  // 1 = Sunday ... 7 = Saturday.
  static int DayOfWeek(double dateTime);

  // The compressed form: 17 digits, year (4), month, day, hour, minute, second (2 each),
  // milliseconds (3).
  static std::string FormatCompressed(double dateTime);
  // Reads the compressed form; false for anything else (an invalid date included).
  static bool ParseCompressed(const std::string& text, double& dateTime);

  // The readable date-and-time form (the host's format 7): "2026-12-08 14:05:09".
  static std::string FormatReadable(double dateTime);
  // The plain date form: "2026-12-08".
  static std::string FormatDate(double dateTime);
  // The hour without a leading zero ("h"): "7", "14".
  static std::string FormatHour(double dateTime);
  // The Polish name of the weekday ("poniedziałek" ...).
  static std::string PolishWeekday(double dateTime);

  // Reads a date as the host writes it into a date parameter (its format 13): "2026-12-08",
  // "2026.12.08", "08.12.2026", "08-12-2026", "20261208", or the compressed form, each
  // optionally followed by a time "14:05" or "14:05:09". False when the text is none of them.
  static bool ParseHostDate(const std::string& text, double& dateTime);

  // The current local date and time (from the platform's clock).
  static double Now();
};

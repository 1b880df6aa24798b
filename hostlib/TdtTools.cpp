#include "hostlib/TdtTools.h"

#include <cmath>

#include "hostlib/Exceptions.h"
#include "hostlib/TxTools.h"
#include "platform/Env.h"

namespace {

constexpr long long kMsPerDay = 86400000LL;

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

constexpr long long kUnixEpochDay = 25569;  // 1970-01-01 as a day count

bool IsLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

bool AllDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// The value of digits the caller has checked (at most a few), without the C runtime.
int Num(const std::string& s, size_t pos, size_t len) {
  int n = 0;
  for (size_t i = pos; i < pos + len && i < s.size(); ++i) n = n * 10 + (s[i] - '0');
  return n;
}

// Splits "a<sep>b<sep>c" where every part is digits; false when the shape differs.
bool SplitNumbers(const std::string& text, char sep, int count, int* out) {
  size_t start = 0;
  for (int i = 0; i < count; ++i) {
    size_t end = text.find(sep, start);
    if (i == count - 1) {
      if (end != std::string::npos) return false;
      end = text.size();
    } else if (end == std::string::npos) {
      return false;
    }
    std::string part = text.substr(start, end - start);
    if (!AllDigits(part) || part.size() > 4) return false;
    out[i] = Num(part, 0, part.size());
    start = end + 1;
  }
  return true;
}

}  // namespace

bool TdtTools::TryEncode(const DateParts& p, double& dateTime) {
  if (p.year < 1 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
      p.day > DaysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
      p.minute > 59 || p.second < 0 || p.second > 59 || p.millisecond < 0 || p.millisecond > 999) {
    return false;
  }
  long long days =
      DaysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) +
      kUnixEpochDay;
  long long ms = ((p.hour * 60LL + p.minute) * 60LL + p.second) * 1000LL + p.millisecond;
  dateTime = static_cast<double>(days) + static_cast<double>(ms) / kMsPerDay;
  return true;
}

double TdtTools::EncodeDate(int year, int month, int day) {
  DateParts p;
  p.year = year;
  p.month = month;
  p.day = day;
  double dt = 0;
  if (!TryEncode(p, dt)) {
    throw EConvertError(TxTools::Format("Niepoprawna data %04d-%02d-%02d", year, month, day));
  }
  return dt;
}

DateParts TdtTools::Decode(double dateTime) {
  long long total = std::llround(dateTime * static_cast<double>(kMsPerDay));
  long long days = total / kMsPerDay;
  long long ms = total % kMsPerDay;
  if (ms < 0) {
    ms += kMsPerDay;
    --days;
  }
  DateParts p;
  CivilFromDays(days - kUnixEpochDay, p.year, p.month, p.day);
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.millisecond = static_cast<int>(ms % 1000);
  return p;
}

double TdtTools::DatePart(double dateTime) {
  DateParts p = Decode(dateTime);
  p.hour = p.minute = p.second = p.millisecond = 0;
  double dt = 0;
  TryEncode(p, dt);
  return dt;
}

int TdtTools::DayOfWeek(double dateTime) {
  long long days = static_cast<long long>(std::floor(DatePart(dateTime) + 0.5));
  // Day 0 (1899-12-30) was a Saturday.
  long long w = (days + 6) % 7;
  if (w < 0) w += 7;
  return static_cast<int>(w) + 1;
}

std::string TdtTools::FormatCompressed(double dateTime) {
  DateParts p = Decode(dateTime);
  // Written digit by digit: an import writes this for every receipt line, and the general
  // formatter took a large share of it. Parts outside their usual widths go the general way.
  const int parts[] = {p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond};
  const int widths[] = {4, 2, 2, 2, 2, 2, 3};
  const int limits[] = {10000, 100, 100, 100, 100, 100, 1000};
  std::string text(17, '0');
  size_t end = 0;
  for (size_t i = 0; i < 7; ++i) {
    if (parts[i] < 0 || parts[i] >= limits[i]) {
      return TxTools::Format("%04d%02d%02d%02d%02d%02d%03d", p.year, p.month, p.day, p.hour,
                             p.minute, p.second, p.millisecond);
    }
    end += static_cast<size_t>(widths[i]);
    for (int n = parts[i], k = 1; k <= widths[i]; ++k, n /= 10) {
      text[end - static_cast<size_t>(k)] = static_cast<char>('0' + n % 10);
    }
  }
  return text;
}

bool TdtTools::ParseCompressed(const std::string& text, double& dateTime) {
  if (text.size() != 17 || !AllDigits(text)) return false;
  DateParts p;
  p.year = Num(text, 0, 4);
  p.month = Num(text, 4, 2);
  p.day = Num(text, 6, 2);
  p.hour = Num(text, 8, 2);
  p.minute = Num(text, 10, 2);
  p.second = Num(text, 12, 2);
  p.millisecond = Num(text, 14, 3);
  return TryEncode(p, dateTime);
}

std::string TdtTools::FormatReadable(double dateTime) {
  DateParts p = Decode(dateTime);
  return TxTools::Format("%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute,
                         p.second);
}

std::string TdtTools::FormatDate(double dateTime) {
  DateParts p = Decode(dateTime);
  return TxTools::Format("%04d-%02d-%02d", p.year, p.month, p.day);
}

std::string TdtTools::FormatHour(double dateTime) {
  return TxTools::IntToStr(Decode(dateTime).hour);
}

std::string TdtTools::PolishWeekday(double dateTime) {
  static const char* const names[] = {"niedziela", "poniedziałek", "wtorek", "środa",
                                      "czwartek",  "piątek",       "sobota"};
  return names[DayOfWeek(dateTime) - 1];
}

bool TdtTools::ParseHostDate(const std::string& text, double& dateTime) {
  std::string t = TxTools::Trim(text);
  if (ParseCompressed(t, dateTime)) return true;
  std::string datePart = t;
  std::string timePart;
  size_t blank = t.find_first_of(" T");
  if (blank != std::string::npos) {
    datePart = t.substr(0, blank);
    timePart = TxTools::Trim(t.substr(blank + 1));
  }
  DateParts p;
  int n[3] = {0, 0, 0};
  bool ok = false;
  if (datePart.size() == 8 && AllDigits(datePart)) {
    p.year = Num(datePart, 0, 4);
    p.month = Num(datePart, 4, 2);
    p.day = Num(datePart, 6, 2);
    ok = true;
  } else {
    for (char sep : {'-', '.', '/'}) {
      if (SplitNumbers(datePart, sep, 3, n)) {
        if (n[0] > 31) {  // year first
          p.year = n[0], p.month = n[1], p.day = n[2];
        } else {
          p.day = n[0], p.month = n[1], p.year = n[2];
        }
        ok = p.year >= 1000;
        break;
      }
    }
  }
  if (!ok) return false;
  if (!timePart.empty()) {
    int tm[3] = {0, 0, 0};
    if (SplitNumbers(timePart, ':', 3, tm)) {
      p.hour = tm[0], p.minute = tm[1], p.second = tm[2];
    } else if (SplitNumbers(timePart, ':', 2, tm)) {
      p.hour = tm[0], p.minute = tm[1];
    } else {
      return false;
    }
  }
  return TryEncode(p, dateTime);
}

double TdtTools::Now() {
  return platform::CurrentEnv()->Now();
}

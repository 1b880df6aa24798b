// The register's date forms, each read by one rule wherever it appears.
#include "elzab/elxdates.h"

#include <gtest/gtest.h>

#include <functional>

#include "hostlib/Exceptions.h"
#include "hostlib/TdtTools.h"

namespace {

double At(int y, int mo, int d, int h = 0, int mi = 0) {
  return TdtTools::EncodeDate(y, mo, d) + (h * 60 + mi) / 1440.0;
}
double Clock(int h, int mi) {
  return (h * 60 + mi) / 1440.0;
}

// What `read` gives, or its conversion error's text.
std::string Read(const std::function<double()>& read, double& value) {
  try {
    value = read();
    return "";
  } catch (const EConvertError& e) {
    return e.Message();
  }
}

}  // namespace

TEST(RegisterDates, EachFormReadsWhatTheRegisterWritesAndNamesWhatItCannot) {
  using namespace RegisterDates;
  struct Case {
    const char* what;
    std::function<double()> read;
    double expected;  // when error is empty
    const char* error;
  };
  const Case cases[] = {
      {"two-digit year", [] { return Dotted("24.05.17"); }, At(2024, 5, 17), ""},
      {"last century", [] { return Dotted("98.12.31"); }, At(1998, 12, 31), ""},
      {"full year", [] { return Dotted("2024.05.17"); }, At(2024, 5, 17), ""},
      {"colons", [] { return Dotted("24:05:17"); }, At(2024, 5, 17), ""},
      {"no day", [] { return Dotted("24.05"); }, 0, "'24.05' nie jest poprawną datą"},
      {"month 13", [] { return Dotted("24.13.01"); }, 0, "'24.13.01' nie jest poprawną datą"},
      {"clock", [] { return DottedClock("08:30"); }, Clock(8, 30), ""},
      {"seconds left out", [] { return DottedClock("08:30:59"); }, Clock(8, 30), ""},
      {"hour alone", [] { return DottedClock("08"); }, Clock(8, 0), ""},
      {"second 60", [] { return DottedClock("08:30:60"); }, 0,
       "'08:30:60' nie jest poprawnym czasem"},
      {"hour 25", [] { return DottedClock("25:00"); }, 0, "'25:00' nie jest poprawnym czasem"},
      {"cashier's moment", [] { return ClockDateTime(" 24.05.17 ", "08:30 "); },
       At(2024, 5, 17, 8, 30), ""},
      {"cashier's moment, always this century", [] { return ClockDateTime("98.12.31", "23:59"); },
       At(2098, 12, 31, 23, 59), ""},
      {"cashier's moment with seconds", [] { return ClockDateTime("24.05.17", "08:30:15"); }, 0,
       "'24.05.17 08:30:15' nie jest poprawną datą"},
      {"cashier's moment damaged", [] { return ClockDateTime("24.05.1x", "08:30"); }, 0,
       "'24.05.1x 08:30' nie jest poprawną datą"},
      {"compact", [] { return Compact("240517"); }, At(2024, 5, 17), ""},
      {"compact short", [] { return Compact("24051"); }, 0, "'24051' nie jest poprawną datą"},
      {"compact clock", [] { return CompactClock("083000"); }, Clock(8, 30), ""},
      {"compact minute 60", [] { return CompactClock("086000"); }, 0,
       "'086000' nie jest poprawnym czasem"},
      {"deposit, any split", [] { return CompactDateTime("24-05-17", "08:30"); },
       At(2024, 5, 17, 8, 30), ""},
      {"deposit with seconds", [] { return CompactDateTime("240517", "083000"); },
       At(2024, 5, 17, 8, 30), ""},
      {"deposit too few digits", [] { return CompactDateTime("2405", "17"); }, 0,
       "'2405 17' nie jest poprawną datą"},
      {"deposit letter", [] { return CompactDateTime("24051a", "0830"); }, 0,
       "'24051a 0830' nie jest poprawną datą"},
  };
  for (const Case& c : cases) {
    double value = -1;
    EXPECT_EQ(Read(c.read, value), c.error) << c.what;
    if (*c.error == '\0') {
      EXPECT_NEAR(value, c.expected, 1e-9) << c.what;
    }
  }
}

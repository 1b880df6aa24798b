#include "hostlib/TdtTools.h"

#include <gtest/gtest.h>

#include "hostlib/Exceptions.h"
#include "platform/FakeEnv.h"

namespace {
double At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  DateParts p;
  p.year = y, p.month = mo, p.day = d, p.hour = h, p.minute = mi, p.second = s, p.millisecond = ms;
  double dt = 0;
  EXPECT_TRUE(TdtTools::TryEncode(p, dt));
  return dt;
}
}  // namespace

TEST(TdtTools, DayCountsStartOn30December1899) {
  EXPECT_DOUBLE_EQ(TdtTools::EncodeDate(1899, 12, 30), 0.0);
  EXPECT_DOUBLE_EQ(TdtTools::EncodeDate(1900, 1, 1), 2.0);
  EXPECT_DOUBLE_EQ(TdtTools::EncodeDate(1970, 1, 1), 25569.0);
  EXPECT_DOUBLE_EQ(TdtTools::EncodeDate(2026, 12, 8), 46364.0);
  EXPECT_DOUBLE_EQ(At(2026, 12, 8, 12), 46364.5);
  EXPECT_THROW(TdtTools::EncodeDate(2025, 2, 29), EConvertError);
}

TEST(TdtTools, DecodeGivesBackEveryPartToTheMillisecond) {
  DateParts p = TdtTools::Decode(At(2024, 2, 29, 23, 59, 59, 999));
  EXPECT_EQ(p.year, 2024);
  EXPECT_EQ(p.month, 2);
  EXPECT_EQ(p.day, 29);
  EXPECT_EQ(p.hour, 23);
  EXPECT_EQ(p.minute, 59);
  EXPECT_EQ(p.second, 59);
  EXPECT_EQ(p.millisecond, 999);
}

TEST(TdtTools, CompressedFormIsSeventeenDigitsBothWays) {
  double dt = At(2005, 3, 14, 8, 30, 0, 0);
  EXPECT_EQ(TdtTools::FormatCompressed(dt), "20050314083000000");
  EXPECT_EQ(TdtTools::FormatCompressed(At(2026, 12, 8, 14, 5, 9, 7)), "20261208140509007");
  double back = 0;
  ASSERT_TRUE(TdtTools::ParseCompressed("20050314083000000", back));
  EXPECT_EQ(TdtTools::FormatCompressed(back), "20050314083000000");
  EXPECT_FALSE(TdtTools::ParseCompressed("2005031408300000", back));   // 16 digits
  EXPECT_FALSE(TdtTools::ParseCompressed("20051314083000000", back));  // month 13
  EXPECT_FALSE(TdtTools::ParseCompressed("2005031408300000x", back));
}

TEST(TdtTools, ReadableFormsAndPolishWeekdays) {
  double dt = At(2026, 12, 8, 7, 5, 9);
  EXPECT_EQ(TdtTools::FormatReadable(dt), "2026-12-08 07:05:09");
  EXPECT_EQ(TdtTools::FormatDate(dt), "2026-12-08");
  EXPECT_EQ(TdtTools::FormatHour(dt), "7");
  EXPECT_EQ(TdtTools::FormatHour(At(2026, 12, 8, 14)), "14");
  EXPECT_EQ(TdtTools::PolishWeekday(dt), "wtorek");
  EXPECT_EQ(TdtTools::PolishWeekday(At(2026, 12, 6)), "niedziela");
  EXPECT_EQ(TdtTools::PolishWeekday(At(2026, 12, 7)), "poniedziałek");
  EXPECT_EQ(TdtTools::PolishWeekday(At(2026, 12, 12)), "sobota");
  EXPECT_EQ(TdtTools::DayOfWeek(0.0), 7);  // 30 December 1899 was a Saturday
}

TEST(TdtTools, HostDateParameterForms) {
  double dt = 0;
  const double day = TdtTools::EncodeDate(2026, 12, 8);
  for (const char* text : {"2026-12-08", "2026.12.08", "08.12.2026", "08-12-2026", "20261208",
                           " 2026-12-08 ", "20261208000000000"}) {
    ASSERT_TRUE(TdtTools::ParseHostDate(text, dt)) << text;
    EXPECT_DOUBLE_EQ(dt, day) << text;
  }
  ASSERT_TRUE(TdtTools::ParseHostDate("2026-12-08 14:30", dt));
  EXPECT_EQ(TdtTools::FormatReadable(dt), "2026-12-08 14:30:00");
  for (const char* text :
       {"", "jutro", "2026-13-01", "31.02.2026", "08.12.26", "2026-12-08 25:00"}) {
    EXPECT_FALSE(TdtTools::ParseHostDate(text, dt)) << text;
  }
}

TEST(TdtTools, NowComesFromThePlatformClock) {
  platform::FakeEnv fake;
  fake.now = 46364.25;
  platform::ScopedEnv scope(&fake);
  EXPECT_DOUBLE_EQ(TdtTools::Now(), 46364.25);
}

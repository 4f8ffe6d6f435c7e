// The timestamp formatter on the real national-language services. Suites named *OnTheLocaleClock*
// run twice (see CMakeLists.txt): on a 24-hour and on a 12-hour user locale; each reads the locale's
// clock with GetLocaleInfoA itself and checks the matching expectation.
#include "timefmt/timestamp_formatter.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

// Days since 30 December 1899 of a civil date (proleptic Gregorian), plus the time of day.
double OleDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  const int y = month <= 2 ? year - 1 : year;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long long daysSince1970 = static_cast<long long>(era) * 146097 + doe - 719468;
  return static_cast<double>(daysSince1970 + 25569) + (hour * 3600 + minute * 60 + second) / 86400.0;
}

const double kExample = OleDate(2017, 11, 6, 18, 9, 33);

// The clock of this process's user locale, read directly.
bool LocaleShows24Hour() {
  char buffer[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ITIME, buffer, sizeof buffer);
  return std::string(buffer) == "1";
}

const std::string& Expected(const std::string& on24Hour, const std::string& on12Hour) {
  return LocaleShows24Hour() ? on24Hour : on12Hour;
}

TEST(OleDateOfTheTests, MatchesTheKnownSerial) {
  EXPECT_EQ(OleDate(2017, 11, 6), 43045.0);
}

TEST(IsLocale24HourOnTheLocaleClock, FollowsTheUserLocale) {
  EXPECT_EQ(IsLocale24Hour(), LocaleShows24Hour());
  // The test entries say which clock they set up; the 12-hour entry must really be on 12 hours.
  if (const char* expected = std::getenv("QUILLET_EXPECTED_CLOCK")) {
    EXPECT_EQ(IsLocale24Hour(), std::string(expected) == "24")
        << "user locale " << std::hex << GetUserDefaultLCID();
  }
  // Whichever the clock, the code page of the texts is 936.
  EXPECT_EQ(GetACP(), 936u);
}

// ---------------------------------------------------------------------------------------------------

struct Case {
  const char* name;
  double dateTime;
  int style;
  int part;
  std::string on24Hour;
  std::string on12Hour;
};

class FormatTimestampOnTheLocaleClock : public testing::TestWithParam<Case> {};

TEST_P(FormatTimestampOnTheLocaleClock, GivesTheText) {
  const Case& c = GetParam();
  EXPECT_EQ(FormatTimestamp(c.dateTime, c.style, c.part), Expected(c.on24Hour, c.on12Hour));
}

const double kMidnightFive = OleDate(2017, 11, 6, 0, 5, 0);
const double kNoonFive = OleDate(2017, 11, 6, 12, 5, 0);

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, FormatTimestampOnTheLocaleClock,
    testing::Values(Case{"style0", kExample, 0, 0, "2017年11月06日 18时09分33秒",
                         "2017年11月06日 06时09分33秒"},
                    Case{"style1", kExample, 1, 0, "2017-11-06 18:09:33", "2017-11-06 06:09:33"},
                    Case{"style2", kExample, 2, 0, "2017/11/06 18/09/33", "2017/11/06 06/09/33"},
                    Case{"style3", kExample, 3, 0, "20171106180933", "20171106060933"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Parts, FormatTimestampOnTheLocaleClock,
    testing::Values(
        Case{"style1_part1_date", kExample, 1, 1, "2017-11-06", "2017-11-06"},
        Case{"style1_part2_month_day", kExample, 1, 2, "11-06", "11-06"},
        Case{"style1_part3_time", kExample, 1, 3, "18:09:33", "06:09:33"},
        Case{"style1_part4_hour_minute", kExample, 1, 4, "18:09", "06:09"},
        Case{"style1_part5_minute_second", kExample, 1, 5, "09:33", "09:33"},
        Case{"style1_part6_is_part0", kExample, 1, 6, "2017-11-06 18:09:33", "2017-11-06 06:09:33"},
        Case{"style1_part_minus1_is_part0", kExample, 1, -1, "2017-11-06 18:09:33", "2017-11-06 06:09:33"},
        Case{"style1_part_min_is_part0", kExample, 1, INT_MIN, "2017-11-06 18:09:33", "2017-11-06 06:09:33"},
        Case{"style0_part1", kExample, 0, 1, "2017年11月06日", "2017年11月06日"},
        Case{"style0_part2", kExample, 0, 2, "11月06日", "11月06日"},
        Case{"style0_part3", kExample, 0, 3, "18时09分33秒", "06时09分33秒"},
        Case{"style0_part4", kExample, 0, 4, "18时09分", "06时09分"},
        Case{"style0_part5", kExample, 0, 5, "09分33秒", "09分33秒"},
        Case{"style2_part1", kExample, 2, 1, "2017/11/06", "2017/11/06"},
        Case{"style2_part2", kExample, 2, 2, "11/06", "11/06"},
        Case{"style2_part3", kExample, 2, 3, "18/09/33", "06/09/33"},
        Case{"style2_part4", kExample, 2, 4, "18/09", "06/09"},
        Case{"style2_part5", kExample, 2, 5, "09/33", "09/33"},
        Case{"style3_part1", kExample, 3, 1, "20171106", "20171106"},
        Case{"style3_part2", kExample, 3, 2, "1106", "1106"},
        Case{"style3_part3", kExample, 3, 3, "180933", "060933"},
        Case{"style3_part4", kExample, 3, 4, "1809", "0609"},
        Case{"style3_part5", kExample, 3, 5, "0933", "0933"},
        Case{"style3_part100_is_part0", kExample, 3, 100, "20171106180933", "20171106060933"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(StylesOutsideTheTable, FormatTimestampOnTheLocaleClock,
                         testing::Values(Case{"minus1", kExample, -1, 0, "2017年11月06日 18时09分33秒",
                                              "2017年11月06日 06时09分33秒"},
                                         Case{"four", kExample, 4, 0, "2017年11月06日 18时09分33秒",
                                              "2017年11月06日 06时09分33秒"},
                                         Case{"hundred", kExample, 100, 0, "2017年11月06日 18时09分33秒",
                                              "2017年11月06日 06时09分33秒"},
                                         Case{"int_max_part4", kExample, INT_MAX, 4, "18时09分", "06时09分"},
                                         Case{"int_min_part2", kExample, INT_MIN, 2, "11月06日", "11月06日"},
                                         Case{"four_part_minus1", kExample, 4, -1,
                                              "2017年11月06日 18时09分33秒", "2017年11月06日 06时09分33秒"}),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Hours, FormatTimestampOnTheLocaleClock,
    // On a 12-hour locale five past midnight and five past noon look the same: no AM/PM marker.
    testing::Values(
        Case{"five_past_midnight", kMidnightFive, 1, 3, "00:05:00", "12:05:00"},
        Case{"five_past_noon", kNoonFive, 1, 3, "12:05:00", "12:05:00"},
        Case{"one_am", OleDate(2017, 11, 6, 1, 0, 0), 1, 3, "01:00:00", "01:00:00"},
        Case{"eleven_pm", OleDate(2017, 11, 6, 23, 59, 59), 3, 0, "20171106235959", "20171106115959"},
        Case{"last_accepted_second", OleDate(9999, 12, 31, 23, 59, 59), 1, 0, "9999-12-31 23:59:59",
             "9999-12-31 11:59:59"},
        // GetDateFormatA refuses years before 1601: the date piece is empty, the time stays.
        Case{"first_accepted_day", OleDate(100, 1, 1), 1, 0, "00:00:00", "12:00:00"},
        Case{"first_formatted_year", OleDate(1601, 1, 1), 1, 0, "1601-01-01 00:00:00", "1601-01-01 12:00:00"},
        Case{"leap_day", OleDate(2000, 2, 29, 13, 0, 0), 2, 0, "2000/02/29 13/00/00", "2000/02/29 01/00/00"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormatTimestampOnTheLocaleClock, Style1Part0IsNineteenCharacters) {
  const std::string text = FormatTimestamp(kExample, 1, 0);
  EXPECT_EQ(text, Expected("2017-11-06 18:09:33", "2017-11-06 06:09:33"));
  ASSERT_EQ(text.size(), 19u);
  EXPECT_EQ(text[10], ' ');
  EXPECT_EQ(text.find(' ', 11), std::string::npos);
}

TEST(FormatTimestampOnTheLocaleClock, DatePartHasNoTrailingAndTimePartNoLeadingSpace) {
  for (int style = 0; style <= 3; ++style) {
    const std::string date = FormatTimestamp(kExample, style, 1);
    const std::string time = FormatTimestamp(kExample, style, 3);
    ASSERT_FALSE(date.empty());
    ASSERT_FALSE(time.empty());
    EXPECT_NE(date.back(), ' ') << style;
    EXPECT_NE(time.front(), ' ') << style;
    // Part 0 is the two with the date picture's own separator between them.
    EXPECT_EQ(FormatTimestamp(kExample, style, 0), date + (style == 3 ? "" : " ") + time) << style;
  }
}

// ---------------------------------------------------------------------------------------------------
// Date-times that VariantTimeToSystemTime does not accept give the empty text, on either clock.

class FormatTimestampOutOfRange : public testing::TestWithParam<double> {};

TEST_P(FormatTimestampOutOfRange, GivesTheEmptyText) {
  for (int style = 0; style <= 3; ++style) {
    for (int part = 0; part <= 5; ++part) {
      EXPECT_EQ(FormatTimestamp(GetParam(), style, part), "") << style << "," << part;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Values, FormatTimestampOutOfRange,
                         // 2958465.999999 is 31 December 9999 23:59:59.91, which rounds up to the year 10000.
                         testing::Values(1e10, -1e10, 2958466.0, 2958465.999999, -657435.0,
                                         std::numeric_limits<double>::infinity(),
                                         -std::numeric_limits<double>::infinity(),
                                         std::numeric_limits<double>::quiet_NaN()));

// ---------------------------------------------------------------------------------------------------
// FormatDateTimeParts with explicit pictures ("HH" does not depend on the locale's clock).

struct PartsCase {
  const char* name;
  std::string dateFormat;
  std::string timeFormat;
  std::string text;
};

class FormatDateTimePartsTest : public testing::TestWithParam<PartsCase> {};

TEST_P(FormatDateTimePartsTest, JoinsDateAndTimePieces) {
  EXPECT_EQ(FormatDateTimeParts(kExample, GetParam().dateFormat, GetParam().timeFormat), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, FormatDateTimePartsTest,
    testing::Values(PartsCase{"chinese", "yyyy年MM月dd日 ", "HH时mm分ss秒", "2017年11月06日 18时09分33秒"},
                    PartsCase{"nothing_between", "yyyyMMdd", "HHmmss", "20171106180933"},
                    PartsCase{"both_empty", "", "", ""}, PartsCase{"date_only", "MM/dd", "", "11/06"},
                    PartsCase{"time_only", "", "mm:ss", "09:33"},
                    // Pictures shorter than three bytes are not formatted at all.
                    PartsCase{"two_byte_pictures", "yy", "ss", ""}, PartsCase{"one_byte", "d", "H", ""},
                    PartsCase{"three_bytes", "MM ", "ss ", "11 33 "},
                    // Pieces of up to 49 characters fit the 50-character buffer; longer ones are empty.
                    PartsCase{"date_piece_of_49", "yyyy" + std::string(45, '-'), "HH:mm",
                              "2017" + std::string(45, '-') + "18:09"},
                    PartsCase{"date_piece_of_50", "yyyy" + std::string(46, '-'), "HH:mm", "18:09"},
                    PartsCase{"time_piece_of_50", "MM", "HH" + std::string(48, ':'), ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormatDateTimeParts, OutOfRangeGivesTheEmptyText) {
  EXPECT_EQ(FormatDateTimeParts(1e10, "yyyy-MM-dd ", "HH:mm:ss"), "");
  EXPECT_EQ(FormatDateTimeParts(std::nan(""), "yyyy-MM-dd ", "HH:mm:ss"), "");
}

// ---------------------------------------------------------------------------------------------------
// Now: the local wall-clock time to whole seconds.

std::string Style1Text(const SYSTEMTIME& t, bool twentyFourHour) {
  int hour = t.wHour;
  if (!twentyFourHour)
    hour = hour % 12 == 0 ? 12 : hour % 12;
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, hour,
                t.wMinute, t.wSecond);
  return text;
}

TEST(FormatTimestampOnTheLocaleClock, AbsentDateTimeIsNowToWholeSeconds) {
  // Read the clock before and after; the text must be one of the two seconds (retried if a slow
  // moment lets more than one second pass).
  for (int attempt = 0; attempt < 5; ++attempt) {
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    const std::string text = FormatTimestamp(std::nullopt, 1, 0);
    GetLocalTime(&after);
    const bool is24 = LocaleShows24Hour();
    if (text == Style1Text(before, is24) || text == Style1Text(after, is24)) {
      SUCCEED();
      return;
    }
  }
  FAIL() << "FormatTimestamp(now) matched neither clock reading";
}

TEST(FormatTimestampOnTheLocaleClock, DefaultsAreNowStyle0Part0) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::string before = FormatTimestamp(std::nullopt, 0, 0);
    const std::string text = FormatTimestamp();
    const std::string after = FormatTimestamp(std::nullopt, 0, 0);
    if (text == before || text == after) {
      EXPECT_NE(text.find("年"), std::string::npos);
      EXPECT_NE(text.find("秒"), std::string::npos);
      return;
    }
  }
  FAIL() << "FormatTimestamp() is not now in style 0";
}

}  // namespace

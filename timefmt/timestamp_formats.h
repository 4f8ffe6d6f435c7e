// The format pictures of the timestamp formatter: four styles, six part selections, and the choice of
// the hour picture by the locale's clock. Portable: the Win32 layer (timestamp_formatter_win.cpp) hands
// the chosen pictures to GetDateFormatA / GetTimeFormatA.
#pragma once

#include <string>
#include <string_view>

// The pictures for one request. An empty picture gives an empty piece.
struct TimestampFormats {
  std::string date;  // in styles 0 to 2 with part 0 it ends in the space that separates date and time
  std::string time;
};

// Styles 0 to 3 ("yyyy年MM月dd日 ", "yyyy-MM-dd ", "yyyy/MM/dd ", "yyyyMMdd" and their time pictures);
// every other style is 0. Parts: 1 date, 2 month and day, 3 time, 4 hour and minute, 5 minute and
// second; every other part is date and time. On a 24-hour locale "hh" becomes "HH".
TimestampFormats SelectTimestampFormats(int style, int part, bool locale24Hour);

// Replaces every "hh" by "HH", left to right, scanning double-byte characters of code page 936 as units
// so that a trail byte never takes part in a match.
std::string UseTwentyFourHourClock(std::string_view timeFormat);

// Removes blanks at both ends: the ASCII space and the double-byte ideographic space A1 A1.
std::string TrimBlanks(std::string_view text);

// Reads the decimal integer at the start of a locale-information buffer: leading spaces skipped,
// reading stops at the first non-digit or at the end of the buffer; no digits give 0.
int ReadLocaleInteger(std::string_view buffer);

#include "timefmt/timestamp_formatter.h"

#include "timefmt/timestamp_formats.h"

#include <windows.h>
#include <oleauto.h>

#include <cmath>

namespace {

constexpr int kPieceBufferChars = 50;

// The current local wall-clock time to whole seconds as an OLE Automation date.
double Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  now.wMilliseconds = 0;
  double dateTime = 0;
  SystemTimeToVariantTime(&now, &dateTime);
  return dateTime;
}

}  // namespace

std::string FormatTimestamp(std::optional<double> dateTime, int style, int part) {
  const double value = dateTime ? *dateTime : Now();
  const TimestampFormats formats = SelectTimestampFormats(style, part, IsLocale24Hour());
  return FormatDateTimeParts(value, formats.date, formats.time);
}

bool IsLocale24Hour() {
  char buffer[4] = {' ', ' ', ' ', ' '};
  GetLocaleInfoA(0, LOCALE_ITIME, buffer, 4);
  return ReadLocaleInteger(std::string_view(buffer, sizeof buffer)) == 1;
}

std::string FormatDateTimeParts(double dateTime, const std::string& dateFormat,
                                const std::string& timeFormat) {
  // NaN and the infinities get past the range check of VariantTimeToSystemTime on some systems.
  if (!std::isfinite(dateTime)) {
    return {};
  }
  SYSTEMTIME time;
  if (VariantTimeToSystemTime(dateTime, &time) != TRUE) {
    return {};
  }
  // The last fraction of a second of 31 December 9999 is rounded up into a year 10000 that the call
  // still reports as accepted; it is outside the range as much as the next day is.
  if (time.wYear > 9999) {
    return {};
  }
  std::string result;
  if (dateFormat.size() >= 3) {
    char piece[kPieceBufferChars] = {};
    if (GetDateFormatA(0, 0, &time, dateFormat.c_str(), piece, kPieceBufferChars) > 0) {
      result += piece;
    }
  }
  if (timeFormat.size() >= 3) {
    char piece[kPieceBufferChars] = {};
    if (GetTimeFormatA(0, 0, &time, timeFormat.c_str(), piece, kPieceBufferChars) > 0) {
      result += piece;
    }
  }
  return result;
}

// The text of a date-time in one of four styles and six part selections, on the platform's
// national-language services (GetDateFormatA / GetTimeFormatA with locale 0). Windows only.
//
// A date-time is an OLE Automation date: days since 30 December 1899 00:00, the time of day as the
// fraction. Texts are code page 936 bytes.
#pragma once

#include <optional>
#include <string>

#ifdef _WIN32
// The date-time (now, to whole seconds, when absent) with the pictures of SelectTimestampFormats; on a
// 12-hour locale the hour shows as "01" to "12" with no AM/PM marker. Style 1, part 0 gives texts such
// as "2017-11-06 18:09:33". A date-time outside 1 January 100 to 31 December 9999 23:59:59 (also one
// that rounds up to the year 10000), or not a finite number, gives "". GetDateFormatA formats no year
// before 1601, so such dates give the time piece only.
std::string FormatTimestamp(std::optional<double> dateTime = std::nullopt, int style = 0, int part = 0);

// True when the user's locale shows time on the 24-hour clock (LOCALE_ITIME is 1).
bool IsLocale24Hour();

// The date piece followed directly by the time piece. A picture shorter than 3 bytes gives an empty
// piece without a call; a piece whose call fails (e.g. longer than 49 characters) is empty as well.
std::string FormatDateTimeParts(double dateTime, const std::string& dateFormat,
                                const std::string& timeFormat);
#endif

#include "timefmt/timestamp_formats.h"

#include <array>
#include <vector>

namespace {

struct FormatRow {
  const char* date;
  const char* time;
  const char* monthDay;
  const char* hourMinute;
  const char* minuteSecond;
};

constexpr std::array<FormatRow, 4> kFormatTable = {{
    {"yyyy年MM月dd日 ", "hh时mm分ss秒", "MM月dd日", "hh时mm分", "mm分ss秒"},
    {"yyyy-MM-dd ", "hh:mm:ss", "MM-dd", "hh:mm", "mm:ss"},
    {"yyyy/MM/dd ", "hh/mm/ss", "MM/dd", "hh/mm", "mm/ss"},
    {"yyyyMMdd", "hhmmss", "MMdd", "hhmm", "mmss"},
}};

bool IsLeadByte(char c) {
  return static_cast<unsigned char>(c) >= 0x80;
}

// The characters of a code page 936 text as (offset, length) units; a lead byte at the very end is a
// character of its own.
std::vector<std::string_view> SplitCharacters(std::string_view text) {
  std::vector<std::string_view> units;
  for (size_t i = 0; i < text.size();) {
    const size_t n = (IsLeadByte(text[i]) && i + 1 < text.size()) ? 2 : 1;
    units.push_back(text.substr(i, n));
    i += n;
  }
  return units;
}

bool IsBlank(std::string_view character) {
  return character == " " || character == "\xA1\xA1";
}

}  // namespace

TimestampFormats SelectTimestampFormats(int style, int part, bool locale24Hour) {
  if (style < 0 || style > 3) {
    style = 0;
  }
  const FormatRow& row = kFormatTable[static_cast<size_t>(style)];
  TimestampFormats formats{row.date, row.time};
  if (part == 3 || part == 4 || part == 5) {
    formats.date.clear();
  }
  if (part == 1 || part == 2) {
    formats.time.clear();
  }
  switch (part) {
    case 1:
      formats.date = TrimBlanks(formats.date);
      break;
    case 2:
      formats.date = row.monthDay;
      break;
    case 4:
      formats.time = row.hourMinute;
      break;
    case 5:
      formats.time = row.minuteSecond;
      break;
    default:
      break;
  }
  if (locale24Hour) {
    formats.time = UseTwentyFourHourClock(formats.time);
  }
  return formats;
}

std::string UseTwentyFourHourClock(std::string_view timeFormat) {
  const std::vector<std::string_view> units = SplitCharacters(timeFormat);
  std::string out;
  out.reserve(timeFormat.size());
  for (size_t i = 0; i < units.size(); ++i) {
    if (units[i] == "h" && i + 1 < units.size() && units[i + 1] == "h") {
      out += "HH";
      ++i;
    } else {
      out += units[i];
    }
  }
  return out;
}

std::string TrimBlanks(std::string_view text) {
  const std::vector<std::string_view> units = SplitCharacters(text);
  size_t first = 0;
  size_t last = units.size();
  while (first < last && IsBlank(units[first])) {
    ++first;
  }
  while (last > first && IsBlank(units[last - 1])) {
    --last;
  }
  std::string out;
  for (size_t i = first; i < last; ++i) {
    out += units[i];
  }
  return out;
}

int ReadLocaleInteger(std::string_view buffer) {
  size_t i = 0;
  while (i < buffer.size() && buffer[i] == ' ') {
    ++i;
  }
  int value = 0;
  for (; i < buffer.size() && buffer[i] >= '0' && buffer[i] <= '9'; ++i) {
    if (value > 100000000) {
      break;  // more digits than any locale value has
    }
    value = value * 10 + (buffer[i] - '0');
  }
  return value;
}

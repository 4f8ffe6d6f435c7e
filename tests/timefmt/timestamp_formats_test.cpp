// The format pictures: every style and part selection on both clocks, the "hh" to "HH" replacement
// that scans double-byte characters as units, the blank trimming and the locale-integer reading.
#include "timefmt/timestamp_formats.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

struct FormatCase {
  int style;
  int part;
  std::string date;
  std::string time12;  // on a 12-hour locale
  std::string time24;  // on a 24-hour locale
};

class SelectTimestampFormatsTest : public testing::TestWithParam<FormatCase> {};

TEST_P(SelectTimestampFormatsTest, GivesThePictures) {
  const FormatCase& c = GetParam();
  const TimestampFormats twelve = SelectTimestampFormats(c.style, c.part, false);
  EXPECT_EQ(twelve.date, c.date);
  EXPECT_EQ(twelve.time, c.time12);
  const TimestampFormats twentyFour = SelectTimestampFormats(c.style, c.part, true);
  EXPECT_EQ(twentyFour.date, c.date);
  EXPECT_EQ(twentyFour.time, c.time24);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SelectTimestampFormatsTest,
    testing::Values(
        FormatCase{0, 0, "yyyy年MM月dd日 ", "hh时mm分ss秒", "HH时mm分ss秒"},
        FormatCase{0, 1, "yyyy年MM月dd日", "", ""}, FormatCase{0, 2, "MM月dd日", "", ""},
        FormatCase{0, 3, "", "hh时mm分ss秒", "HH时mm分ss秒"}, FormatCase{0, 4, "", "hh时mm分", "HH时mm分"},
        FormatCase{0, 5, "", "mm分ss秒", "mm分ss秒"}, FormatCase{1, 0, "yyyy-MM-dd ", "hh:mm:ss", "HH:mm:ss"},
        FormatCase{1, 1, "yyyy-MM-dd", "", ""}, FormatCase{1, 2, "MM-dd", "", ""},
        FormatCase{1, 3, "", "hh:mm:ss", "HH:mm:ss"}, FormatCase{1, 4, "", "hh:mm", "HH:mm"},
        FormatCase{1, 5, "", "mm:ss", "mm:ss"}, FormatCase{2, 0, "yyyy/MM/dd ", "hh/mm/ss", "HH/mm/ss"},
        FormatCase{2, 1, "yyyy/MM/dd", "", ""}, FormatCase{2, 2, "MM/dd", "", ""},
        FormatCase{2, 3, "", "hh/mm/ss", "HH/mm/ss"}, FormatCase{2, 4, "", "hh/mm", "HH/mm"},
        FormatCase{2, 5, "", "mm/ss", "mm/ss"}, FormatCase{3, 0, "yyyyMMdd", "hhmmss", "HHmmss"},
        FormatCase{3, 1, "yyyyMMdd", "", ""}, FormatCase{3, 2, "MMdd", "", ""},
        FormatCase{3, 3, "", "hhmmss", "HHmmss"}, FormatCase{3, 4, "", "hhmm", "HHmm"},
        FormatCase{3, 5, "", "mmss", "mmss"},
        // Styles outside 0 to 3 are style 0; parts outside 1 to 5 are part 0.
        FormatCase{-1, 0, "yyyy年MM月dd日 ", "hh时mm分ss秒", "HH时mm分ss秒"},
        FormatCase{4, 3, "", "hh时mm分ss秒", "HH时mm分ss秒"}, FormatCase{100, 5, "", "mm分ss秒", "mm分ss秒"},
        FormatCase{INT32_MIN, 1, "yyyy年MM月dd日", "", ""},
        FormatCase{1, 6, "yyyy-MM-dd ", "hh:mm:ss", "HH:mm:ss"},
        FormatCase{1, -1, "yyyy-MM-dd ", "hh:mm:ss", "HH:mm:ss"},
        FormatCase{3, INT32_MAX, "yyyyMMdd", "hhmmss", "HHmmss"},
        FormatCase{2, INT32_MIN, "yyyy/MM/dd ", "hh/mm/ss", "HH/mm/ss"}));

struct TextCase {
  const char* name;
  std::string in;
  std::string out;
};

class UseTwentyFourHourClockTest : public testing::TestWithParam<TextCase> {};

TEST_P(UseTwentyFourHourClockTest, ReplacesHhByCharacter) {
  EXPECT_EQ(UseTwentyFourHourClock(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UseTwentyFourHourClockTest,
    testing::Values(TextCase{"empty", "", ""}, TextCase{"colon", "hh:mm:ss", "HH:mm:ss"},
                    TextCase{"chinese", "hh时mm分ss秒", "HH时mm分ss秒"},
                    TextCase{"every_occurrence", "hh-hh", "HH-HH"}, TextCase{"odd_run", "hhh", "HHh"},
                    TextCase{"even_run", "hhhh", "HHHH"},
                    TextCase{"case_sensitive", "Hh hH H h", "Hh hH H h"}, TextCase{"already_24", "HH", "HH"},
                    // 81 68 is one character whose trail byte is "h": it never pairs with the next "h".
                    TextCase{"trail_byte_h_not_matched", "\x81\x68h", "\x81\x68h"},
                    TextCase{"after_trail_byte_h", "\x81\x68hh", "\x81\x68HH"},
                    TextCase{"two_trail_bytes_h", "\x81\x68\x81\x68", "\x81\x68\x81\x68"},
                    TextCase{"lone_lead_byte_at_end", "hh\x81", "HH\x81"}),
    [](const auto& info) { return std::string(info.param.name); });

class TrimBlanksTest : public testing::TestWithParam<TextCase> {};

TEST_P(TrimBlanksTest, RemovesSpacesAtBothEnds) {
  EXPECT_EQ(TrimBlanks(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Cases, TrimBlanksTest,
                         testing::Values(TextCase{"empty", "", ""}, TextCase{"only_blanks", "  　 ", ""},
                                         TextCase{"trailing_space", "yyyy-MM-dd ", "yyyy-MM-dd"},
                                         TextCase{"both_ends", " 　yyyy 年　 ", "yyyy 年"},
                                         TextCase{"inner_stay", "a　 b", "a　 b"},
                                         // B0 A1 is one character; the lone A1 after it is not a blank.
                                         TextCase{"trail_byte_a1_not_blank", "\xB0\xA1\xA1", "\xB0\xA1\xA1"},
                                         TextCase{"blank_after_trail_a1", "\xB0\xA1\xA1\xA1", "\xB0\xA1"},
                                         TextCase{"tab_is_not_a_blank", "\tx\t", "\tx\t"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct IntegerCase {
  const char* name;
  std::string buffer;
  int value;
};

class ReadLocaleIntegerTest : public testing::TestWithParam<IntegerCase> {};

TEST_P(ReadLocaleIntegerTest, ReadsTheLeadingNumber) {
  EXPECT_EQ(ReadLocaleInteger(GetParam().buffer), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadLocaleIntegerTest,
                         testing::Values(IntegerCase{"one", "1\0  "s, 1}, IntegerCase{"zero", "0\0  "s, 0},
                                         IntegerCase{"untouched_spaces", "    ", 0},
                                         IntegerCase{"leading_spaces", "  1 ", 1},
                                         IntegerCase{"two_digits", "12\0 "s, 12},
                                         IntegerCase{"no_terminator", "1234", 1234},
                                         IntegerCase{"letter_first", "x1  ", 0}, IntegerCase{"empty", "", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

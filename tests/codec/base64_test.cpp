// The portable Base64 core of the stored-text codec: the encoder, the decoder with every quirk that
// stored files rely on, and the trailing-zero strip.
#include "history/codec/stored_text_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    if (!out.empty())
      out.push_back(' ');
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

// An independent RFC 4648 codec (bit accumulator, padding required) to compare against.
const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string ReferenceEncode(const std::string& bytes) {
  std::string out;
  uint32_t acc = 0;
  int bits = 0;
  for (unsigned char b : bytes) {
    acc = (acc << 8) | b;
    bits += 8;
    while (bits >= 6) {
      bits -= 6;
      out.push_back(kAlphabet[(acc >> bits) & 63]);
    }
  }
  if (bits > 0)
    out.push_back(kAlphabet[(acc << (6 - bits)) & 63]);
  while (out.size() % 4)
    out.push_back('=');
  return out;
}

// Ignores spaces and line breaks as MIME decoders do; returns false on anything malformed.
bool ReferenceDecode(const std::string& text, std::string* out) {
  std::string chars;
  for (char c : text) {
    if (c != ' ' && c != '\r' && c != '\n')
      chars.push_back(c);
  }
  if (chars.size() % 4)
    return false;
  out->clear();
  uint32_t acc = 0;
  int bits = 0;
  size_t padding = 0;
  for (size_t i = 0; i < chars.size(); ++i) {
    if (chars[i] == '=') {
      if (i + 2 < chars.size())
        return false;
      ++padding;
      continue;
    }
    if (padding)
      return false;
    const size_t x = kAlphabet.find(chars[i]);
    if (x == std::string::npos)
      return false;
    acc = (acc << 6) | static_cast<uint32_t>(x);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out->push_back(static_cast<char>((acc >> bits) & 0xFF));
    }
  }
  return true;
}

std::string RandomBytes(std::mt19937& rng, size_t length) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string s(length, '\0');
  for (char& c : s)
    c = static_cast<char>(byte(rng));
  return s;
}

// ---------------------------------------------------------------------------------------------------
// Encoding: the stored forms of the texts (their UTF-8 bytes and the terminator).

struct EncodeCase {
  const char* name;
  std::string bytes;
  std::string stored;
};

class Base64EncodeTest : public testing::TestWithParam<EncodeCase> {};

TEST_P(Base64EncodeTest, GivesTheStoredForm) {
  EXPECT_EQ(Base64Encode(GetParam().bytes), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(StoredForms, Base64EncodeTest,
                         testing::Values(EncodeCase{"empty", "", ""}, EncodeCase{"a", "a\0"s, "YQA="},
                                         EncodeCase{"ab_no_padding", "ab\0"s, "YWIA"},
                                         EncodeCase{"abc_two_pads", "abc\0"s, "YWJjAA=="},
                                         EncodeCase{"zhong", "\xE4\xB8\xAD\0"s, "5LitAA=="},
                                         EncodeCase{"zhongwen", "\xE4\xB8\xAD\xE6\x96\x87\0"s,
                                                    "5Lit5paHAA=="},
                                         EncodeCase{"space_and_crlf", "a b\r\nc\0"s, "YSBiDQpjAA=="},
                                         EncodeCase{"no_terminator", "abc", "YWJj"},
                                         EncodeCase{"all_ones", "\xFF\xFF\xFF\xFF", "/////w=="},
                                         EncodeCase{"zero_bytes", "\0\0\0"s, "AAAA"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------------
// Decoding, with the result before (raw) and after the strip of trailing zeros.

struct DecodeCase {
  const char* name;
  std::string stored;
  std::string raw;       // stripTrailingZeros false
  std::string stripped;  // stripTrailingZeros true
};

class Base64DecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(Base64DecodeTest, GivesTheBytes) {
  EXPECT_EQ(Hex(Base64Decode(GetParam().stored, false)), Hex(GetParam().raw));
  EXPECT_EQ(Hex(Base64Decode(GetParam().stored, true)), Hex(GetParam().stripped));
}

INSTANTIATE_TEST_SUITE_P(
    StoredForms, Base64DecodeTest,
    testing::Values(
        DecodeCase{"a", "YQA=", "a\0"s, "a"}, DecodeCase{"ab", "YWIA", "ab\0"s, "ab"},
        DecodeCase{"abc", "YWJjAA==", "abc\0"s, "abc"},
        DecodeCase{"zhong", "5LitAA==", "\xE4\xB8\xAD\0"s, "\xE4\xB8\xAD"},
        DecodeCase{"zhongwen", "5Lit5paHAA==", "\xE4\xB8\xAD\xE6\x96\x87\0"s, "\xE4\xB8\xAD\xE6\x96\x87"},
        DecodeCase{"space_and_crlf_inside_text", "YSBiDQpjAA==", "a b\r\nc\0"s, "a b\r\nc"},
        DecodeCase{"without_terminator", "YWJj", "abc", "abc"},
        DecodeCase{"spaces_and_crlf_ignored", "YW Jj\r\nAA==", "abc\0"s, "abc"},
        DecodeCase{"two_pads_keep_one_byte", "YQ==", "a", "a"},
        DecodeCase{"one_pad_keeps_two_bytes", "YWI=", "ab", "ab"},
        DecodeCase{"missing_positions_count_as_A", "YQ", "a\0\0"s, "a"},
        DecodeCase{"missing_fourth_position", "YWJ", "ab@", "ab@"},
        DecodeCase{"lone_pad_removes_more_than_there_is", "=", "", ""},
        DecodeCase{"first_position_outside_removes_four", "YWJj=", "ab", "ab"},
        DecodeCase{"one_char_three_pads_keeps_none", "YWJjY===", "abc", "abc"},
        DecodeCase{"empty", "", "", ""},
        DecodeCase{"full_width_space_between_groups",
                   "YWJj\xA1\xA1"
                   "AA==",
                   "abc\0"s, "abc"},
        DecodeCase{"full_width_spaces_everywhere", "\xA1\xA1Y\xA1\xA1QA=\xA1\xA1", "a\0"s, "a"},
        // The register is kept across groups: group 1 stops at "=" in position 3, so its fourth value
        // is still "j" (35) from group 0: 61 6F 63 instead of 61 6F 40.
        DecodeCase{"register_kept_across_groups", "YWJjYW=jYWJj", "abcaocabc", "abcaocabc"},
        // Without an earlier group the register starts at zero: 61 6F 40.
        DecodeCase{"register_starts_at_zero", "YW=jYWJj", "ao@abc", "ao@abc"},
        // A lone LF stays and is outside the alphabet: groups YWJj | LF "AA=" | "=". Group 1 stops at
        // once (r1 = 10) over the kept 22, 9, 35: 29 62 63; the final group stops at position 1 and
        // removes its three bytes and the one before.
        DecodeCase{"lone_lf_stays", "YWJj\nAA==", "abc)b", "abc)b"},
        DecodeCase{"lone_cr_stays", "YWJj\rAA==", "abc5b", "abc5b"},
        // One pass only: "\r\r\n\n" loses its middle pair and leaves "\r\n", which stays: groups
        // "YW" CR LF | "Jj"; group 0 stops at the CR (r3 = 13): 61 63 40; group 1: 26 30 00.
        DecodeCase{"crlf_removed_in_one_pass", "YW\r\r\n\nJj", "ac@&0\0"s, "ac@&0"},
        // Spaces go first, so a CR and LF around a space make a pair that is removed.
        DecodeCase{"space_inside_crlf", "YW\r \nJj", "abc", "abc"},
        // B0 0D is one double-byte character, so the CR does not pair with the LF; both stay.
        DecodeCase{"cr_behind_a_lead_byte_is_a_trail_byte", "YWJjYQ\xB0\r\n", "abca,", "abca,"},
        // B0 20 is one character, so that space stays: groups YWJj | YWJ B0 | " "YWJ | j.
        DecodeCase{"space_behind_a_lead_byte_is_a_trail_byte", "YWJjYWJ\xB0 YWJj",
                   "abcab\xF0\x81"
                   "b\xF0\x8C\0\0"s,
                   "abcab\xF0\x81"
                   "b\xF0\x8C"},
        // B0 A1 is one character and A1 "Y" the next, so no A1 A1 space is there and nothing is removed:
        // groups B0 A1 A1 "Y" | "WJj"; group 0 stops at once (r1 = 176): C0 00 00; group 1: 58 98 C0.
        DecodeCase{"full_width_space_found_by_character", "\xB0\xA1\xA1YWJj", "\xC0\0\0\x58\x98\xC0"s,
                   "\xC0\0\0\x58\x98\xC0"s},
        DecodeCase{"text_ends_at_zero_byte", "YWJj\0YQ=="s, "abc", "abc"},
        DecodeCase{"zeros_inside_stay", "AGEAYgAA", "\0a\0b\0\0"s, "\0a\0b"s}),
    [](const auto& info) { return std::string(info.param.name); });

// The hook runs once after every group of four characters, counted after spaces and CR LF are gone.
struct GroupCountCase {
  const char* name;
  std::string stored;
  int groups;
};

class Base64DecodeHookTest : public testing::TestWithParam<GroupCountCase> {};

TEST_P(Base64DecodeHookTest, RunsAfterEveryGroup) {
  int calls = 0;
  Base64Decode(GetParam().stored, true, [&calls] { ++calls; });
  EXPECT_EQ(calls, GetParam().groups);
}

INSTANTIATE_TEST_SUITE_P(Groups, Base64DecodeHookTest,
                         testing::Values(GroupCountCase{"empty", "", 0}, GroupCountCase{"one_char", "=", 1},
                                         GroupCountCase{"two", "YWJjAA==", 2},
                                         GroupCountCase{"partial_last", "YWJjY", 2},
                                         GroupCountCase{"spaces_not_counted",
                                                        "YW Jj\r\n\xA1\xA1"
                                                        "AA==",
                                                        2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Base64DecodeHook, SeesTheGroupsInOrder) {
  // The hook runs between groups: after group g the decoder has produced 3 (g + 1) bytes. The hook
  // cannot see the output, so it records when it ran relative to a counter the test advances.
  std::vector<int> seen;
  int group = 0;
  const std::string out = Base64Decode("YWJjZGVmZ2hp", false, [&] { seen.push_back(group++); });
  EXPECT_EQ(out, "abcdefghi");
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
}

TEST(Base64DecodeHook, EmptyHookIsAllowed) {
  EXPECT_EQ(Base64Decode("YWJjAA==", true, {}), "abc");
  EXPECT_EQ(Base64Decode("YWJjAA==", true), "abc");
}

// ---------------------------------------------------------------------------------------------------
// Agreement with standard Base64 on every well-formed input.

TEST(Base64Property, AgreesWithStandardBase64OnRandomBytes) {
  std::mt19937 rng(20171106);
  std::uniform_int_distribution<size_t> length(0, 300);
  for (int round = 0; round < 3000; ++round) {
    const std::string bytes = RandomBytes(rng, round < 64 ? static_cast<size_t>(round) : length(rng));
    const std::string standard = ReferenceEncode(bytes);
    ASSERT_EQ(Base64Encode(bytes), standard) << Hex(bytes);
    std::string reference;
    ASSERT_TRUE(ReferenceDecode(standard, &reference));
    ASSERT_EQ(reference, bytes);
    ASSERT_EQ(Hex(Base64Decode(standard, false)), Hex(bytes)) << standard;
    ASSERT_EQ(Hex(Base64Decode(standard, true)), Hex(StripTrailingZeros(bytes))) << standard;
  }
}

TEST(Base64Property, AgreesWithStandardBase64WhenSpacesAndLineBreaksAreInserted) {
  std::mt19937 rng(936);
  std::uniform_int_distribution<size_t> length(1, 200);
  const char* breaks[] = {" ", "\r\n", "\xA1\xA1", "  \r\n"};
  std::uniform_int_distribution<int> which(0, 3);
  for (int round = 0; round < 1000; ++round) {
    const std::string bytes = RandomBytes(rng, length(rng));
    const std::string standard = ReferenceEncode(bytes);
    std::string spread;
    std::uniform_int_distribution<int> gap(1, 9);
    for (size_t i = 0; i < standard.size();) {
      const size_t n = std::min<size_t>(static_cast<size_t>(gap(rng)), standard.size() - i);
      spread += standard.substr(i, n);
      spread += breaks[which(rng)];
      i += n;
    }
    ASSERT_EQ(Hex(Base64Decode(spread, false)), Hex(bytes)) << spread;
  }
}

// The decoding steps written out one by one, slowly and literally, as a model for any input.
std::string ModelDecode(const std::string& input, bool stripTrailingZeros) {
  const std::string text = input.substr(0, input.find('\0'));
  auto characters = [](const std::string& t) {
    std::vector<std::string> units;
    for (size_t i = 0; i < t.size();) {
      const size_t n = (static_cast<unsigned char>(t[i]) >= 0x80 && i + 1 < t.size()) ? 2 : 1;
      units.push_back(t.substr(i, n));
      i += n;
    }
    return units;
  };
  std::string noSpaces;
  for (const std::string& c : characters(text)) {
    if (c != " " && c != "\xA1\xA1")
      noSpaces += c;
  }
  std::string clean;
  const std::vector<std::string> units = characters(noSpaces);
  for (size_t i = 0; i < units.size(); ++i) {
    if (units[i] == "\r" && i + 1 < units.size() && units[i + 1] == "\n") {
      ++i;
      continue;
    }
    clean += units[i];
  }
  const size_t length = clean.size();
  const size_t groups = length / 4 + (length % 4 ? 1 : 0);
  int r[5] = {0, 0, 0, 0, 0};
  int k = 0;
  std::string out;
  for (size_t g = 0; g < groups; ++g) {
    k = 5;
    for (int j = 1; j <= 4; ++j) {
      const size_t pos = 4 * g + static_cast<size_t>(j);  // counting from 1
      if (pos > length) {
        r[j] = 0;
        continue;
      }
      const unsigned char byte = static_cast<unsigned char>(clean[pos - 1]);
      const size_t x = byte >= 0x80 ? std::string::npos : kAlphabet.find(static_cast<char>(byte));
      if (x == std::string::npos) {
        r[j] = byte;
        k = j;
        break;
      }
      r[j] = static_cast<int>(x);
    }
    out.push_back(static_cast<char>((r[1] * 4 | r[2] / 16) % 256));
    out.push_back(static_cast<char>((r[2] * 16 | r[3] / 4) % 256));
    out.push_back(static_cast<char>((r[3] * 64 | r[4]) % 256));
  }
  if (k < 5) {
    const size_t remove = static_cast<size_t>(5 - k);
    out = out.size() < remove ? "" : out.substr(0, out.size() - remove);
  }
  if (stripTrailingZeros) {
    while (!out.empty() && out.back() == '\0')
      out.pop_back();
  }
  return out;
}

TEST(Base64Property, FollowsTheDecodingStepsOnArbitraryText) {
  // Texts made mostly of alphabet characters with "=", spaces, CR, LF, A1, B0, FF and zero bytes mixed in.
  std::mt19937 rng(402);
  const std::string odd = std::string("= \r\n\xA1\xB0\xFF-", 8) + std::string(1, '\0');
  std::uniform_int_distribution<size_t> length(0, 40);
  std::uniform_int_distribution<int> kind(0, 5);
  std::uniform_int_distribution<size_t> pickAlphabet(0, 63), pickOdd(0, odd.size() - 1);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const size_t n = length(rng);
    for (size_t i = 0; i < n; ++i) {
      text.push_back(kind(rng) < 4 ? kAlphabet[pickAlphabet(rng)] : odd[pickOdd(rng)]);
    }
    ASSERT_EQ(Hex(Base64Decode(text, false)), Hex(ModelDecode(text, false))) << Hex(text);
    ASSERT_EQ(Hex(Base64Decode(text, true)), Hex(ModelDecode(text, true))) << Hex(text);
  }
}

// ---------------------------------------------------------------------------------------------------

struct StripCase {
  const char* name;
  std::string bytes;
  std::string stripped;
};

class StripTrailingZerosTest : public testing::TestWithParam<StripCase> {};

TEST_P(StripTrailingZerosTest, RemovesOnlyTheZerosAtTheEnd) {
  EXPECT_EQ(Hex(StripTrailingZeros(GetParam().bytes)), Hex(GetParam().stripped));
}

INSTANTIATE_TEST_SUITE_P(Cases, StripTrailingZerosTest,
                         testing::Values(StripCase{"empty", "", ""}, StripCase{"only_zeros", "\0\0\0"s, ""},
                                         StripCase{"none", "ab", "ab"}, StripCase{"one", "ab\0"s, "ab"},
                                         StripCase{"several", "ab\0\0\0"s, "ab"},
                                         StripCase{"inner_stay", "\0a\0\0b\0"s, "\0a\0\0b"s}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// The table of row values the writer's tests write and read back: empty, short, longest-text,
// Chinese, control-character, NULL, and memos of every storage form up to 1 MiB.
#pragma once

#include <string>
#include <vector>

#include "history/codec/stored_text_codec.h"
#include "history/jet/database.h"
#include "tests/jet/writer/writer_test_support.h"

namespace jet_writer_test {

inline std::u16string Repeat(std::u16string_view unit, size_t times) {
  std::u16string s;
  s.reserve(unit.size() * times);
  for (size_t i = 0; i < times; ++i) s += unit;
  return s;
}

inline std::u16string ControlCharacters() {
  std::u16string s;
  for (char16_t c = 1; c < 0x20; ++c) s.push_back(c);
  return s + u"\x7F end";
}

// The stored form of a text the way the history writes it (Base64 of UTF-8 and a zero byte).
inline std::u16string Stored(const std::u16string& text) {
  return jet::FromUtf8(Base64Encode(jet::ToUtf8(text) + std::string(1, '\0')));
}

struct RowCase {
  const char* name;
  TextRow values;
};

inline std::vector<RowCase> RowCases() {
  const std::u16string chinese = u"中文剪贴板历史，测试：汉字与标点。";
  std::u16string mib;
  for (size_t i = 0; mib.size() < (1u << 20); ++i) mib += Stored(u"第" + jet::FromUtf8(std::to_string(i)) + u"行 line\r\n");
  mib.resize(1u << 20);
  return {
      {"Empty", {u"", u"", u""}},
      {"Short", {u"0", u"2017-11-06 18:09:33", u"YWJjAA=="}},
      {"MaxLengthText", {Repeat(u"a", 255), Repeat(u"时", 255), Repeat(u"b", 255)}},
      {"Chinese", {u"12", chinese, chinese}},
      {"ControlCharacters", {ControlCharacters(), ControlCharacters(), ControlCharacters()}},
      {"Nulls", {std::nullopt, std::nullopt, std::nullopt}},
      {"NullTime", {u"3", std::nullopt, u"5LitAA=="}},
      {"InlineMemoLimit", {u"4", u"x", Repeat(u"m", 64)}},                 // 64 compressed bytes: inline
      {"CompressedLvalRow", {u"5", u"x", Repeat(u"abcdefghij", 102)}},     // 1020 characters, compressed
      {"PlainLvalRow", {u"6", u"x", Repeat(u"abcdefghij", 200)}},          // over 1024: UCS-2, one row
      {"ChineseChain", {u"7", u"x", Repeat(u"汉字", 6500)}},               // 26000 bytes: a chain
      {"OneMebibyte", {u"8", u"x", mib}},
  };
}

inline std::vector<jet::Value> ToValues(const TextRow& row) {
  std::vector<jet::Value> out;
  for (size_t i = 0; i < row.size(); ++i) {
    if (!row[i]) out.push_back(jet::Value::Null());
    else out.push_back(i == 2 ? jet::Value::Memo(*row[i]) : jet::Value::Text(*row[i]));
  }
  return out;
}

}  // namespace jet_writer_test

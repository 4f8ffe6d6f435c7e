// The stored-text codec on Windows: the code page 936 / UTF-16 / UTF-8 conversions, the stored form of
// texts and back, and the waiting window messages handled while a stored form is decoded.
#include "history/codec/stored_text_codec.h"

#include <windows.h>

#include <gtest/gtest.h>

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

TEST(CodePage, LiteralsAreCodePage936) {
  // Everything below relies on the build turning narrow literals into code page 936 bytes.
  ASSERT_EQ(Hex("中文"), "D6 D0 CE C4");
}

// ---------------------------------------------------------------------------------------------------
// Texts and their stored forms, both ways.

struct StoredCase {
  const char* name;
  std::string text;
  std::string stored;
};

class StoredTextTest : public testing::TestWithParam<StoredCase> {};

TEST_P(StoredTextTest, EncodesToTheStoredForm) {
  EXPECT_EQ(EncodeStoredText(GetParam().text), GetParam().stored);
}

TEST_P(StoredTextTest, DecodesBackToTheText) {
  EXPECT_EQ(Hex(DecodeStoredText(GetParam().stored)), Hex(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Texts, StoredTextTest,
                         testing::Values(StoredCase{"empty", "", ""}, StoredCase{"a", "a", "YQA="},
                                         StoredCase{"ab", "ab", "YWIA"}, StoredCase{"abc", "abc", "YWJjAA=="},
                                         StoredCase{"zhong", "中", "5LitAA=="},
                                         StoredCase{"zhongwen", "中文", "5Lit5paHAA=="},
                                         StoredCase{"space_and_crlf", "a b\r\nc", "YSBiDQpjAA=="},
                                         // The ideographic space U+3000 is A1 A1 in code page 936.
                                         StoredCase{"ideographic_space", "a　b", "YeOAgGIA"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Stored forms that the encoder does not write but files may hold.
struct DecodeCase {
  const char* name;
  std::string stored;
  std::string text;
};

class DecodeStoredTextTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeStoredTextTest, GivesTheText) {
  EXPECT_EQ(Hex(DecodeStoredText(GetParam().stored)), Hex(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    StoredForms, DecodeStoredTextTest,
    testing::Values(DecodeCase{"no_terminator", "YWJj", "abc"},
                    DecodeCase{"spaces_and_crlf_anywhere", "YW Jj\r\nAA==", "abc"},
                    DecodeCase{"two_pads", "YQ==", "a"}, DecodeCase{"one_pad", "YWI=", "ab"},
                    DecodeCase{"missing_positions", "YQ", "a"},
                    DecodeCase{"missing_fourth_position", "YWJ", "ab@"}, DecodeCase{"lone_pad", "=", ""},
                    DecodeCase{"pad_after_full_group", "YWJj=", "ab"}, DecodeCase{"empty", "", ""},
                    DecodeCase{"full_width_space_between_groups",
                               "5Lit\xA1\xA1"
                               "5paHAA==",
                               "中文"},
                    DecodeCase{"full_width_space_literal", "5Lit　5paH　AA==", "中文"},
                    // Bytes that are not UTF-8 come back as "?".
                    DecodeCase{"malformed_utf8", "/w==", "?"},
                    // A zero byte inside ends the text.
                    DecodeCase{"zero_inside", "YQBi", "a"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------------
// The conversions.

struct Utf16Case {
  const char* name;
  std::string text;
  std::string withTerminator;
  std::string withoutTerminator;
};

class TextToUtf16Test : public testing::TestWithParam<Utf16Case> {};

TEST_P(TextToUtf16Test, GivesUtf16LittleEndianUnits) {
  EXPECT_EQ(Hex(TextToUtf16(GetParam().text, false)), Hex(GetParam().withTerminator));
  EXPECT_EQ(Hex(TextToUtf16(GetParam().text, true)), Hex(GetParam().withoutTerminator));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextToUtf16Test,
    testing::Values(Utf16Case{"empty", "", "", ""}, Utf16Case{"a", "a", "a\0\0\0"s, "a\0"s},
                    Utf16Case{"zhongwen", "中文", "\x2D\x4E\x87\x65\0\0"s, "\x2D\x4E\x87\x65"},
                    Utf16Case{"ends_at_zero", "a\0b"s, "a\0\0\0"s, "a\0"s}),
    [](const auto& info) { return std::string(info.param.name); });

struct Utf8Case {
  const char* name;
  std::string text;
  std::string utf8;
};

class TextToUtf8Test : public testing::TestWithParam<Utf8Case> {};

TEST_P(TextToUtf8Test, GivesUtf8AndOneZeroByte) {
  EXPECT_EQ(Hex(TextToUtf8(GetParam().text)), Hex(GetParam().utf8));
}

INSTANTIATE_TEST_SUITE_P(Texts, TextToUtf8Test,
                         testing::Values(Utf8Case{"empty", "", ""}, Utf8Case{"a", "a", "a\0"s},
                                         Utf8Case{"zhong", "中", "\xE4\xB8\xAD\0"s},
                                         Utf8Case{"euro_is_80", "\x80", "\xE2\x82\xAC\0"s},
                                         Utf8Case{"ends_at_zero", "ab\0cd"s, "ab\0"s},
                                         Utf8Case{"only_zero", "\0"s, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

class Utf8ToTextTest : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8ToTextTest, GivesTheCodePage936Text) {
  EXPECT_EQ(Hex(Utf8ToText(GetParam().utf8)), Hex(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Bytes, Utf8ToTextTest,
                         testing::Values(Utf8Case{"empty", "", ""}, Utf8Case{"a", "a", "a"},
                                         Utf8Case{"terminated", "a", "a\0"s},
                                         Utf8Case{"zhongwen", "中文", "\xE4\xB8\xAD\xE6\x96\x87"},
                                         Utf8Case{"up_to_first_zero", "a", "a\0b\0"s},
                                         Utf8Case{"leading_zero", "", "\0abc"s},
                                         // Thai KO KAI is not in code page 936.
                                         Utf8Case{"not_in_936", "a?b",
                                                  "a\xE0\xB8\x81"
                                                  "b"},
                                         Utf8Case{"malformed", "a?b",
                                                  "a\xFF"
                                                  "b"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Random texts of ASCII, line breaks, GB2312 hanzi and GBK/3 characters survive the round trip.
TEST(StoredTextProperty, RandomCodePage936TextsRoundTrip) {
  std::mt19937 rng(936);
  std::uniform_int_distribution<int> kind(0, 9);
  std::uniform_int_distribution<int> ascii(0x20, 0x7E);
  std::uniform_int_distribution<int> hanziLead(0xB0, 0xD7), hanziTrail(0xA1, 0xFE);
  std::uniform_int_distribution<int> gbkLead(0x81, 0xA0), gbkTrail(0x40, 0xFE);
  std::uniform_int_distribution<int> length(1, 120);
  for (int round = 0; round < 400; ++round) {
    std::string text;
    const int n = length(rng);
    for (int i = 0; i < n; ++i) {
      const int k = kind(rng);
      if (k < 4) {
        text.push_back(static_cast<char>(ascii(rng)));
      } else if (k == 4) {
        text += (i % 2) ? "\r\n" : "　";
      } else if (k < 8) {
        int lead = hanziLead(rng), trail = hanziTrail(rng);
        if (lead == 0xD7 && trail >= 0xFA)
          trail = 0xA1;  // D7FA..D7FE are unassigned
        text.push_back(static_cast<char>(lead));
        text.push_back(static_cast<char>(trail));
      } else {
        int trail = gbkTrail(rng);
        if (trail == 0x7F)
          trail = 0x80;
        text.push_back(static_cast<char>(gbkLead(rng)));
        text.push_back(static_cast<char>(trail));
      }
    }
    const std::string stored = EncodeStoredText(text);
    ASSERT_EQ(stored.size() % 4, 0u);
    ASSERT_TRUE(stored.back() == '=' || stored.back() == 'A') << stored;
    ASSERT_EQ(Hex(DecodeStoredText(stored)), Hex(text)) << stored;
    // The stored form holds the UTF-8 bytes and the terminator.
    const std::string utf8 = Base64Decode(stored, false);
    ASSERT_EQ(utf8, TextToUtf8(text));
    ASSERT_EQ(utf8.back(), '\0');
    ASSERT_EQ(Utf8ToText(utf8), text);
  }
}

// ---------------------------------------------------------------------------------------------------
// Waiting window messages are handled in the middle of a decode.

constexpr UINT kProbeMessage = WM_APP + 1;

struct Probe {
  bool decoding = false;  // set by the test around the decode
  int group = -1;         // advanced by the test's hook, when it uses one
  std::vector<int> seenAtGroup;
  std::vector<bool> seenWhileDecoding;
  std::string nestedDecode;  // what a decode inside the handler gave
  bool decodeInHandler = false;
};
Probe* g_probe = nullptr;

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kProbeMessage && g_probe) {
    g_probe->seenAtGroup.push_back(g_probe->group);
    g_probe->seenWhileDecoding.push_back(g_probe->decoding);
    if (g_probe->decodeInHandler) {
      g_probe->nestedDecode = DecodeStoredText("5Lit5paHAA==");
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A message-only window of this thread that records when its probe message is handled.
class ProbeWindow {
 public:
  ProbeWindow() {
    WNDCLASSA cls{};
    cls.lpfnWndProc = ProbeWindowProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "QuilletCodecProbe";
    RegisterClassA(&cls);
    window_ = CreateWindowExA(0, cls.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance,
                              nullptr);
    g_probe = &probe_;
  }
  ~ProbeWindow() {
    g_probe = nullptr;
    if (window_)
      DestroyWindow(window_);
  }
  ProbeWindow(const ProbeWindow&) = delete;
  ProbeWindow& operator=(const ProbeWindow&) = delete;
  HWND get() const { return window_; }
  Probe& probe() { return probe_; }

 private:
  HWND window_ = nullptr;
  Probe probe_;
};

void DrainQueue() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    DispatchMessageA(&msg);
  }
}

std::string LongStoredText() {
  std::string text;
  for (int i = 0; i < 2000; ++i)
    text += "中文 text ";
  return EncodeStoredText(text);
}

TEST(DecodeStoredTextMessages, WaitingMessageIsHandledDuringTheDecode) {
  ProbeWindow window;
  ASSERT_NE(window.get(), nullptr);
  DrainQueue();
  ASSERT_TRUE(PostMessageA(window.get(), kProbeMessage, 0, 0));
  window.probe().decoding = true;
  const std::string text = DecodeStoredText("5Lit5paHAA==");
  window.probe().decoding = false;
  EXPECT_EQ(text, "中文");
  EXPECT_EQ(window.probe().seenWhileDecoding, std::vector<bool>{true});
}

TEST(DecodeStoredTextMessages, HookHandlesMessagesAfterEveryGroup) {
  // The decoder with the real hook, wrapped to count groups: the message posted before decoding is
  // handled after group 0, and one posted after group 10's pump is handled after group 11.
  ProbeWindow window;
  ASSERT_NE(window.get(), nullptr);
  DrainQueue();
  Probe& probe = window.probe();
  ASSERT_TRUE(PostMessageA(window.get(), kProbeMessage, 0, 0));
  const std::string stored = LongStoredText();
  const std::string utf8 = Base64Decode(stored, true, [&] {
    ++probe.group;
    PumpWaitingMessages();
    if (probe.group == 10)
      PostMessageA(window.get(), kProbeMessage, 0, 0);
  });
  EXPECT_EQ(Utf8ToText(utf8), DecodeStoredText(stored));
  EXPECT_EQ(probe.seenAtGroup, (std::vector<int>{0, 11}));
}

TEST(DecodeStoredTextMessages, HandlerMayDecodeAnotherText) {
  ProbeWindow window;
  ASSERT_NE(window.get(), nullptr);
  DrainQueue();
  window.probe().decodeInHandler = true;
  ASSERT_TRUE(PostMessageA(window.get(), kProbeMessage, 0, 0));
  window.probe().decoding = true;
  const std::string text = DecodeStoredText(EncodeStoredText("外层 text"));
  window.probe().decoding = false;
  EXPECT_EQ(text, "外层 text");
  EXPECT_EQ(window.probe().nestedDecode, "中文");
  EXPECT_EQ(window.probe().seenWhileDecoding, std::vector<bool>{true});
}

TEST(DecodeStoredTextMessages, QuitRequestIsLeftForTheMessageLoop) {
  DrainQueue();
  PostQuitMessage(7);
  EXPECT_EQ(DecodeStoredText(LongStoredText()).size(), 2000u * std::string("中文 text ").size());
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST(MessagePumpPacer, PumpsAfterTheFirstGroupAndThenOncePerTick) {
  ProbeWindow window;
  ASSERT_NE(window.get(), nullptr);
  DrainQueue();
  Probe& probe = window.probe();
  MessagePumpPacer pacer;
  ASSERT_TRUE(PostMessageA(window.get(), kProbeMessage, 0, 0));
  const DWORD firstTick = GetTickCount();
  probe.group = 0;
  pacer();  // the first group always pumps
  ASSERT_EQ(probe.seenAtGroup, std::vector<int>{0});

  // Within the tick of the last pump the queue is left alone.
  ASSERT_TRUE(PostMessageA(window.get(), kProbeMessage, 0, 0));
  probe.group = 1;
  pacer();
  if (GetTickCount() == firstTick) {
    EXPECT_EQ(probe.seenAtGroup.size(), 1u);
  }
  // Once the tick has moved on, the next group handles the message, still in the middle of the decode.
  for (const DWORD start = GetTickCount(); probe.seenAtGroup.size() < 2 && GetTickCount() - start < 2000;) {
    ++probe.group;
    Sleep(1);
    pacer();
  }
  ASSERT_EQ(probe.seenAtGroup.size(), 2u);
  EXPECT_GE(probe.seenAtGroup[1], 1);
}

TEST(DecodeStoredTextMessages, EmptyQueueLeavesNothingBehind) {
  DrainQueue();
  PumpWaitingMessages();
  EXPECT_EQ(HIWORD(GetQueueStatus(QS_ALLINPUT)), 0);
}

}  // namespace

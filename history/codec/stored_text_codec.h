// The stored form of a clipboard text and back: field 2 of table "Data" holds Base64 of the text's
// UTF-8 bytes followed by one zero byte (the text's terminator).
//
// Texts are std::string holding code page 936 bytes; a text ends at its first zero byte. Byte strings
// are std::string holding any bytes, zero bytes included. No operation reports an error: odd input
// gets the defined result described at each function.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// Standard Base64 (RFC 4648 alphabet, "=" padding, one line). An empty byte string gives "".
std::string Base64Encode(std::string_view bytes);

// The decoder that stored files rely on, quirks included:
// - the text ends at its first zero byte; spaces (0x20 and the double-byte space A1 A1) and then CR LF
//   pairs are removed, scanning double-byte characters as units;
// - each group of four characters is looked up into one register of four values that is kept from group
//   to group; a position past the end counts as "A"; a character outside the alphabet ("=" too) puts its
//   own byte value into the register and ends the group's lookup (its stop position);
// - every group yields three bytes; after the last group 5 - k bytes are removed from the end, where k is
//   that group's stop position (5 when all four positions were looked up);
// - with stripTrailingZeros the zero bytes at the end are removed (the encoded terminator).
// afterGroup, when not empty, runs after every group; the Windows build passes PumpWaitingMessages there.
std::string Base64Decode(std::string_view text, bool stripTrailingZeros,
                         const std::function<void()>& afterGroup = {});

// Removes the zero bytes at the end of a byte string; zero bytes elsewhere stay.
std::string StripTrailingZeros(std::string bytes);

#ifdef _WIN32
// UTF-16LE code units of a code page 936 text as bytes, ending with the zero unit unless dropTerminator.
// "" gives "".
std::string TextToUtf16(const std::string& text, bool dropTerminator);
// UTF-8 bytes of a code page 936 text followed by one zero byte; "" gives "".
std::string TextToUtf8(const std::string& text);
// The code page 936 text of UTF-8 bytes, up to the first zero byte; characters that code page 936 has not
// become "?", malformed UTF-8 becomes "?" as well.
std::string Utf8ToText(const std::string& bytes);
// The stored form of a text: Base64Encode(TextToUtf8(text)).
std::string EncodeStoredText(const std::string& text);
// The text of a stored form: Utf8ToText(Base64Decode(stored, true, hook)). Window messages that are
// waiting are handled while it decodes (the hook is a MessagePumpPacer), so handlers of the program can
// run in its middle.
std::string DecodeStoredText(const std::string& stored);
// Handles every window message waiting for this thread and returns. With an empty queue it costs one
// queue-status query. A WM_QUIT taken from the queue is posted again so that the message loop still ends.
void PumpWaitingMessages();
// The hook of one decode: runs PumpWaitingMessages after the first group and then whenever the system
// tick (GetTickCount, 10 to 16 ms steps, read every 32nd group) has moved on since its last run. A
// queue-status query is a kernel call on Windows and a wineserver round trip (tens of microseconds)
// under Wine, while a group decodes in nanoseconds, so querying after every group would make an idle
// queue nearly all of the decoding time; this way waiting messages still run in the middle of a long
// decode, at most one tick late.
class MessagePumpPacer {
 public:
  void operator()();

 private:
  bool pumped_ = false;
  unsigned groups_ = 0;
  unsigned long lastTick_ = 0;
};
#endif

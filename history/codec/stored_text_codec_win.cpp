// The Windows layer of the stored-text codec: the conversions between code page 936, UTF-16 and UTF-8
// (MultiByteToWideChar / WideCharToMultiByte with the fixed code pages 936 and 65001; the system's ANSI
// code page plays no part) and the two stored-text operations over the portable Base64 core.
#include "history/codec/stored_text_codec.h"

#include <windows.h>

#include <climits>
#include <cstring>

namespace {

constexpr UINT kTextCodePage = 936;
constexpr UINT kUtf8CodePage = 65001;

// The conversion calls count in int. Larger inputs get the empty result of their stage instead of a
// wrapped length.
constexpr size_t kLargestConversion = INT_MAX / 4;

}  // namespace

std::string TextToUtf16(const std::string& text, bool dropTerminator) {
  if (text.empty() || text.front() == '\0') {
    return {};
  }
  if (std::strlen(text.c_str()) > kLargestConversion) {
    return {};
  }
  // Length -1: the text up to its zero byte, and the count includes the zero unit.
  const int units = MultiByteToWideChar(kTextCodePage, 0, text.c_str(), -1, nullptr, 0);
  if (units <= 0) {
    return {};
  }
  std::wstring wide(static_cast<size_t>(units), L'\0');
  const int written = MultiByteToWideChar(kTextCodePage, 0, text.c_str(), -1, wide.data(), units);
  if (written <= 0) {
    return {};
  }
  std::string bytes(reinterpret_cast<const char*>(wide.data()), static_cast<size_t>(written) * 2);
  if (dropTerminator) {
    bytes.resize(bytes.size() - 2);
  }
  return bytes;
}

std::string TextToUtf8(const std::string& text) {
  const std::string utf16 = TextToUtf16(text, false);
  if (utf16.empty()) {
    return {};
  }
  std::wstring wide(utf16.size() / 2, L'\0');
  std::memcpy(wide.data(), utf16.data(), wide.size() * 2);
  const int units = static_cast<int>(wide.size());  // the zero unit included
  const int size = WideCharToMultiByte(kUtf8CodePage, 0, wide.c_str(), units, nullptr, 0, nullptr, nullptr);
  if (size <= 0) {
    return {};
  }
  std::string bytes(static_cast<size_t>(size), '\0');
  const int written =
      WideCharToMultiByte(kUtf8CodePage, 0, wide.c_str(), -1, bytes.data(), size, nullptr, nullptr);
  if (written <= 0) {
    return {};
  }
  bytes.resize(static_cast<size_t>(written));
  return bytes;  // the UTF-8 form followed by one zero byte
}

std::string Utf8ToText(const std::string& bytes) {
  if (bytes.empty() || bytes.size() > kLargestConversion) {
    return {};
  }
  const int length = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(kUtf8CodePage, 0, bytes.data(), length, nullptr, 0);
  if (units <= 0) {
    return {};
  }
  std::wstring wide(static_cast<size_t>(units), L'\0');
  if (MultiByteToWideChar(kUtf8CodePage, 0, bytes.data(), length, wide.data(), units) <= 0) {
    return {};
  }
  const int size = WideCharToMultiByte(kTextCodePage, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  if (size <= 0) {
    return {};
  }
  std::string text(static_cast<size_t>(size), '\0');
  const int written =
      WideCharToMultiByte(kTextCodePage, 0, wide.data(), units, text.data(), size, nullptr, nullptr);
  if (written <= 0) {
    return {};
  }
  text.resize(static_cast<size_t>(written));
  // The text ends at the first zero byte.
  text.resize(std::strlen(text.c_str()));
  return text;
}

std::string EncodeStoredText(const std::string& text) {
  return Base64Encode(TextToUtf8(text));
}

std::string DecodeStoredText(const std::string& stored) {
  MessagePumpPacer pacer;
  return Utf8ToText(Base64Decode(stored, true, [&pacer] { pacer(); }));
}

#include "history/store/code_page_936.h"

#include <windows.h>

#include <cstring>

namespace {
constexpr UINT kCodePage = 936;
}

std::u16string Utf16FromText(const std::string& text) {
  const int length = static_cast<int>(strlen(text.c_str()));
  if (length == 0)
    return {};
  const int units = MultiByteToWideChar(kCodePage, 0, text.data(), length, nullptr, 0);
  if (units <= 0)
    return {};
  std::u16string result(static_cast<size_t>(units), u'\0');
  MultiByteToWideChar(kCodePage, 0, text.data(), length, reinterpret_cast<wchar_t*>(result.data()), units);
  return result;
}

std::string TextFromUtf16(const std::u16string& text) {
  if (text.empty())
    return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int units = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(kCodePage, 0, wide, units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0)
    return {};
  std::string result(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(kCodePage, 0, wide, units, result.data(), bytes, nullptr, nullptr);
  // A text ends at its first zero byte.
  result.resize(strlen(result.c_str()));
  return result;
}

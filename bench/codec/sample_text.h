// The 1 MiB sample of the codec benchmarks: a clipboard-like mix of Chinese, ASCII and line breaks.
#pragma once

#include <string>

// Code page 936 bytes, exactly `size` bytes long (never ending in half a character).
inline std::string SampleText936(size_t size) {
  static const char* pieces[] = {"剪贴板历史记录 ", "Quillet keeps every text. ", "中文测试，", "12345 ",
                                 "\r\n"};
  std::string text;
  for (size_t i = 0; text.size() < size; ++i) {
    text += pieces[(i * 7 + i / 3) % 5];
  }
  text.resize(size);
  if (static_cast<unsigned char>(text.back()) >= 0x80) {
    // Count the double-byte units to see whether the last byte is a lead byte.
    size_t i = 0;
    while (i < text.size())
      i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
    if (i > text.size())
      text.back() = ' ';
  }
  return text;
}

// UTF-8 bytes of the same kind of mix, exactly `size` bytes long, for the portable core.
inline std::string SampleUtf8(size_t size) {
  static const char* pieces[] = {"\xE5\x89\xAA\xE8\xB4\xB4\xE6\x9D\xBF ", "Quillet keeps every text. ",
                                 "\xE4\xB8\xAD\xE6\x96\x87", "12345 ", "\r\n"};
  std::string text;
  for (size_t i = 0; text.size() < size; ++i) {
    text += pieces[(i * 7 + i / 3) % 5];
  }
  text.resize(size);
  return text;
}

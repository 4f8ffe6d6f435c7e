// Text decoding. In the compressed form each byte is one character (U+0000..U+00FF) and each 0x00 byte
// switches between that and plain UTF-16LE; a value may end in either mode. A lone trailing byte of
// UTF-16 is dropped.
#include "history/jet/text.h"

#include <cstring>

namespace jet::internal {

std::u16string DecodeText(const uint8_t* bytes, size_t length) {
  std::u16string out;
  if (length >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    out.resize(length - 2);  // never more characters than bytes
    char16_t* o = out.data();
    bool compressed = true;
    size_t i = 2;
    while (i < length) {
      if (compressed) {
        // Up to the next mode switch: a plain widening copy (vectorised).
        const void* zero = std::memchr(bytes + i, 0, length - i);
        size_t end =
            zero != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes) : length;
        for (size_t k = i; k < end; ++k)
          *o++ = static_cast<char16_t>(bytes[k]);
        i = end;
      } else {
        while (i + 1 < length && bytes[i] != 0x00) {
          *o++ = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
          i += 2;
        }
        if (i + 1 >= length && i < length && bytes[i] != 0x00)
          break;  // a lone trailing byte
      }
      if (i < length && bytes[i] == 0x00) {
        compressed = !compressed;
        ++i;
      }
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return out;
  }
  out.resize(length / 2);
  char16_t* o = out.data();
  for (size_t k = 0; k < out.size(); ++k)
    o[k] = static_cast<char16_t>(bytes[2 * k] | (bytes[2 * k + 1] << 8));
  return out;
}

}  // namespace jet::internal

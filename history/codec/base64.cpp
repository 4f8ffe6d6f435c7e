// Base64 and byte-string work of the stored-text codec. No Win32 here: the Windows layer
// (stored_text_codec_win.cpp) adds the code page conversions and the message hook.
#include "history/codec/stored_text_codec.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kNotInAlphabet = -1;

// Index of each byte in the alphabet, or kNotInAlphabet. Bytes of 0x80 and above are never found.
constexpr std::array<int, 256> MakeAlphabetIndex() {
  std::array<int, 256> index{};
  for (int& x : index) {
    x = kNotInAlphabet;
  }
  for (int i = 0; i < 64; ++i) {
    index[static_cast<unsigned char>(kAlphabet[i])] = i;
  }
  return index;
}
constexpr std::array<int, 256> kAlphabetIndex = MakeAlphabetIndex();

bool IsLeadByte(unsigned char b) { return b >= 0x80; }

// Removes the ASCII space and the double-byte space A1 A1, scanning double-byte characters as units.
std::string RemoveSpaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(b) && i + 1 < text.size()) {
      const unsigned char trail = static_cast<unsigned char>(text[i + 1]);
      if (!(b == 0xA1 && trail == 0xA1)) {
        out.append(text.substr(i, 2));
      }
      i += 2;
    } else {
      if (b != ' ') {
        out.push_back(static_cast<char>(b));
      }
      ++i;
    }
  }
  return out;
}

// Removes every CR LF pair in one left-to-right pass, scanning double-byte characters as units; a lone
// CR or LF stays.
std::string RemoveLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(b) && i + 1 < text.size()) {
      out.append(text.substr(i, 2));
      i += 2;
    } else if (b == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      i += 2;
    } else {
      out.push_back(static_cast<char>(b));
      ++i;
    }
  }
  return out;
}

}  // namespace

std::string Base64Encode(std::string_view bytes) {
  if (bytes.empty()) {
    return {};
  }
  const size_t whole = bytes.size() / 3;
  const size_t rest = bytes.size() % 3;
  std::string out;
  out.reserve((whole + (rest ? 1 : 0)) * 4);
  auto put_group = [&out](uint32_t b1, uint32_t b2, uint32_t b3) {
    const uint32_t v = (b1 << 16) | (b2 << 8) | b3;
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(kAlphabet[(v >> 6) & 63]);
    out.push_back(kAlphabet[v & 63]);
  };
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  for (size_t g = 0; g < whole; ++g, p += 3) {
    put_group(p[0], p[1], p[2]);
  }
  if (rest == 1) {
    put_group(p[0], 0, 0);
    out.replace(out.size() - 2, 2, "==");
  } else if (rest == 2) {
    put_group(p[0], p[1], 0);
    out.back() = '=';
  }
  return out;
}

std::string Base64Decode(std::string_view text, bool stripTrailingZeros,
                         const std::function<void()>& afterGroup) {
  // A text ends at its first zero byte.
  if (const size_t end = text.find('\0'); end != std::string_view::npos) {
    text = text.substr(0, end);
  }
  const std::string clean = RemoveLineBreaks(RemoveSpaces(text));
  const size_t length = clean.size();
  const size_t groups = length / 4 + (length % 4 ? 1 : 0);

  std::string out;
  out.reserve(groups * 3);
  // The register is set once and kept from group to group: a group that stops early leaves the values
  // after its stop position as the previous group left them.
  uint32_t r[4] = {0, 0, 0, 0};
  int stop = 0;  // stop position of the last group; 0 when there was no group
  const auto* bytes = reinterpret_cast<const unsigned char*>(clean.data());
  for (size_t g = 0; g < groups; ++g) {
    stop = 5;
    for (int j = 0; j < 4; ++j) {
      const size_t pos = g * 4 + j;
      if (pos >= length) {
        r[j] = 0;  // past the end: the value of "A"
        continue;
      }
      const int x = kAlphabetIndex[bytes[pos]];
      if (x == kNotInAlphabet) {
        r[j] = bytes[pos];
        stop = j + 1;
        break;
      }
      r[j] = static_cast<uint32_t>(x);
    }
    out.push_back(static_cast<char>(((r[0] * 4) | (r[1] / 16)) & 0xFF));
    out.push_back(static_cast<char>(((r[1] * 16) | (r[2] / 4)) & 0xFF));
    out.push_back(static_cast<char>(((r[2] * 64) | r[3]) & 0xFF));
    if (afterGroup) {
      afterGroup();
    }
  }
  if (stop > 0 && stop < 5) {
    const size_t remove = static_cast<size_t>(5 - stop);
    out.resize(out.size() > remove ? out.size() - remove : 0);
  }
  if (stripTrailingZeros) {
    out = StripTrailingZeros(std::move(out));
  }
  return out;
}

std::string StripTrailingZeros(std::string bytes) {
  const size_t last = bytes.find_last_not_of('\0');
  bytes.resize(last == std::string::npos ? 0 : last + 1);
  return bytes;
}

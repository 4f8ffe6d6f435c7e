// Base64 and byte-string work of the stored-text codec. No Win32 here: the Windows layer
// (stored_text_codec_win.cpp) adds the code page conversions and the message hook.
#include "history/codec/stored_text_codec.h"

#include <algorithm>
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

bool IsLeadByte(unsigned char b) {
  return b >= 0x80;
}

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

// Looks the group starting at `first` up into the register and returns its stop position: the position
// (1 to 4) of the first character outside the alphabet, or 5 when all four were looked up. Positions
// past the end count as "A".
int LookUpGroup(const unsigned char* bytes, size_t length, size_t first, uint32_t r[4]) {
  if (first + 3 < length) {
    // The common case, four alphabet characters (kNotInAlphabet is -1, so any miss makes the OR negative).
    const int x0 = kAlphabetIndex[bytes[first]], x1 = kAlphabetIndex[bytes[first + 1]];
    const int x2 = kAlphabetIndex[bytes[first + 2]], x3 = kAlphabetIndex[bytes[first + 3]];
    if ((x0 | x1 | x2 | x3) >= 0) {
      r[0] = static_cast<uint32_t>(x0);
      r[1] = static_cast<uint32_t>(x1);
      r[2] = static_cast<uint32_t>(x2);
      r[3] = static_cast<uint32_t>(x3);
      return 5;
    }
  }
  for (int j = 0; j < 4; ++j) {
    const size_t pos = first + static_cast<size_t>(j);
    if (pos >= length) {
      r[j] = 0;
      continue;
    }
    const int x = kAlphabetIndex[bytes[pos]];
    if (x == kNotInAlphabet) {
      r[j] = bytes[pos];  // the byte's own value; the values after it stay as they were
      return j + 1;
    }
    r[j] = static_cast<uint32_t>(x);
  }
  return 5;
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
  // Stored forms the encoder wrote have no spaces, line breaks or double-byte characters; only other
  // texts pay for the two cleaning passes.
  const bool needsCleaning = std::any_of(text.begin(), text.end(), [](char c) {
    return c == ' ' || c == '\r' || IsLeadByte(static_cast<unsigned char>(c));
  });
  std::string cleaned;
  if (needsCleaning) {
    cleaned = RemoveLineBreaks(RemoveSpaces(text));
  }
  const std::string_view clean = needsCleaning ? std::string_view(cleaned) : text;
  const size_t length = clean.size();
  const size_t groups = length / 4 + (length % 4 ? 1 : 0);

  std::string out(groups * 3, '\0');
  char* put = out.data();
  // The register is set once and kept from group to group: a group that stops early leaves the values
  // after its stop position as the previous group left them.
  uint32_t r[4] = {0, 0, 0, 0};
  int stop = 0;  // stop position of the last group; 0 when there was no group
  const auto* bytes = reinterpret_cast<const unsigned char*>(clean.data());
  for (size_t g = 0; g < groups; ++g) {
    stop = LookUpGroup(bytes, length, g * 4, r);
    *put++ = static_cast<char>(((r[0] * 4) | (r[1] / 16)) & 0xFF);
    *put++ = static_cast<char>(((r[1] * 16) | (r[2] / 4)) & 0xFF);
    *put++ = static_cast<char>(((r[2] * 64) | r[3]) & 0xFF);
    if (afterGroup) {
      afterGroup();
    }
  }
  if (stop > 0 && stop < 5) {
    const size_t remove = static_cast<size_t>(5 - stop);
    out.erase(out.size() > remove ? out.size() - remove : 0);
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

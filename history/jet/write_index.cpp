#include "history/jet/write_index.h"

#include <algorithm>

#include "history/jet/write_page.h"

namespace jet::writer {
namespace {

constexpr uint32_t kLeafEntriesStart = 0x1E0;
constexpr uint32_t kLeafBitmaskStart = 27;

// General (legacy) sort order: the code of each plain ASCII letter and digit, case folded.
constexpr uint8_t kLetterCodes[26] = {0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59, 0x5B, 0x5C, 0x5E, 0x60,
                                      0x62, 0x64, 0x66, 0x68, 0x69, 0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78};

}  // namespace

std::string LongKey(int32_t value) {
  uint32_t v = static_cast<uint32_t>(value) ^ 0x80000000u;
  std::string key(1, '\x7F');
  for (int shift = 24; shift >= 0; shift -= 8) key.push_back(static_cast<char>((v >> shift) & 0xFF));
  return key;
}

std::optional<std::string> GeneralTextKey(std::u16string_view text) {
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  std::string key(1, '\x7F');
  for (char16_t c : text.substr(0, 255)) {
    if (c >= u'a' && c <= u'z') {
      key.push_back(static_cast<char>(kLetterCodes[c - u'a']));
    } else if (c >= u'A' && c <= u'Z') {
      key.push_back(static_cast<char>(kLetterCodes[c - u'A']));
    } else if (c >= u'0' && c <= u'9') {
      key.push_back(static_cast<char>(0x36 + 2 * (c - u'0')));
    } else if (c == u' ') {
      key.push_back('\x07');
    } else {
      return std::nullopt;
    }
  }
  key.push_back('\x01');
  key.push_back('\x00');
  return key;
}

std::string LeafEntry(std::string_view key, uint32_t page, uint8_t row) {
  std::string e(key);
  e.push_back(static_cast<char>((page >> 16) & 0xFF));
  e.push_back(static_cast<char>((page >> 8) & 0xFF));
  e.push_back(static_cast<char>(page & 0xFF));
  e.push_back(static_cast<char>(row));
  return e;
}

std::string BuildLeafPage(uint32_t tdefPage, std::vector<std::string> entries) {
  std::sort(entries.begin(), entries.end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return static_cast<uint8_t>(x) < static_cast<uint8_t>(y); });
  });
  std::string page(kPageSize, '\0');
  page[0] = 0x04;
  page[1] = 0x01;
  PutU32(page, 4, tdefPage);
  uint32_t end = kLeafEntriesStart;
  for (const auto& e : entries) {
    if (end + e.size() > kPageSize) return std::string();
    page.replace(end, e.size(), e);
    end += static_cast<uint32_t>(e.size());
    uint32_t bit = end - kLeafEntriesStart;
    page[kLeafBitmaskStart + bit / 8] =
        static_cast<char>(static_cast<uint8_t>(page[kLeafBitmaskStart + bit / 8]) | (1u << (bit % 8)));
  }
  PutU16(page, 2, kPageSize - end);
  return page;
}

}  // namespace jet::writer

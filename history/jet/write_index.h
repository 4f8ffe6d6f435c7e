// Index keys and index leaf pages, enough for the catalog indexes of a new database: Long keys, and
// Text keys in the General sort order for the ASCII names the catalog holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jet::writer {

// 7F, then the value big-endian with its top bit flipped.
std::string LongKey(int32_t value);
// 7F, one General-order code per character, 01, 00. Only letters, digits and spaces are handled
// (nothing else is needed for catalog names); anything else gives no key.
std::optional<std::string> GeneralTextKey(std::u16string_view text);
// A leaf entry: key, then the data page (3 bytes, big-endian) and the row.
std::string LeafEntry(std::string_view key, uint32_t page, uint8_t row);

// A leaf page (type 0x04) of the table whose TDEF is `tdefPage`, holding `entries` sorted bytewise.
// Empty when the entries do not fit one page.
std::string BuildLeafPage(uint32_t tdefPage, std::vector<std::string> entries);

}  // namespace jet::writer

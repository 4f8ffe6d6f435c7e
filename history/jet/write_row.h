// Row bytes (Jet 4 layout): column count, fixed area, variable data, end offset, variable offsets in
// reverse, variable count, null mask. And the stored form of a text value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jet::writer {

// One column's part of a row. Every column of the table is listed, NULL ones too.
struct RowField {
  uint16_t number = 0;      // col_num: selects the null-mask bit
  bool fixed = false;       // stored in the fixed area
  bool boolean = false;     // value is the null-mask bit only
  uint16_t varIndex = 0;    // variable columns: slot in the offset table
  uint16_t fixedOffset = 0;
  uint16_t length = 0;      // fixed columns: bytes reserved
  bool present = false;     // not NULL (Boolean: true)
  std::string bytes;        // the stored value (fixed columns: exactly `length` bytes)
};

// The row, with ncols = maxColumns. Columns numbered past the fields listed count as NULL.
std::string BuildRow(uint16_t maxColumns, const std::vector<RowField>& fields);

// A Text or Memo value as Jet 4 stores it: "FF FE" and one byte per character when the column allows
// compression, the text has more than 2 characters, all in U+0001-U+00FF, and (Memo) at most 1024 of
// them; plain UCS-2LE otherwise.
std::string EncodeTextValue(std::u16string_view text, bool columnCompresses, bool memo);

}  // namespace jet::writer

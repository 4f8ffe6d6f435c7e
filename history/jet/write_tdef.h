// Table definitions as the writer sees them: a table it can turn into TDEF bytes (used to lay out a new
// database), and a parser that reads back what an append needs from any Jet 4 TDEF, wherever Jet or
// Access put it (descriptors in any order, definitions continued over several pages).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "history/jet/file.h"
#include "history/jet/result.h"
#include "history/jet/write_page.h"

namespace jet::writer {

struct ColumnSpec {
  std::u16string name;
  uint8_t type = 0;
  uint16_t number = 0;       // col_num
  uint16_t varIndex = 0;     // var slot; for fixed columns the count of variable columns before it
  uint16_t sortLcid = 0;     // bytes 11-12 (Text/Memo: the sort order; Jet system tables: on every column)
  bool numberAgain = false;  // bytes 9-10 repeat col_num (user tables)
  uint8_t flags = 0;
  uint8_t extraFlags = 0;
  uint16_t fixedOffset = 0;
  uint16_t length = 0;
};

struct RealIndexSpec {
  std::vector<uint16_t> columns;  // ascending
  RowRef usageMap;
  uint32_t firstPage = 0;
  uint8_t flags = 0;
  uint32_t uniqueKeys = 0;
};

struct LogicalIndexSpec {
  std::u16string name;
  uint32_t number = 0;
  uint32_t realIndex = 0;
  uint8_t kind = 0;  // 1 primary key
};

struct LongValueMapSpec {
  uint16_t column = 0;
  RowRef owned;
  RowRef free;
};

struct TableSpec {
  uint8_t tableType = 0x4E;  // 0x4E user table, 0x53 system table
  uint32_t rowCount = 0;
  // Descriptors in the order they are stored (Jet sorts system-table columns by name).
  std::vector<ColumnSpec> columns;
  std::vector<RealIndexSpec> realIndexes;
  std::vector<LogicalIndexSpec> logicalIndexes;  // in stored order
  std::vector<LongValueMapSpec> longValueMaps;   // in stored order
  RowRef ownedMap;
  RowRef freeMap;
};

// The whole TDEF page (4096 bytes) of a definition that fits one page.
std::string BuildTdefPage(const TableSpec& table);

// Fills var_idx and fixed_offset the way Jet numbers them: in column-number order, variable columns
// get consecutive slots, fixed ones consecutive offsets (Booleans take no room), and a fixed column's
// var_idx counts the variable columns before it.
void NumberColumns(std::vector<ColumnSpec>& columns);

// ---- reading back ----

struct ParsedColumn {
  std::u16string name;
  uint8_t type = 0;
  uint16_t number = 0;
  uint16_t varIndex = 0;
  uint8_t flags = 0;
  uint8_t extraFlags = 0;
  uint16_t fixedOffset = 0;
  uint16_t length = 0;
  bool fixed() const;  // stored in the fixed area or (Boolean) in the null mask
};

struct ParsedTable {
  uint32_t tdefPage = 0;
  std::vector<uint32_t> pages;  // the TDEF's pages, first one first
  uint32_t rowCount = 0;
  uint8_t tableType = 0;
  uint16_t maxColumns = 0;
  uint16_t varColumns = 0;
  uint32_t logicalIndexCount = 0;
  uint32_t realIndexCount = 0;
  RowRef ownedMap;
  RowRef freeMap;
  std::vector<ParsedColumn> columns;  // in column-number order
  std::vector<LongValueMapSpec> longValueMaps;
  std::vector<RowRef> indexMaps;  // usage maps of the real indexes
  std::vector<uint32_t> indexFirstPages;  // first (root) page of each real index
  std::vector<uint8_t> indexFlags;        // 0x01 unique, 0x02 ignore NULLs, ...

  const ParsedColumn* ColumnByNumber(uint16_t number) const;
  const LongValueMapSpec* LongValueMapOf(uint16_t column) const;
};

// Reads and checks the TDEF that starts on `tdefPage`.
Result<ParsedTable> ReadTableDefinition(File& file, uint32_t tdefPage, uint32_t pageCount);

}  // namespace jet::writer

// Table definitions (TDEF pages, type 0x02), possibly spread over a chain of pages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "history/jet/database.h"
#include "history/jet/page_format.h"
#include "history/jet/result.h"

namespace jet::internal {

struct Engine;

struct LongValueMaps {
  uint16_t columnNumber = 0;
  RowPointer owned;
  RowPointer free;
};

struct IndexDef {
  std::vector<uint16_t> columnNumbers;
  RowPointer usageMap;
  uint32_t firstPage = 0;
  uint8_t flags = 0;
};

struct TableDef {
  std::u16string name;
  uint32_t page = 0;            // first TDEF page
  std::vector<uint32_t> pages;  // every page of the definition chain, in order
  uint32_t length = 0;          // tdef_len
  uint32_t rowCount = 0;        // offset 16
  uint32_t nextAutoNumber = 0;
  uint8_t tableType = 0;  // 0x4E user, 0x53 system
  uint16_t maxColumns = 0;
  uint16_t variableColumnCount = 0;  // from the header
  uint32_t logicalIndexCount = 0;
  uint32_t realIndexCount = 0;
  RowPointer ownedPages;
  RowPointer freeSpacePages;
  std::vector<Column> columns;  // sorted by column number
  std::vector<IndexDef> realIndexes;
  std::vector<LongValueMaps> longValueMaps;
  bool hasVariableColumns = false;  // some descriptor is of variable length
};

// Bytes a fixed-length column takes in the row's fixed area (0 for Boolean, which lives in the null mask).
uint16_t FixedSize(const Column& column);

// Reads and checks the definition starting at `page`.
Result<TableDef> ReadTableDef(const Engine& engine, uint32_t page);

}  // namespace jet::internal

// Decoding one stored row into one Value per column of the table definition.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "history/jet/database.h"
#include "history/jet/result.h"

namespace jet::internal {

struct Engine;
struct TableDef;
class PageCache;

// `row` holds the row's `length` bytes; `page` names the page it is on, for messages. `out` receives
// one value per column of def.columns (column-number order).
Status DecodeRow(const Engine& engine, const TableDef& def, const uint8_t* row, size_t length, uint32_t page,
                 PageCache& longValues, std::vector<Value>& out);

}  // namespace jet::internal

// Usage maps: which pages belong to a table, an index or a long-value column. A map is a row on a data
// page, either inline (type 0: start page + bitmap) or a reference (type 1: pointers to bitmap pages of
// type 0x05).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "history/jet/page_format.h"
#include "history/jet/result.h"

namespace jet::internal {

struct Engine;

// Pages of the map stored at `where`, ascending. Every page must lie inside the file.
Result<std::vector<uint32_t>> ReadUsageMap(const Engine& engine, RowPointer where);

// The same for a map row already in memory (`mapPage` names the page it came from, for messages).
Result<std::vector<uint32_t>> DecodeUsageMap(const Engine& engine, const uint8_t* row, size_t length,
                                             uint32_t mapPage);

}  // namespace jet::internal

// Memo and OLE values: a 12-byte header in the row, with the data inline, in one LVAL row, or in a chain
// of LVAL rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "history/jet/page_format.h"
#include "history/jet/result.h"

namespace jet::internal {

struct Engine;
class PageCache;

constexpr uint32_t kLongValueHeaderSize = 12;
constexpr uint32_t kLongValueInline = 0x80000000u;
constexpr uint32_t kLongValueSingleRow = 0x40000000u;
constexpr uint32_t kLongValueLengthMask = 0x3FFFFFFFu;

// Reads the bytes of a long value whose row slot is `field` (`length` bytes). `rowPage` names the page
// of the row, for messages.
Result<std::string> ReadLongValue(const Engine& engine, PageCache& cache, const uint8_t* field, size_t length,
                                  uint32_t rowPage);

}  // namespace jet::internal

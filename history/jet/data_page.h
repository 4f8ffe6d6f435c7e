// Data pages (type 0x01): the header, the row offset table and the bounds of each row.
#pragma once

#include <cstdint>

#include "history/jet/page_format.h"
#include "history/jet/result.h"

namespace jet::internal {

struct RowSlot {
  uint16_t start = 0;     // first byte of the row
  uint16_t end = 0;       // one past the last byte
  bool deleted = false;   // flag 0x8000: deleted, or the target of an overflow pointer
  bool overflow = false;  // flag 0x4000: the row's first 4 bytes point to where it lives
  uint16_t length() const { return static_cast<uint16_t>(end - start); }
};

inline bool IsDataPage(const PageBuffer& page) {
  return page[0] == kPageData && page[1] == 0x01;
}
inline uint32_t DataPageOwner(const PageBuffer& page) {
  return Get32(page.data() + kDataOwnerOffset);
}

// Number of row slots; fails when the offset table would not fit in the page.
Result<uint16_t> DataPageRowCount(const PageBuffer& page, uint32_t pageNumber);

// The bounds and flags of slot `row`. For a live row (or an overflow target) the bounds are checked:
// after the offset table, not past the page end, start <= end. Deleted slots are returned unchecked
// when `checkDeleted` is false.
Result<RowSlot> DataPageRow(const PageBuffer& page, uint32_t pageNumber, uint16_t row, bool checkDeleted);

}  // namespace jet::internal

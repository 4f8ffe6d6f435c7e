// Data pages: the row offset table.
#include "history/jet/data_page.h"

namespace jet::internal {

Result<uint16_t> DataPageRowCount(const PageBuffer& page, uint32_t pageNumber) {
  uint16_t count = Get16(page.data() + kDataRowCountOffset);
  if (kDataRowTableOffset + 2u * count > kPageSize) {
    return Status::Error(
        PageError(pageNumber, "row count " + std::to_string(count) + " does not fit the page"));
  }
  return count;
}

Result<RowSlot> DataPageRow(const PageBuffer& page, uint32_t pageNumber, uint16_t row, bool checkDeleted) {
  auto count = DataPageRowCount(page, pageNumber);
  if (!count)
    return count.status();
  if (row >= *count) {
    return Status::Error(PageError(pageNumber, "row " + std::to_string(row) + " does not exist (page has " +
                                                   std::to_string(*count) + " rows)"));
  }
  uint16_t raw = Get16(page.data() + kDataRowTableOffset + 2u * row);
  RowSlot slot;
  slot.deleted = (raw & kRowDeleted) != 0;
  slot.overflow = (raw & kRowOverflow) != 0;
  slot.start = raw & kRowOffsetMask;
  slot.end =
      row == 0 ? kPageSize : (Get16(page.data() + kDataRowTableOffset + 2u * (row - 1)) & kRowOffsetMask);
  if (slot.deleted && !checkDeleted)
    return slot;
  uint32_t tableEnd = kDataRowTableOffset + 2u * *count;
  if (slot.start < tableEnd || slot.end > kPageSize || slot.start > slot.end) {
    return Status::Error(PageError(pageNumber, "row " + std::to_string(row) + " offsets out of range (" +
                                                   std::to_string(slot.start) + ".." +
                                                   std::to_string(slot.end) + ")"));
  }
  return slot;
}

}  // namespace jet::internal

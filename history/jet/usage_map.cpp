// Usage maps, inline and reference.
#include "history/jet/usage_map.h"

#include "history/jet/data_page.h"
#include "history/jet/engine.h"

namespace jet::internal {
namespace {

constexpr uint32_t kReferenceBitsPerPage = (kPageSize - 4) * 8;  // 32736

Status AddBits(const uint8_t* bits, size_t bytes, uint64_t firstPage, uint32_t pageCount, uint32_t mapPage,
               std::vector<uint32_t>& pages) {
  for (size_t i = 0; i < bytes; ++i) {
    uint8_t b = bits[i];
    if (b == 0)
      continue;
    for (int bit = 0; bit < 8; ++bit) {
      if ((b & (1u << bit)) == 0)
        continue;
      uint64_t page = firstPage + i * 8 + static_cast<uint64_t>(bit);
      if (page >= pageCount) {
        return Status::Error(PageError(
            mapPage, "usage map names page " + std::to_string(page) + ", past the end of the file"));
      }
      pages.push_back(static_cast<uint32_t>(page));
    }
  }
  return Status::Ok();
}

}  // namespace

Result<std::vector<uint32_t>> DecodeUsageMap(const Engine& engine, const uint8_t* row, size_t length,
                                             uint32_t mapPage) {
  if (length < 1)
    return Status::Error(PageError(mapPage, "empty usage map row"));
  std::vector<uint32_t> pages;
  if (row[0] == 0) {
    if (length < 5)
      return Status::Error(PageError(mapPage, "inline usage map row too short"));
    uint32_t start = Get32(row + 1);
    Status s = AddBits(row + 5, length - 5, start, engine.pageCount, mapPage, pages);
    if (!s)
      return s;
    return pages;
  }
  if (row[0] == 1) {
    size_t count = (length - 1) / 4;
    std::vector<uint32_t> seen;
    PageBuffer bitmap;
    for (size_t j = 0; j < count; ++j) {
      uint32_t bitmapPage = Get32(row + 1 + 4 * j);
      if (bitmapPage == 0)
        continue;
      if (bitmapPage >= engine.pageCount) {
        return Status::Error(PageError(mapPage, "usage map names bitmap page " + std::to_string(bitmapPage) +
                                                    ", past the end of the file"));
      }
      for (uint32_t s : seen) {
        if (s == bitmapPage) {
          return Status::Error(
              PageError(mapPage, "usage map uses bitmap page " + std::to_string(bitmapPage) + " twice"));
        }
      }
      seen.push_back(bitmapPage);
      Status r = engine.ReadPage(bitmapPage, bitmap);
      if (!r)
        return r;
      if (bitmap[0] != kPageUsageMap) {
        return Status::Error(PageError(
            bitmapPage, "expected a usage map page (type 5), found type " + std::to_string(bitmap[0])));
      }
      Status s = AddBits(bitmap.data() + 4, kPageSize - 4, static_cast<uint64_t>(j) * kReferenceBitsPerPage,
                         engine.pageCount, bitmapPage, pages);
      if (!s)
        return s;
    }
    return pages;
  }
  return Status::Error(PageError(mapPage, "unknown usage map type " + std::to_string(row[0])));
}

Result<std::vector<uint32_t>> ReadUsageMap(const Engine& engine, RowPointer where) {
  PageBuffer page;
  Status r = engine.ReadPage(where.page, page);
  if (!r)
    return r;
  if (!IsDataPage(page)) {
    return Status::Error(PageError(
        where.page, "expected a data page holding a usage map, found type " + std::to_string(page[0])));
  }
  auto slot = DataPageRow(page, where.page, where.row, true);
  if (!slot)
    return slot.status();
  return DecodeUsageMap(engine, page.data() + slot->start, slot->length(), where.page);
}

}  // namespace jet::internal

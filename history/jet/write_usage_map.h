// Usage maps as the writer and the checker use them. A map is a row on a data page: inline (type 0:
// start page + bitmap) or reference (type 1: pointers to bitmap pages of type 0x05, each covering
// 32736 pages). Table and column maps: bit set = page belongs. The global map (page 1, row 0): bit
// set = page is free.
//
// Adding pages never rewrites a map in a way a reader could see half done: bits change in place, a
// full inline map is re-based or promoted to a reference map whose bitmap pages are new pages written
// before the one in-place rewrite of the 69-byte row that points at them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "history/jet/file.h"
#include "history/jet/result.h"
#include "history/jet/write_page.h"

namespace jet::writer {

// A write of bytes at a file offset.
struct PageWrite {
  uint64_t offset = 0;
  std::string bytes;
};

// Pages added at the end of the file by one operation, in the order they were handed out.
class PageAllocator {
 public:
  explicit PageAllocator(uint32_t firstNewPage) : first_(firstNewPage) {}
  uint32_t Allocate(std::string content);
  uint32_t first() const { return first_; }
  uint32_t next() const { return first_ + static_cast<uint32_t>(pages_.size()); }
  bool Owns(uint32_t page) const { return page >= first_ && page < next(); }
  std::string& Content(uint32_t page) { return pages_[page - first_]; }
  const std::vector<std::string>& pages() const { return pages_; }

 private:
  uint32_t first_;
  std::vector<std::string> pages_;
};

struct MapRow {
  RowRef ref;
  std::string page;  // the whole page holding the row
  uint32_t start = 0;
  uint32_t length = 0;
  uint8_t type() const { return static_cast<uint8_t>(page[start]); }
  uint64_t FileOffset() const { return static_cast<uint64_t>(ref.page) * kPageSize + start; }
};

Result<MapRow> ReadMapRow(File& file, RowRef ref, uint32_t pageCount);

// Pages whose bit is set (at most `limit` page numbers: bits past it are ignored), ascending.
// `bitmapPages` receives the type-0x05 pages of a reference map.
Result<std::vector<uint32_t>> MapPages(File& file, const MapRow& map, uint32_t limit,
                                       std::vector<uint32_t>* bitmapPages = nullptr);

// Sets the bits of `pages` (and clears those of `remove`) in a table or column map.
Status AddToMap(File& file, const MapRow& map, const std::vector<uint32_t>& pages, uint32_t pageCount,
                PageAllocator& alloc, std::vector<PageWrite>& writes, const std::vector<uint32_t>& remove = {});

// The highest `count` pages of a map (below `limit`), highest first, reading no more bitmap pages
// than it needs.
Result<std::vector<uint32_t>> LastMapPages(File& file, const MapRow& map, uint32_t limit, size_t count);
// Whether the bit of `page` is set.
Result<bool> MapHas(File& file, const MapRow& map, uint32_t page);

// Marks every page the allocator handed out as used in the global map, with any bitmap pages that
// takes (handed out by the same allocator).
Status MarkUsedInGlobalMap(File& file, const MapRow& global, uint32_t pageCount, PageAllocator& alloc,
                           std::vector<PageWrite>& writes);

// The pages a map row and its bitmap pages occupy are given by ReadMapRow/MapPages; these constants
// describe a bitmap page.
constexpr uint8_t kBitmapPageType = 0x05;

}  // namespace jet::writer

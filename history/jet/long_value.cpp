// Long values.
#include "history/jet/long_value.h"

#include <algorithm>
#include <unordered_set>

#include "history/jet/data_page.h"
#include "history/jet/engine.h"

namespace jet::internal {
namespace {

// The row `where` of an LVAL page, as a pointer into the cache's page.
Result<std::pair<const uint8_t*, size_t>> LongValueRow(const Engine& engine, PageCache& cache,
                                                       RowPointer where) {
  auto page = cache.Get(engine, where.page);
  if (!page)
    return page.status();
  const PageBuffer& p = **page;
  if (!IsDataPage(p) || DataPageOwner(p) != kLongValueTag) {
    return Status::Error(PageError(where.page, "expected a long-value (LVAL) page"));
  }
  auto slot = DataPageRow(p, where.page, where.row, true);
  if (!slot)
    return slot.status();
  return std::make_pair(p.data() + slot->start, static_cast<size_t>(slot->length()));
}

}  // namespace

Result<std::string> ReadLongValue(const Engine& engine, PageCache& cache, const uint8_t* field, size_t length,
                                  uint32_t rowPage) {
  if (length == 0)
    return std::string();
  if (length < kLongValueHeaderSize)
    return Status::Error(PageError(rowPage, "long-value header too short"));
  uint32_t word = Get32(field);
  uint32_t size = word & kLongValueLengthMask;
  uint32_t kind = word & ~kLongValueLengthMask;
  RowPointer first = RowPointer::FromRaw(Get32(field + 4));

  if (kind == kLongValueInline) {
    if (size > length - kLongValueHeaderSize) {
      return Status::Error(PageError(rowPage, "inline long value longer than its field"));
    }
    return std::string(reinterpret_cast<const char*>(field) + kLongValueHeaderSize, size);
  }
  if (kind == kLongValueSingleRow) {
    auto row = LongValueRow(engine, cache, first);
    if (!row)
      return row.status();
    if (row->second < size) {
      return Status::Error(
          PageError(first.page, "long-value row " + std::to_string(first.row) + " shorter than the value"));
    }
    return std::string(reinterpret_cast<const char*>(row->first), size);
  }
  if (kind != 0)
    return Status::Error(PageError(rowPage, "long-value header with both storage flags"));

  // A chain: [u32 next][chunk] rows until `size` bytes are collected.
  std::string out;
  // Every chunk comes from a distinct row of the file, so the value is never larger than the file.
  uint64_t fileBytes = static_cast<uint64_t>(engine.pageCount) * kPageSize;
  if (size > fileBytes)
    return Status::Error(PageError(rowPage, "long value larger than the file"));
  out.reserve(size);
  std::unordered_set<uint32_t> visited;
  RowPointer at = first;
  while (out.size() < size) {
    if (at.Raw() == 0) {
      return Status::Error(PageError(rowPage, "long-value chain ends after " + std::to_string(out.size()) +
                                                  " of " + std::to_string(size) + " bytes"));
    }
    if (!visited.insert(at.Raw()).second) {
      return Status::Error(
          PageError(at.page, "long-value chain loops back to row " + std::to_string(at.row)));
    }
    auto row = LongValueRow(engine, cache, at);
    if (!row)
      return row.status();
    if (row->second < 4) {
      return Status::Error(
          PageError(at.page, "long-value chain row " + std::to_string(at.row) + " too short"));
    }
    RowPointer next = RowPointer::FromRaw(Get32(row->first));
    size_t take = std::min<size_t>(row->second - 4, size - out.size());
    out.append(reinterpret_cast<const char*>(row->first) + 4, take);
    at = next;
  }
  return out;
}

}  // namespace jet::internal

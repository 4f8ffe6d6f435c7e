#include "history/jet/write_usage_map.h"

#include <algorithm>
#include <cstring>

namespace jet::writer {
namespace {

Status ReadPage(File& file, uint32_t page, std::string& out) {
  out.assign(kPageSize, '\0');
  return file.ReadAt(static_cast<uint64_t>(page) * kPageSize, out.data(), kPageSize)
      .WithContext("page " + std::to_string(page));
}

std::string NewBitmapPage(bool allSet) {
  std::string p(kPageSize, allSet ? '\xFF' : '\0');
  p[0] = kBitmapPageType;
  p[1] = 0x01;
  p[2] = 0;
  p[3] = 0;
  return p;
}

void SetBit(std::string& bytes, size_t bitmapStart, uint32_t bit, bool value) {
  uint8_t b = static_cast<uint8_t>(bytes[bitmapStart + bit / 8]);
  b = value ? static_cast<uint8_t>(b | (1u << (bit % 8))) : static_cast<uint8_t>(b & ~(1u << (bit % 8)));
  bytes[bitmapStart + bit / 8] = static_cast<char>(b);
}

// Byte writes for the differences between `before` and `after` (same size), located at `base`.
void DiffWrites(const std::string& before, const std::string& after, uint64_t base, std::vector<PageWrite>& writes) {
  size_t i = 0;
  while (i < before.size()) {
    if (before[i] == after[i]) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < before.size() && before[j] != after[j]) ++j;
    writes.push_back(PageWrite{base + i, after.substr(i, j - i)});
    i = j;
  }
}

// Sets (or clears) the bits of `pages` in a reference map, handing out bitmap pages for blocks that
// have none. `fresh` is the bit value of a new bitmap page.
Status UpdateReferenceMap(File& file, const MapRow& map, std::vector<std::pair<uint32_t, bool>> changes, bool fresh,
                          PageAllocator& alloc, std::vector<PageWrite>& writes, bool includeAllocated) {
  std::string row = map.page.substr(map.start, map.length);
  const std::string before = row;
  uint32_t slots = (map.length - 1) / 4;
  std::vector<std::pair<uint32_t, std::string>> touched;  // existing bitmap pages: number, new content
  auto bitmapFor = [&](uint32_t block) -> Result<std::string*> {
    if (block >= slots) return Status::Error("usage map " + std::to_string(map.ref.page) + ":" +
                                             std::to_string(map.ref.row) + " cannot cover page numbers that high");
    uint32_t ptr = GetU32(row, 1 + 4 * block);
    if (ptr == 0) {
      ptr = alloc.Allocate(NewBitmapPage(fresh));
      PutU32(row, 1 + 4 * block, ptr);
    }
    if (alloc.Owns(ptr)) return &alloc.Content(ptr);
    for (auto& t : touched)
      if (t.first == ptr) return &t.second;
    std::string content;
    Status read = ReadPage(file, ptr, content);
    if (!read) return read;
    if (static_cast<uint8_t>(content[0]) != kBitmapPageType)
      return Status::Error("page " + std::to_string(ptr) + ": not a usage bitmap page");
    touched.emplace_back(ptr, content);
    return &touched.back().second;
  };
  size_t done = 0;
  while (true) {
    for (; done < changes.size(); ++done) {
      uint32_t p = changes[done].first;
      auto bitmap = bitmapFor(p / kReferenceMapPageBits);
      if (!bitmap) return bitmap.status();
      SetBit(**bitmap, 4, p % kReferenceMapPageBits, changes[done].second);
    }
    // The bitmap pages just handed out are new pages too (the global map must mark them used).
    if (!includeAllocated) break;
    bool more = false;
    for (uint32_t p = alloc.first(); p < alloc.next(); ++p)
      if (std::find_if(changes.begin(), changes.end(), [&](const auto& c) { return c.first == p; }) == changes.end()) {
        changes.emplace_back(p, false);
        more = true;
      }
    if (!more) break;
  }
  for (auto& t : touched) {
    std::string original;
    Status read = ReadPage(file, t.first, original);
    if (!read) return read;
    DiffWrites(original, t.second, static_cast<uint64_t>(t.first) * kPageSize, writes);
  }
  DiffWrites(before, row, map.FileOffset(), writes);
  return Status::Ok();
}

}  // namespace

uint32_t PageAllocator::Allocate(std::string content) {
  content.resize(kPageSize, '\0');
  pages_.push_back(std::move(content));
  return next() - 1;
}

Result<MapRow> ReadMapRow(File& file, RowRef ref, uint32_t pageCount) {
  const std::string where = "usage map " + std::to_string(ref.page) + ":" + std::to_string(ref.row);
  if (ref.page == 0 || ref.page >= pageCount) return Status::Error(where + ": page out of range");
  MapRow m;
  m.ref = ref;
  Status read = ReadPage(file, ref.page, m.page);
  if (!read) return read;
  if (m.page[0] != 0x01) return Status::Error(where + ": not on a data page");
  RowSpan span;
  if (!RowSpanOf(m.page, ref.row, span) || span.flags != 0) return Status::Error(where + ": no such row");
  m.start = span.start;
  m.length = span.end - span.start;
  if (m.length < 5) return Status::Error(where + ": row too short");
  if (m.type() != 0 && m.type() != 1) return Status::Error(where + ": unknown map type");
  return m;
}

Result<std::vector<uint32_t>> MapPages(File& file, const MapRow& map, uint32_t limit,
                                       std::vector<uint32_t>* bitmapPages) {
  std::vector<uint32_t> out;
  if (map.type() == 0) {
    uint32_t start = GetU32(map.page, map.start + 1);
    for (uint32_t i = 0; i < (map.length - 5) * 8; ++i) {
      uint64_t page = static_cast<uint64_t>(start) + i;
      if (page >= limit) break;
      if (static_cast<uint8_t>(map.page[map.start + 5 + i / 8]) & (1u << (i % 8))) out.push_back(static_cast<uint32_t>(page));
    }
    return out;
  }
  uint32_t slots = (map.length - 1) / 4;
  std::string bitmap;
  for (uint32_t j = 0; j < slots; ++j) {
    uint32_t ptr = GetU32(map.page, map.start + 1 + 4 * j);
    if (ptr == 0) continue;
    if (ptr >= limit && ptr >= 0x7FFFFFFF / kPageSize) return Status::Error("usage bitmap page out of range");
    Status read = ReadPage(file, ptr, bitmap);
    if (!read) return read;
    if (static_cast<uint8_t>(bitmap[0]) != kBitmapPageType)
      return Status::Error("page " + std::to_string(ptr) + ": not a usage bitmap page");
    if (bitmapPages) bitmapPages->push_back(ptr);
    for (uint32_t i = 0; i < kReferenceMapPageBits; ++i) {
      uint64_t page = static_cast<uint64_t>(j) * kReferenceMapPageBits + i;
      if (page >= limit) break;
      if (static_cast<uint8_t>(bitmap[4 + i / 8]) & (1u << (i % 8))) out.push_back(static_cast<uint32_t>(page));
    }
  }
  return out;
}

Status AddToMap(File& file, const MapRow& map, const std::vector<uint32_t>& pages, uint32_t pageCount,
                PageAllocator& alloc, std::vector<PageWrite>& writes, const std::vector<uint32_t>& remove) {
  (void)pageCount;
  if (pages.empty() && remove.empty()) return Status::Ok();
  std::vector<std::pair<uint32_t, bool>> changes;
  for (uint32_t p : remove) changes.emplace_back(p, false);
  for (uint32_t p : pages) changes.emplace_back(p, true);
  if (map.type() == 1) return UpdateReferenceMap(file, map, changes, false, alloc, writes, false);
  const uint32_t bits = (map.length - 5) * 8;
  const uint32_t start = GetU32(map.page, map.start + 1);
  std::string row = map.page.substr(map.start, map.length);
  if (std::all_of(pages.begin(), pages.end(), [&](uint32_t p) { return p >= start && p - start < bits; })) {
    for (const auto& [p, value] : changes)
      if (p >= start && p - start < bits) SetBit(row, 5, p - start, value);
    DiffWrites(map.page.substr(map.start, map.length), row, map.FileOffset(), writes);
    return Status::Ok();
  }
  auto current = MapPages(file, map, UINT32_MAX);
  if (!current) return current.status();
  std::vector<uint32_t> all;
  for (uint32_t p : *current)
    if (std::find(remove.begin(), remove.end(), p) == remove.end()) all.push_back(p);
  all.insert(all.end(), pages.begin(), pages.end());
  std::sort(all.begin(), all.end());
  all.erase(std::unique(all.begin(), all.end()), all.end());
  uint32_t newStart = all.front() / 8 * 8;
  if (all.back() - newStart < bits) {
    // Every page still fits one window: re-base the inline map.
    writes.push_back(PageWrite{map.FileOffset(), InlineMapRow(newStart, all, map.length - 5)});
    return Status::Ok();
  }
  // Promote to a reference map: bitmap pages (new pages) for every block in use, then the row rewritten
  // in place with the same length.
  std::string reference(map.length, '\0');
  reference[0] = 0x01;
  const uint32_t slots = (map.length - 1) / 4;
  for (uint32_t p : all) {
    uint32_t block = p / kReferenceMapPageBits;
    if (block >= slots) return Status::Error("usage map cannot cover page numbers that high");
    uint32_t ptr = GetU32(reference, 1 + 4 * block);
    if (ptr == 0) {
      ptr = alloc.Allocate(NewBitmapPage(false));
      PutU32(reference, 1 + 4 * block, ptr);
    }
    SetBit(alloc.Content(ptr), 4, p % kReferenceMapPageBits, true);
  }
  writes.push_back(PageWrite{map.FileOffset(), reference});
  return Status::Ok();
}

Result<std::vector<uint32_t>> LastMapPages(File& file, const MapRow& map, uint32_t limit, size_t count) {
  std::vector<uint32_t> out;
  auto scan = [&](std::string_view bitmap, uint64_t firstPage) {
    size_t byte = bitmap.size();
    while (byte > 0 && out.size() < count) {
      // Runs of empty bytes are skipped eight at a time.
      if (byte >= 8) {
        uint64_t word;
        std::memcpy(&word, bitmap.data() + byte - 8, 8);
        if (word == 0) {
          byte -= 8;
          continue;
        }
      }
      uint8_t b = static_cast<uint8_t>(bitmap[--byte]);
      if (b == 0) continue;
      for (int bit = 7; bit >= 0 && out.size() < count; --bit) {
        uint64_t page = firstPage + byte * 8 + static_cast<uint64_t>(bit);
        if ((b >> bit) & 1 && page < limit) out.push_back(static_cast<uint32_t>(page));
      }
    }
  };
  if (map.type() == 0) {
    scan(std::string_view(map.page).substr(map.start + 5, map.length - 5), GetU32(map.page, map.start + 1));
    return out;
  }
  std::string bitmap;
  for (uint32_t j = (map.length - 1) / 4; j-- > 0 && out.size() < count;) {
    uint32_t ptr = GetU32(map.page, map.start + 1 + 4 * j);
    if (ptr == 0) continue;
    Status read = ReadPage(file, ptr, bitmap);
    if (!read) return read;
    if (static_cast<uint8_t>(bitmap[0]) != kBitmapPageType)
      return Status::Error("page " + std::to_string(ptr) + ": not a usage bitmap page");
    scan(std::string_view(bitmap).substr(4), static_cast<uint64_t>(j) * kReferenceMapPageBits);
  }
  return out;
}

Result<bool> MapHas(File& file, const MapRow& map, uint32_t page) {
  if (map.type() == 0) {
    uint32_t start = GetU32(map.page, map.start + 1);
    if (page < start || page - start >= (map.length - 5) * 8) return false;
    uint32_t bit = page - start;
    return ((static_cast<uint8_t>(map.page[map.start + 5 + bit / 8]) >> (bit % 8)) & 1) != 0;
  }
  uint32_t block = page / kReferenceMapPageBits;
  if (block >= (map.length - 1) / 4) return false;
  uint32_t ptr = GetU32(map.page, map.start + 1 + 4 * block);
  if (ptr == 0) return false;
  uint32_t bit = page % kReferenceMapPageBits;
  uint8_t byte = 0;
  Status read = file.ReadAt(static_cast<uint64_t>(ptr) * kPageSize + 4 + bit / 8, &byte, 1);
  if (!read) return read;
  return ((byte >> (bit % 8)) & 1) != 0;
}

Status MarkUsedInGlobalMap(File& file, const MapRow& global, uint32_t pageCount, PageAllocator& alloc,
                           std::vector<PageWrite>& writes) {
  std::vector<uint32_t> fresh;
  for (uint32_t p = alloc.first(); p < alloc.next(); ++p) fresh.push_back(p);
  if (fresh.empty()) return Status::Ok();
  if (global.type() == 1) {
    std::vector<std::pair<uint32_t, bool>> changes;
    for (uint32_t p : fresh) changes.emplace_back(p, false);
    return UpdateReferenceMap(file, global, changes, true, alloc, writes, true);
  }
  const uint32_t bits = (global.length - 5) * 8;
  const uint32_t start = GetU32(global.page, global.start + 1);
  std::string row = global.page.substr(global.start, global.length);
  if (alloc.next() - 1 - start < bits && alloc.first() >= start) {
    for (uint32_t p : fresh) SetBit(row, 5, p - start, false);
    DiffWrites(global.page.substr(global.start, global.length), row, global.FileOffset(), writes);
    return Status::Ok();
  }
  // The inline map cannot cover the new pages: move it into bitmap pages (bit set = free). Pages the
  // inline map did not cover and that lie inside the file are taken as used.
  std::string reference(global.length, '\0');
  reference[0] = 0x01;
  const uint32_t slots = (global.length - 1) / 4;
  uint32_t blocksDone = 0;
  while (blocksDone * kReferenceMapPageBits < alloc.next()) {
    if (blocksDone >= slots) return Status::Error("global page map cannot cover page numbers that high");
    PutU32(reference, 1 + 4 * blocksDone, alloc.Allocate(NewBitmapPage(true)));
    ++blocksDone;
  }
  for (uint32_t j = 0; j < blocksDone; ++j) {
    std::string& bitmap = alloc.Content(GetU32(reference, 1 + 4 * j));
    for (uint32_t i = 0; i < kReferenceMapPageBits; ++i) {
      uint32_t page = j * kReferenceMapPageBits + i;
      bool free;
      if (page >= alloc.next()) {
        free = true;
      } else if (page >= pageCount) {
        free = false;  // handed out now
      } else if (page >= start && page - start < bits) {
        free = (static_cast<uint8_t>(row[5 + (page - start) / 8]) >> ((page - start) % 8)) & 1;
      } else {
        free = false;
      }
      SetBit(bitmap, 4, i, free);
    }
  }
  writes.push_back(PageWrite{global.FileOffset(), reference});
  return Status::Ok();
}

}  // namespace jet::writer

#include "history/jet/check_database.h"

#include <algorithm>
#include <map>
#include <set>

#include "history/jet/database.h"
#include "history/jet/write_page.h"
#include "history/jet/write_tdef.h"
#include "history/jet/write_usage_map.h"

namespace jet {
namespace {

using writer::GetU16;
using writer::GetU32;
using writer::kPageSize;
using writer::RowRef;

std::string Ranges(const std::vector<uint32_t>& pages) {
  std::string out;
  for (size_t i = 0; i < pages.size();) {
    size_t j = i;
    while (j + 1 < pages.size() && pages[j + 1] == pages[j] + 1) ++j;
    if (!out.empty()) out += ", ";
    out += std::to_string(pages[i]);
    if (j > i) out += "-" + std::to_string(pages[j]);
    i = j + 1;
  }
  return out;
}

// The bytes of variable column `slot` of a raw row, or false when NULL/absent/malformed.
struct RawRow {
  std::string_view bytes;
  uint16_t ncols = 0;
  bool ok = false;
  bool IsPresent(uint16_t number) const {
    if (number >= ncols) return false;
    size_t maskLen = (ncols + 7) / 8;
    uint8_t b = static_cast<uint8_t>(bytes[bytes.size() - maskLen + number / 8]);
    return (b >> (number % 8)) & 1;
  }
  bool Var(uint16_t slot, std::string_view& out) const {
    size_t maskLen = (ncols + 7) / 8;
    if (bytes.size() < maskLen + 4) return false;
    size_t nvarAt = bytes.size() - maskLen - 2;
    uint16_t nvar = GetU16(bytes, nvarAt);
    if (slot >= nvar || nvarAt < 2u * nvar + 2) return false;
    auto offsetOf = [&](uint32_t j) { return GetU16(bytes, nvarAt - 2 - 2 * j); };  // j == nvar: eod
    uint32_t start = offsetOf(slot), end = offsetOf(slot + 1u);
    if (start > end || end > nvarAt - 2u * nvar) return false;
    out = bytes.substr(start, end - start);
    return true;
  }
};

RawRow ParseRaw(std::string_view bytes) {
  RawRow r;
  r.bytes = bytes;
  if (bytes.size() < 3) return r;
  r.ncols = GetU16(bytes, 0);
  r.ok = r.ncols > 0 && (r.ncols + 7u) / 8 + 2 <= bytes.size();
  return r;
}

class Checker {
 public:
  explicit Checker(File& file) : file_(file) {}
  Result<CheckReport> Run();

 private:
  bool Page(uint32_t page, std::string& out);
  void Claim(uint32_t page, const std::string& owner);
  void Structural(uint32_t page) { structural_.insert(page); }
  // Reads a map and checks it; returns its pages.
  std::vector<uint32_t> Map(RowRef ref, const std::string& label);
  void CheckTable(uint32_t tdefPage, const std::u16string& name);
  void CheckIndexEntries(const writer::ParsedTable& def, size_t index, uint64_t rows, const std::string& label);
  void FollowLongValue(std::string_view header, const writer::LongValueMapSpec* maps,
                       const std::set<uint32_t>& lvalPages, const std::string& where);
  void Damage(std::string s) {
    if (report_.damage.size() < 200) report_.damage.push_back(std::move(s));
  }

  File& file_;
  uint32_t pageCount_ = 0;
  CheckReport report_;
  std::map<uint32_t, std::string> claimed_;
  std::set<uint32_t> structural_;
  std::map<uint32_t, std::string> cache_;
};

bool Checker::Page(uint32_t page, std::string& out) {
  if (page >= pageCount_) return false;
  auto it = cache_.find(page);
  if (it != cache_.end()) {
    out = it->second;
    return true;
  }
  out.assign(kPageSize, '\0');
  if (!file_.ReadAt(static_cast<uint64_t>(page) * kPageSize, out.data(), kPageSize)) return false;
  if (cache_.size() < 64) cache_[page] = out;
  return true;
}

void Checker::Claim(uint32_t page, const std::string& owner) {
  auto [it, inserted] = claimed_.emplace(page, owner);
  if (!inserted && it->second != owner)
    Damage("page " + std::to_string(page) + " is in two maps (" + it->second + " and " + owner + ")");
}

std::vector<uint32_t> Checker::Map(RowRef ref, const std::string& label) {
  if (ref.page == 0) return {};  // Access leaves some long-value free-space maps out (0:0)
  auto row = writer::ReadMapRow(file_, ref, pageCount_);
  if (!row) {
    Damage(label + ": " + row.message());
    return {};
  }
  Structural(ref.page);
  std::vector<uint32_t> bitmapPages;
  auto pages = writer::MapPages(file_, *row, UINT32_MAX, &bitmapPages);
  if (!pages) {
    Damage(label + ": " + pages.message());
    return {};
  }
  for (uint32_t p : bitmapPages) {
    if (p >= pageCount_) Damage(label + ": bitmap page " + std::to_string(p) + " is past the end of the file");
    Claim(p, label + " bitmap");
    Structural(p);
  }
  std::vector<uint32_t> inside;
  for (uint32_t p : *pages) {
    if (p >= pageCount_) {
      Damage(label + ": names page " + std::to_string(p) + ", past the end of the file");
      continue;
    }
    inside.push_back(p);
  }
  return inside;
}

void Checker::FollowLongValue(std::string_view header, const writer::LongValueMapSpec* maps,
                              const std::set<uint32_t>& lvalPages, const std::string& where) {
  if (header.size() < 12) {
    Damage(where + ": long-value header cut off");
    return;
  }
  uint32_t word = GetU32(header, 0);
  uint32_t length = word & 0x3FFFFFFF;
  if (word & 0x80000000u) {
    if (header.size() - 12 < length) Damage(where + ": inline long value longer than its row");
    return;
  }
  bool single = (word & 0x40000000u) != 0;
  uint32_t ptr = GetU32(header, 4);
  uint64_t collected = 0;
  std::set<uint32_t> seen;
  std::string page;
  while (true) {
    RowRef at = RowRef::FromPacked(ptr);
    if (!seen.insert(ptr).second) {
      Damage(where + ": long-value chain loops");
      return;
    }
    if (!Page(at.page, page) || page[0] != 0x01 || GetU32(page, 4) != writer::kLvalTag) {
      Damage(where + ": long value points at page " + std::to_string(at.page) + ", not an LVAL page");
      return;
    }
    if (maps && !lvalPages.count(at.page))
      Damage(where + ": LVAL page " + std::to_string(at.page) + " is not in the column's page map");
    writer::RowSpan span;
    if (!writer::RowSpanOf(page, at.row, span) || (span.flags & 0x8000)) {
      Damage(where + ": long value points at a missing row " + std::to_string(at.page) + ":" + std::to_string(at.row));
      return;
    }
    uint32_t size = span.end - span.start;
    if (single) {
      if (size < length) Damage(where + ": long-value row shorter than the value");
      return;
    }
    if (size < 4) {
      Damage(where + ": long-value chain element too short");
      return;
    }
    collected += size - 4;
    ptr = GetU32(page, span.start);
    if (ptr == 0) break;
    if (seen.size() > 600000) {
      Damage(where + ": long-value chain too long");
      return;
    }
  }
  if (collected < length) Damage(where + ": long-value chain ends before the value does");
}

void Checker::CheckTable(uint32_t tdefPage, const std::u16string& name) {
  const std::string label = "table " + ToUtf8(name);
  auto def = writer::ReadTableDefinition(file_, tdefPage, pageCount_);
  if (!def) {
    Damage(label + ": " + def.message());
    return;
  }
  ++report_.tables;
  for (uint32_t p : def->pages) {
    Claim(p, label + " definition");
    Structural(p);
  }
  std::vector<uint32_t> owned = Map(def->ownedMap, label + " page map");
  std::vector<uint32_t> free = Map(def->freeMap, label + " free-space map");
  std::set<uint32_t> ownedSet(owned.begin(), owned.end());
  for (uint32_t p : free)
    if (!ownedSet.count(p)) Damage(label + ": free-space map names page " + std::to_string(p) + ", which the table does not own");
  std::string page;
  for (uint32_t p : owned) {
    Claim(p, label);
    if (!Page(p, page) || page[0] != 0x01 || GetU32(page, 4) != tdefPage)
      Damage(label + ": page " + std::to_string(p) + " in its map is not a data page of the table");
  }
  for (size_t i = 0; i < def->indexMaps.size(); ++i) {
    const std::string ixLabel = label + " index " + std::to_string(i);
    for (uint32_t p : Map(def->indexMaps[i], ixLabel)) {
      Claim(p, ixLabel);
      if (!Page(p, page) || (page[0] != 0x03 && page[0] != 0x04) || GetU32(page, 4) != tdefPage)
        Damage(ixLabel + ": page " + std::to_string(p) + " in its map is not an index page of the table");
    }
  }
  std::map<uint16_t, std::set<uint32_t>> lvalPages;
  for (const auto& lv : def->longValueMaps) {
    const std::string lvLabel = label + " column " + std::to_string(lv.column) + " long values";
    std::vector<uint32_t> lvOwned = Map(lv.owned, lvLabel);
    std::set<uint32_t>& set = lvalPages[lv.column];
    for (uint32_t p : lvOwned) {
      Claim(p, lvLabel);
      set.insert(p);
      if (!Page(p, page) || page[0] != 0x01 || GetU32(page, 4) != writer::kLvalTag)
        Damage(lvLabel + ": page " + std::to_string(p) + " in its map is not an LVAL page");
    }
    for (uint32_t p : Map(lv.free, lvLabel + " free-space map"))
      if (!set.count(p)) Damage(lvLabel + ": free-space map names page " + std::to_string(p) + ", not in its page map");
  }
  // Rows: count them and follow their long values.
  uint64_t rows = 0;
  for (uint32_t p : owned) {
    if (!Page(p, page) || page[0] != 0x01 || GetU32(page, 4) != tdefPage) continue;
    uint32_t count = GetU16(page, 12);
    if (writer::kDataPageHeader + 2 * count > kPageSize) {
      Damage(label + ": page " + std::to_string(p) + " has an impossible row count");
      continue;
    }
    for (uint32_t r = 0; r < count; ++r) {
      writer::RowSpan span;
      const std::string where = label + " row " + std::to_string(p) + ":" + std::to_string(r);
      if (!writer::RowSpanOf(page, r, span)) {
        Damage(where + ": row offset out of range");
        continue;
      }
      if (span.flags & 0x8000) continue;
      ++rows;
      if (span.flags & 0x4000) continue;  // overflow pointer: the row lives elsewhere
      RawRow raw = ParseRaw(std::string_view(page).substr(span.start, span.end - span.start));
      if (!raw.ok) {
        Damage(where + ": malformed row");
        continue;
      }
      for (const auto& c : def->columns) {
        if ((c.type != 0x0B && c.type != 0x0C) || !raw.IsPresent(c.number)) continue;
        std::string_view header;
        if (!raw.Var(c.varIndex, header)) {
          Damage(where + ": malformed variable offsets");
          break;
        }
        if (header.empty()) continue;
        FollowLongValue(header, def->LongValueMapOf(c.number), lvalPages[c.number], where + " " + ToUtf8(c.name));
      }
    }
  }
  report_.rows += rows;
  for (size_t i = 0; i < def->indexFirstPages.size(); ++i)
    CheckIndexEntries(*def, i, rows, label + " index " + std::to_string(i));
  if (rows != def->rowCount) {
    std::string msg = label + ": row count " + std::to_string(def->rowCount) + ", rows on its pages " + std::to_string(rows);
    if (rows == def->rowCount + 1ull)
      report_.notes.push_back(msg + " (an append was interrupted before its last step; Compact repairs it)");
    else
      Damage(msg);
  }
}

// The leaves of an index, from its first page along the next-page links: entries in byte order, one
// per row (fewer when the index leaves NULLs out). Indexes with node pages are left to Jet.
void Checker::CheckIndexEntries(const writer::ParsedTable& def, size_t index, uint64_t rows, const std::string& label) {
  constexpr uint32_t kEntriesStart = 0x1E0, kMaskStart = 27;
  uint32_t page = def.indexFirstPages[index];
  std::string bytes, previous;
  uint64_t entries = 0;
  std::set<uint32_t> seen;
  while (page != 0) {
    if (!seen.insert(page).second || seen.size() > 100000) {
      Damage(label + ": leaf pages loop");
      return;
    }
    if (!Page(page, bytes)) {
      Damage(label + ": page " + std::to_string(page) + " is past the end of the file");
      return;
    }
    if (bytes[0] == 0x03) return;  // a multi-level index: not checked here
    if (bytes[0] != 0x04 || GetU32(bytes, 4) != def.tdefPage) {
      Damage(label + ": page " + std::to_string(page) + " is not an index leaf of the table");
      return;
    }
    uint32_t prefix = GetU16(bytes, 24);
    std::string first;
    uint32_t start = kEntriesStart;
    for (uint32_t bit = 1; kEntriesStart + bit <= kPageSize && kMaskStart + bit / 8 < kEntriesStart; ++bit) {
      if (!((static_cast<uint8_t>(bytes[kMaskStart + bit / 8]) >> (bit % 8)) & 1)) continue;
      uint32_t end = kEntriesStart + bit;
      std::string entry = bytes.substr(start, end - start);
      if (first.empty()) {
        first = entry;
      } else {
        entry = first.substr(0, std::min<size_t>(prefix, first.size())) + entry;
      }
      if (!previous.empty() && std::lexicographical_compare(entry.begin(), entry.end(), previous.begin(), previous.end(),
                                                            [](char a, char b) { return static_cast<uint8_t>(a) < static_cast<uint8_t>(b); })) {
        Damage(label + ": entries out of order on page " + std::to_string(page));
        return;
      }
      previous = entry;
      ++entries;
      start = end;
    }
    page = GetU32(bytes, 16);
  }
  bool ignoresNulls = (def.indexFlags[index] & 0x02) != 0;
  if (entries > rows || (!ignoresNulls && entries != rows))
    Damage(label + ": " + std::to_string(entries) + " entries for " + std::to_string(rows) + " rows");
}

Result<CheckReport> Checker::Run() {
  auto size = file_.Size();
  if (!size) return size.status();
  if (*size < 2ull * kPageSize) return Status::Error("file too short for a Jet database");
  pageCount_ = static_cast<uint32_t>(std::min<uint64_t>(*size / kPageSize, 0xFFFFFF));
  report_.pages = pageCount_;
  std::string header;
  if (!Page(0, header) || header.compare(4, 16, std::string("Standard Jet DB\0", 16)) != 0 || GetU32(header, 0x14) != 1)
    return Status::Error("not a Jet 4.0 database");
  if (*size % kPageSize) report_.notes.push_back("the file ends in a partial page");
  Structural(0);
  Structural(1);

  // The catalog: user and system tables are the Type 1 rows under "Tables".
  auto catalog = writer::ReadTableDefinition(file_, 2, pageCount_);
  if (!catalog) return catalog.status().WithContext("catalog");
  std::vector<std::pair<uint32_t, std::u16string>> tables;
  std::string page;
  auto catalogPages = writer::ReadMapRow(file_, catalog->ownedMap, pageCount_);
  if (!catalogPages) return catalogPages.status().WithContext("catalog");
  auto pages = writer::MapPages(file_, *catalogPages, pageCount_);
  if (!pages) return pages.status().WithContext("catalog");
  const auto* idCol = catalog->ColumnByNumber(0);
  const auto* parentCol = catalog->ColumnByNumber(1);
  const auto* nameCol = catalog->ColumnByNumber(2);
  const auto* typeCol = catalog->ColumnByNumber(3);
  if (!idCol || !parentCol || !nameCol || !typeCol) return Status::Error("catalog: unexpected columns");
  for (uint32_t p : *pages) {
    if (!Page(p, page) || page[0] != 0x01 || GetU32(page, 4) != 2) continue;
    for (uint32_t r = 0; r < GetU16(page, 12); ++r) {
      writer::RowSpan span;
      if (!writer::RowSpanOf(page, r, span) || span.flags) continue;
      RawRow raw = ParseRaw(std::string_view(page).substr(span.start, span.end - span.start));
      if (!raw.ok || span.end - span.start < 2u + typeCol->fixedOffset + 2u) continue;
      uint32_t id = GetU32(raw.bytes, 2 + idCol->fixedOffset);
      uint32_t parent = GetU32(raw.bytes, 2 + parentCol->fixedOffset);
      uint16_t type = GetU16(raw.bytes, 2 + typeCol->fixedOffset);
      std::string_view name;
      if (parent != 0x0F000001 || (type & 0x7F) != 1 || !raw.Var(nameCol->varIndex, name)) continue;
      std::u16string n;
      if (name.size() >= 2 && static_cast<uint8_t>(name[0]) == 0xFF && static_cast<uint8_t>(name[1]) == 0xFE) {
        for (size_t i = 2; i < name.size(); ++i) n.push_back(static_cast<uint8_t>(name[i]));
      } else {
        for (size_t i = 0; i + 1 < name.size(); i += 2) n.push_back(GetU16(name, i));
      }
      tables.emplace_back(id & 0xFFFFFF, n);
    }
  }
  for (const auto& [tdef, name] : tables) CheckTable(tdef, name);

  // The global map: bit set = free.
  auto global = writer::ReadMapRow(file_, RowRef{1, 0}, pageCount_);
  if (!global) {
    Damage("global page map: " + global.message());
    return report_;
  }
  std::vector<uint32_t> bitmapPages;
  uint32_t covered = global->type() == 0 ? GetU32(global->page, global->start + 1) + (global->length - 5) * 8
                                         : ((global->length - 1) / 4) * writer::kReferenceMapPageBits;
  auto freeList = writer::MapPages(file_, *global, std::max(covered, pageCount_), &bitmapPages);
  if (!freeList) {
    Damage("global page map: " + freeList.message());
    return report_;
  }
  for (uint32_t p : bitmapPages) {
    Claim(p, "global map bitmap");
    Structural(p);
  }
  std::vector<bool> isFree(std::max(covered, pageCount_), false);
  for (uint32_t p : *freeList) isFree[p] = true;
  uint32_t start = global->type() == 0 ? GetU32(global->page, global->start + 1) : 0;
  std::vector<uint32_t> usedButMarkedFree, unusedFree, unusedUsed, usedPastEnd;
  for (uint32_t p = 0; p < pageCount_; ++p) {
    bool inUse = structural_.count(p) || claimed_.count(p);
    bool covers = p >= start && p < covered;
    if (!covers) continue;  // outside the map: nothing to compare
    if (inUse && isFree[p]) usedButMarkedFree.push_back(p);
    if (!inUse && isFree[p]) unusedFree.push_back(p);
    if (!inUse && !isFree[p]) unusedUsed.push_back(p);
  }
  if (global->type() == 0) {
    for (uint32_t p = std::max(start, pageCount_); p < covered; ++p)
      if (!isFree[p]) usedPastEnd.push_back(p);
  }
  if (!usedButMarkedFree.empty())
    Damage("global page map marks pages in use as free: " + Ranges(usedButMarkedFree));
  if (!usedPastEnd.empty()) Damage("global page map marks pages past the end of the file as used: " + Ranges(usedPastEnd));
  if (!unusedFree.empty()) report_.notes.push_back("unused pages (free): " + Ranges(unusedFree));
  if (!unusedUsed.empty()) report_.notes.push_back("unused pages (marked used, in no map): " + Ranges(unusedUsed));
  return report_;
}

}  // namespace

Result<CheckReport> CheckDatabase(File& file) {
  Checker checker(file);
  return checker.Run();
}

Result<CheckReport> CheckDatabaseFile(const std::string& utf8Path, FileSystem* fs) {
  if (fs == nullptr) fs = &FileSystem::Native();
  auto file = fs->Open(utf8Path, OpenMode::ReadOnly);
  if (!file) return file.status();
  return CheckDatabase(**file);
}

}  // namespace jet

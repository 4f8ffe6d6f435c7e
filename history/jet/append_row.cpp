#include "history/jet/append_row.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "history/jet/engine.h"
#include "history/jet/write_page.h"
#include "history/jet/write_row.h"
#include "history/jet/write_tdef.h"
#include "history/jet/write_usage_map.h"

namespace jet {
namespace writer {
namespace {

constexpr uint32_t kInlineLongValueMax = 64;
constexpr uint32_t kSingleLvalRowMax = 4076;  // the largest row an empty page takes, 4 bytes to spare
constexpr uint32_t kChainChunk = 4072;       // 4076 minus the next pointer
constexpr uint32_t kLongValueMaxLength = 0x3FFFFFFF;
constexpr uint32_t kLvalFreeThreshold = 64;  // an LVAL page with less room left is left out of the free map
constexpr uint32_t kDataPageKeepsFreeSpace = 512;  // a full data page with more room stays in the free map  // an LVAL page with less room left is left out of the free map

std::string ColumnLabel(const ParsedColumn& c) { return "column " + ToUtf8(c.name); }

Status ReadPage(File& file, uint32_t page, std::string& out) {
  out.assign(kPageSize, '\0');
  return file.ReadAt(static_cast<uint64_t>(page) * kPageSize, out.data(), kPageSize)
      .WithContext("page " + std::to_string(page));
}

// Where a new row can go on an existing data page: the row's offset and the page's header fields.
struct Slot {
  uint32_t page = 0;
  uint32_t rowStart = 0;
  uint16_t rowNumber = 0;
  uint16_t freeAfter = 0;
};

// The lowest row start on a data page, which is where the free area ends.
uint32_t LowestRowStart(const std::string& page) {
  uint32_t count = GetU16(page, 12);
  uint32_t lowest = kPageSize;
  for (uint32_t i = 0; i < count && kDataPageHeader + 2 * i + 1 < kPageSize; ++i)
    lowest = std::min<uint32_t>(lowest, GetU16(page, kDataPageHeader + 2 * i) & 0x1FFF);
  return lowest;
}

std::optional<Slot> FitOnPage(const std::string& page, uint32_t pageNumber, uint32_t owner, uint32_t rowLength) {
  if (page[0] != 0x01 || page[1] != 0x01 || GetU32(page, 4) != owner) return std::nullopt;
  uint32_t count = GetU16(page, 12);
  uint32_t free = GetU16(page, 2);
  if (count >= kMaxRowsPerPage || free < rowLength + 2) return std::nullopt;
  uint32_t lowest = LowestRowStart(page);
  uint32_t tableEnd = kDataPageHeader + 2 * (count + 1);
  if (lowest < rowLength || lowest - rowLength < tableEnd) return std::nullopt;
  Slot s;
  s.page = pageNumber;
  s.rowStart = lowest - rowLength;
  s.rowNumber = static_cast<uint16_t>(count);
  s.freeAfter = static_cast<uint16_t>(std::min<uint32_t>(free - rowLength - 2, s.rowStart - tableEnd));
  return s;
}

// The writes that put a row on an existing page: the row bytes and its offset entry (space no slot
// refers to yet), and then, as its own step, the header (free space and slot count; bytes 2-13).
struct SlotWrites {
  std::vector<PageWrite> body;
  PageWrite header;
};
SlotWrites WritesForSlot(const std::string& page, const Slot& s, const std::string& row) {
  SlotWrites w;
  uint64_t base = static_cast<uint64_t>(s.page) * kPageSize;
  w.body.push_back(PageWrite{base + s.rowStart, row});
  std::string entry;
  AppendU16(entry, s.rowStart);
  w.body.push_back(PageWrite{base + kDataPageHeader + 2u * s.rowNumber, entry});
  std::string header = page.substr(2, 12);
  PutU16(header, 0, s.freeAfter);
  PutU16(header, 10, s.rowNumber + 1u);
  w.header = PageWrite{base + 2, header};
  return w;
}

// One long value (Memo or OLE) on its way into the row.
struct LongValuePlan {
  std::string header;  // the 12 bytes in the row (plus the data, inline)
  std::vector<uint32_t> newPages;
  std::vector<uint32_t> newPagesWithRoom;
  std::optional<Slot> sharedSlot;  // a single LVAL row on an existing page
  std::string sharedPage;
  std::string sharedRow;
};

class Appender {
 public:
  Appender(File& file, uint32_t tdefPage, const AppendOptions& options)
      : file_(file), tdefPage_(tdefPage), options_(options) {}

  Status Run(const std::vector<Value>& values) {
    Status s = Plan(values);
    if (!s) return s;
    return Execute();
  }

 private:
  Status Plan(const std::vector<Value>& values);
  Status Execute();
  Status EncodeField(const ParsedColumn& c, const Value& v, RowField& f, bool& longValue);
  Status PlanLongValue(const ParsedColumn& c, const std::string& data, LongValuePlan& plan, bool allowInline);
  Status Write(const std::vector<PageWrite>& writes);
  Status Flush() { return options_.flush ? file_.Flush() : Status::Ok(); }

  File& file_;
  uint32_t tdefPage_;
  AppendOptions options_;
  uint32_t pageCount_ = 0;
  ParsedTable table_;
  std::optional<PageAllocator> alloc_;
  std::vector<LongValuePlan> longValues_;
  std::vector<PageWrite> globalWrites_, lvalOwnedWrites_, lvalFreeWrites_, ownedWrites_, freeWrites_;
  std::optional<SlotWrites> rowWrites_;
  std::string tdefFirstPage_;
  uint32_t newAutoNumber_ = 0;
  bool autoNumberUsed_ = false;
};

Status Appender::EncodeField(const ParsedColumn& c, const Value& v, RowField& f, bool& longValue) {
  f.number = c.number;
  f.fixed = c.fixed();
  f.boolean = c.type == 0x01;
  f.varIndex = c.varIndex;
  f.fixedOffset = c.fixedOffset;
  f.length = c.length;
  longValue = false;
  const ColumnType t = v.type();
  auto wrongType = [&] {
    return Status::Error(ColumnLabel(c) + " (" + ColumnTypeName(c.type) + ") cannot take a " +
                         ColumnTypeName(static_cast<uint8_t>(t)) + " value");
  };
  const bool isText = t == ColumnType::Text || t == ColumnType::Memo;
  const bool isInteger = t == ColumnType::Boolean || t == ColumnType::Byte || t == ColumnType::Integer ||
                         t == ColumnType::Long;
  const bool isReal = t == ColumnType::Single || t == ColumnType::Double;
  if (v.IsNull()) {
    if (c.type == 0x04 && (c.flags & 0x04)) {  // AutoNumber: the next number
      if (table_.rowCount == UINT32_MAX) return Status::Error(ColumnLabel(c) + ": AutoNumber exhausted");
      std::string n;
      AppendU32(n, newAutoNumber_);
      autoNumberUsed_ = true;
      f.present = true;
      f.bytes = n;
    }
    return Status::Ok();
  }
  auto range = [&](double lo, double hi) -> Status {
    double x = isInteger ? static_cast<double>(v.AsInteger()) : v.AsDouble();
    if (!(x >= lo && x <= hi)) return Status::Error(ColumnLabel(c) + ": value out of range");
    return Status::Ok();
  };
  f.present = true;
  switch (c.type) {
    case 0x01:
      if (t != ColumnType::Boolean) return wrongType();
      f.present = v.AsBoolean();
      return Status::Ok();
    case 0x02:
    case 0x03:
    case 0x04: {
      if (!isInteger) return wrongType();
      const double hi = c.type == 0x02 ? 255 : c.type == 0x03 ? 32767 : 2147483647.0;
      const double lo = c.type == 0x02 ? 0 : c.type == 0x03 ? -32768 : -2147483648.0;
      Status s = range(lo, hi);
      if (!s) return s;
      int64_t x = v.AsInteger();
      for (uint16_t i = 0; i < c.length; ++i) f.bytes.push_back(static_cast<char>((x >> (8 * i)) & 0xFF));
      return Status::Ok();
    }
    case 0x05: {
      if (t != ColumnType::Currency && !isInteger) return wrongType();
      int64_t x = v.AsInteger();
      if (t != ColumnType::Currency) {
        if (x > std::numeric_limits<int64_t>::max() / 10000 || x < std::numeric_limits<int64_t>::min() / 10000)
          return Status::Error(ColumnLabel(c) + ": value out of range");
        x *= 10000;
      }
      for (int i = 0; i < 8; ++i) f.bytes.push_back(static_cast<char>((static_cast<uint64_t>(x) >> (8 * i)) & 0xFF));
      return Status::Ok();
    }
    case 0x06: {
      if (!isReal && !isInteger) return wrongType();
      double x = isInteger ? static_cast<double>(v.AsInteger()) : v.AsDouble();
      if (std::isfinite(x) && std::fabs(x) > std::numeric_limits<float>::max())
        return Status::Error(ColumnLabel(c) + ": value out of range");
      float fl = static_cast<float>(x);
      uint32_t bits;
      std::memcpy(&bits, &fl, 4);
      AppendU32(f.bytes, bits);
      return Status::Ok();
    }
    case 0x07:
    case 0x08: {
      if (c.type == 0x08 ? (t != ColumnType::DateTime && t != ColumnType::Double) : (!isReal && !isInteger))
        return wrongType();
      double x = isInteger ? static_cast<double>(v.AsInteger()) : v.AsDouble();
      if (c.type == 0x08 && !(x >= -657434.0 && x < 2958466.0))  // years 100 to 9999, as Jet allows
        return Status::Error(ColumnLabel(c) + ": date out of range");
      AppendDouble(f.bytes, x);
      return Status::Ok();
    }
    case 0x0F:
      if (t != ColumnType::Guid || v.AsBytes().size() != 16) return wrongType();
      f.bytes = v.AsBytes();
      return Status::Ok();
    case 0x09:
      if (t != ColumnType::Binary && t != ColumnType::Ole) return wrongType();
      if (v.AsBytes().size() > c.length) return Status::Error(ColumnLabel(c) + ": value longer than the column");
      f.bytes = v.AsBytes();
      return Status::Ok();
    case 0x0A: {
      if (!isText) return wrongType();
      if (c.flags & 0x01) return Status::Error(ColumnLabel(c) + ": fixed-length text columns are not supported");
      const std::u16string& text = v.AsText();
      if (text.size() > c.length / 2u)
        return Status::Error(ColumnLabel(c) + ": text of " + std::to_string(text.size()) +
                             " characters is longer than the column's " + std::to_string(c.length / 2u));
      f.bytes = EncodeTextValue(text, (c.extraFlags & 0x01) != 0, false);
      return Status::Ok();
    }
    case 0x0B:
      if (t != ColumnType::Binary && t != ColumnType::Ole) return wrongType();
      f.bytes = v.AsBytes();
      longValue = true;
      return Status::Ok();
    case 0x0C:
      if (!isText) return wrongType();
      f.bytes = EncodeTextValue(v.AsText(), (c.extraFlags & 0x01) != 0, true);
      longValue = true;
      return Status::Ok();
    default:
      return Status::Error(ColumnLabel(c) + ": writing " + ColumnTypeName(c.type) + " values is not supported");
  }
}

Status Appender::PlanLongValue(const ParsedColumn& c, const std::string& data, LongValuePlan& plan,
                               bool allowInline) {
  const uint32_t n = static_cast<uint32_t>(data.size());
  if (data.size() > kLongValueMaxLength) return Status::Error(ColumnLabel(c) + ": value too long");
  if (allowInline && n <= kInlineLongValueMax) {
    AppendU32(plan.header, 0x80000000u | n);
    AppendU32(plan.header, 0);
    AppendU32(plan.header, 0);
    plan.header += data;
    return Status::Ok();
  }
  const LongValueMapSpec* maps = table_.LongValueMapOf(c.number);
  if (!maps || maps->owned.page == 0)
    return Status::Error(ColumnLabel(c) + ": the table keeps no page maps for this column's long values");
  if (n <= kSingleLvalRowMax) {
    // One LVAL row: on the last page of the column's free-space map that has room, or on a new page.
    auto ownedMap = ReadMapRow(file_, maps->owned, pageCount_);
    if (!ownedMap) return ownedMap.status();
    Result<std::vector<uint32_t>> candidates = std::vector<uint32_t>();
    if (maps->free.page != 0) {  // Access leaves some free-space maps out (0:0)
      auto freeMap = ReadMapRow(file_, maps->free, pageCount_);
      if (!freeMap) return freeMap.status();
      candidates = LastMapPages(file_, *freeMap, pageCount_, 4);
      if (!candidates) return candidates.status();
    }
    for (uint32_t candidate : *candidates) {
      auto owned = MapHas(file_, *ownedMap, candidate);
      if (!owned) return owned.status();
      if (!*owned) continue;
      std::string page;
      Status read = ReadPage(file_, candidate, page);
      if (!read) return read;
      auto slot = FitOnPage(page, candidate, kLvalTag, n);
      if (!slot) continue;
      plan.sharedSlot = slot;
      plan.sharedPage = page;
      plan.sharedRow = data;
      AppendU32(plan.header, 0x40000000u | n);
      AppendU32(plan.header, (slot->page << 8) | slot->rowNumber);
      AppendU32(plan.header, 0);
      return Status::Ok();
    }
    DataPage page(kLvalTag);
    page.AddRow(data);
    uint32_t number = alloc_->Allocate(page.bytes());
    plan.newPages.push_back(number);
    if (page.FreeSpace() >= kLvalFreeThreshold) plan.newPagesWithRoom.push_back(number);
    AppendU32(plan.header, 0x40000000u | n);
    AppendU32(plan.header, number << 8);
    AppendU32(plan.header, 0);
    return Status::Ok();
  }
  // A chain: one element per new page, each pointing at the next; the last points nowhere.
  const uint32_t chunks = (n + kChainChunk - 1) / kChainChunk;
  const uint32_t first = alloc_->next();
  for (uint32_t i = 0; i < chunks; ++i) {
    std::string row;
    AppendU32(row, i + 1 < chunks ? (first + i + 1) << 8 : 0);
    row += data.substr(static_cast<size_t>(i) * kChainChunk, kChainChunk);
    DataPage page(kLvalTag);
    page.AddRow(row);
    uint32_t number = alloc_->Allocate(page.bytes());
    plan.newPages.push_back(number);
    if (page.FreeSpace() >= kLvalFreeThreshold) plan.newPagesWithRoom.push_back(number);
  }
  AppendU32(plan.header, n);
  AppendU32(plan.header, first << 8);
  AppendU32(plan.header, 0);
  return Status::Ok();
}

// A map that names pages past the end of the file belongs to a truncated or otherwise damaged file,
// one that the reader refuses to read; an append would only add to the damage (and bump the row
// count of a table nobody can read), so it is refused before anything is written.
Status RefuseMapPastTheEnd(File& file, RowRef ref, uint32_t pageCount, const std::string& what) {
  if (ref.page == 0) return Status::Ok();  // no map (Access leaves some long-value maps out)
  auto map = ReadMapRow(file, ref, pageCount);
  if (!map) return map.status().WithContext(what);
  auto last = LastMapPages(file, *map, UINT32_MAX, 1);
  if (!last) return last.status().WithContext(what);
  if (!last->empty() && last->front() >= pageCount)
    return Status::Error("page " + std::to_string(ref.page) + ": " + what + " names page " +
                         std::to_string(last->front()) + ", past the end of the file");
  return Status::Ok();
}

Status Appender::Plan(const std::vector<Value>& values) {
  auto size = file_.Size();
  if (!size) return size.status();
  if (*size < 2ull * kPageSize) return Status::Error("file too short for a Jet database");
  if (*size > kMaxFileSize) return Status::Error("file is larger than the 2 GiB Jet 4 allows");
  pageCount_ = static_cast<uint32_t>(*size / kPageSize);
  std::string header;
  Status s = ReadPage(file_, 0, header);
  if (!s) return s;
  if (header.compare(4, 16, std::string("Standard Jet DB\0", 16)) != 0 || GetU32(header, 0x14) != 1)
    return Status::Error("not a Jet 4.0 database");

  auto table = ReadTableDefinition(file_, tdefPage_, pageCount_);
  if (!table) return table.status();
  table_ = std::move(*table);
  if (table_.tableType != 0x4E) return Status::Error("appending to system tables is not supported");
  if (table_.realIndexCount > 0)
    return Status::Error("the table has " + std::to_string(table_.realIndexCount) +
                         " index(es); appending would leave them out of date, so the row was not written");
  s = RefuseMapPastTheEnd(file_, table_.ownedMap, pageCount_, "the table's page map");
  if (!s) return s;
  s = RefuseMapPastTheEnd(file_, table_.freeMap, pageCount_, "the table's free-space map");
  if (!s) return s;
  for (const LongValueMapSpec& maps : table_.longValueMaps) {
    s = RefuseMapPastTheEnd(file_, maps.owned, pageCount_, "a long-value page map");
    if (!s) return s;
    s = RefuseMapPastTheEnd(file_, maps.free, pageCount_, "a long-value free-space map");
    if (!s) return s;
  }
  if (values.size() > table_.columns.size())
    return Status::Error(std::to_string(values.size()) + " values for " + std::to_string(table_.columns.size()) + " columns");
  s = ReadPage(file_, tdefPage_, tdefFirstPage_);
  if (!s) return s;
  newAutoNumber_ = GetU32(tdefFirstPage_, 20) + 1;

  alloc_.emplace(pageCount_);
  // Values first: a value the column cannot hold is refused before anything is planned.
  std::vector<RowField> fields(table_.columns.size());
  std::vector<bool> isLong(table_.columns.size(), false);
  for (size_t i = 0; i < table_.columns.size(); ++i) {
    bool longValue = false;
    s = EncodeField(table_.columns[i], i < values.size() ? values[i] : Value::Null(), fields[i], longValue);
    if (!s) return s;
    isLong[i] = longValue && fields[i].present;
  }
  // Long values: inline when small and the row still fits, otherwise in LVAL rows.
  auto buildRow = [&](bool allowInline, std::string& row) -> Status {
    alloc_.emplace(pageCount_);
    longValues_.clear();
    std::vector<RowField> rowFields = fields;
    for (size_t i = 0; i < rowFields.size(); ++i) {
      if (!isLong[i]) continue;
      LongValuePlan plan;
      Status p = PlanLongValue(table_.columns[i], fields[i].bytes, plan, allowInline);
      if (!p) return p;
      rowFields[i].bytes = plan.header;
      longValues_.push_back(std::move(plan));
    }
    row = BuildRow(table_.maxColumns, rowFields);
    return Status::Ok();
  };
  std::string row;
  s = buildRow(true, row);
  if (!s) return s;
  if (row.size() > kMaxRowSize) {
    s = buildRow(false, row);
    if (!s) return s;
  }
  if (row.size() > kMaxRowSize)
    return Status::Error("row of " + std::to_string(row.size()) + " bytes is longer than the " +
                         std::to_string(kMaxRowSize) + " Jet 4 allows");
  // Two long values may want the same shared LVAL page; then the second goes to a page of its own.
  for (size_t i = 0; i < longValues_.size(); ++i)
    for (size_t j = 0; j < i; ++j)
      if (longValues_[i].sharedSlot && longValues_[j].sharedSlot &&
          longValues_[i].sharedSlot->page == longValues_[j].sharedSlot->page)
        return Status::Error("two long values for one LVAL page in one row are not supported");

  // The data page: the last page of the table that is in its free-space map and has room.
  auto ownedMap = ReadMapRow(file_, table_.ownedMap, pageCount_);
  if (!ownedMap) return ownedMap.status().WithContext("table's page map");
  auto freeMap = ReadMapRow(file_, table_.freeMap, pageCount_);
  if (!freeMap) return freeMap.status().WithContext("table's free-space map");
  // The last page of the free-space map; when the row does not fit there it gets a new page, and a
  // page left with little room leaves the free-space map.
  auto withRoom = LastMapPages(file_, *freeMap, pageCount_, 1);
  if (!withRoom) return withRoom.status();
  std::optional<Slot> slot;
  std::vector<uint32_t> noLongerFree;
  if (!withRoom->empty()) {
    auto owned = MapHas(file_, *ownedMap, withRoom->front());
    if (!owned) return owned.status();
    std::string slotPage;
    if (*owned) {
      s = ReadPage(file_, withRoom->front(), slotPage);
      if (!s) return s;
      slot = FitOnPage(slotPage, withRoom->front(), tdefPage_, static_cast<uint32_t>(row.size()));
      if (slot) rowWrites_ = WritesForSlot(slotPage, *slot, row);
    }
    if (!slot && (!*owned || GetU16(slotPage, 2) < kDataPageKeepsFreeSpace)) noLongerFree.push_back(withRoom->front());
  }
  std::vector<uint32_t> newDataPages;
  if (!slot) {
    DataPage page(tdefPage_);
    page.AddRow(row);
    newDataPages.push_back(alloc_->Allocate(page.bytes()));
  }

  // The maps that will link the new pages, then the global map for every page handed out.
  for (size_t i = 0, k = 0; i < table_.columns.size(); ++i) {
    if (!isLong[i]) continue;
    LongValuePlan& plan = longValues_[k++];
    if (plan.newPages.empty()) continue;
    const LongValueMapSpec* maps = table_.LongValueMapOf(table_.columns[i].number);
    auto lvOwned = ReadMapRow(file_, maps->owned, pageCount_);
    if (!lvOwned) return lvOwned.status();
    s = AddToMap(file_, *lvOwned, plan.newPages, pageCount_, *alloc_, lvalOwnedWrites_);
    if (!s) return s;
    if (maps->free.page == 0) continue;
    auto lvFree = ReadMapRow(file_, maps->free, pageCount_);
    if (!lvFree) return lvFree.status();
    s = AddToMap(file_, *lvFree, plan.newPagesWithRoom, pageCount_, *alloc_, lvalFreeWrites_);
    if (!s) return s;
  }
  s = AddToMap(file_, *ownedMap, newDataPages, pageCount_, *alloc_, ownedWrites_);
  if (!s) return s;
  s = AddToMap(file_, *freeMap, newDataPages, pageCount_, *alloc_, freeWrites_, noLongerFree);
  if (!s) return s;
  auto global = ReadMapRow(file_, RowRef{1, 0}, pageCount_);
  if (!global) return global.status().WithContext("global page map");
  s = MarkUsedInGlobalMap(file_, *global, pageCount_, *alloc_, globalWrites_);
  if (!s) return s;
  if (static_cast<uint64_t>(alloc_->next()) * kPageSize > kMaxFileSize)
    return Status::Error("the row would take the file past the 2 GiB Jet 4 allows");
  return Status::Ok();
}

Status Appender::Write(const std::vector<PageWrite>& writes) {
  for (const auto& w : writes) {
    Status s = file_.WriteAt(w.offset, w.bytes.data(), w.bytes.size());
    if (!s) return s;
  }
  return Status::Ok();
}

Status Appender::Execute() {
  // 1. New pages, at the end of the file: the file is first given its new length (so a torn page
  //    write never leaves a partial page), then long-value pages tail first, then the rest.
  const uint32_t first = alloc_->first();
  const uint32_t count = static_cast<uint32_t>(alloc_->pages().size());
  if (count > 0) {
    Status s = file_.Truncate(static_cast<uint64_t>(first + count) * kPageSize);
    if (!s) return s;
    std::vector<uint32_t> order;
    for (uint32_t i = count; i-- > 0;)
      if (GetU32(alloc_->pages()[i], 4) == kLvalTag && alloc_->pages()[i][0] == 0x01) order.push_back(i);
    for (uint32_t i = 0; i < count; ++i)
      if (!(GetU32(alloc_->pages()[i], 4) == kLvalTag && alloc_->pages()[i][0] == 0x01)) order.push_back(i);
    for (uint32_t i : order) {
      s = file_.WriteAt(static_cast<uint64_t>(first + i) * kPageSize, alloc_->pages()[i].data(), kPageSize);
      if (!s) return s;
    }
    if (!(s = Flush())) return s;
    // 2. The global map marks them used before anything refers to them.
    if (!(s = Write(globalWrites_)) || !(s = Flush())) return s;
  }
  // 3. A long value sharing an existing LVAL page: its bytes, then the page header.
  for (const auto& lv : longValues_) {
    if (!lv.sharedSlot) continue;
    SlotWrites w = WritesForSlot(lv.sharedPage, *lv.sharedSlot, lv.sharedRow);
    Status s;
    if (!(s = Write(w.body)) || !(s = Flush()) || !(s = Write({w.header})) || !(s = Flush())) return s;
  }
  // 4. Link the new pages: long-value pages first, then the data page (which makes the row visible).
  for (const auto* group : {&lvalOwnedWrites_, &lvalFreeWrites_, &ownedWrites_, &freeWrites_}) {
    if (group->empty()) continue;
    Status s;
    if (!(s = Write(*group)) || !(s = Flush())) return s;
  }
  // 5. The row on an existing page: bytes and offset entry, then the header in one small write.
  if (rowWrites_) {
    Status s;
    if (!(s = Write(rowWrites_->body)) || !(s = Flush()) || !(s = Write({rowWrites_->header})) || !(s = Flush()))
      return s;
  }
  // 6. The row count (and the AutoNumber counter) last.
  std::string counters;
  AppendU32(counters, table_.rowCount + 1);
  if (autoNumberUsed_) AppendU32(counters, newAutoNumber_);
  Status s = file_.WriteAt(static_cast<uint64_t>(tdefPage_) * kPageSize + 16, counters.data(), counters.size());
  if (!s) return s;
  return Flush();
}

}  // namespace

Status AppendRowToFile(File& file, uint32_t tdefPage, const std::vector<Value>& values, const AppendOptions& options) {
  Appender appender(file, tdefPage, options);
  return appender.Run(values);
}

Status AppendRowWithOptions(Database& db, std::u16string_view table, const std::vector<Value>& values,
                            const AppendOptions& options) {
  const auto& engine = db.engine();
  const std::string label = "table " + ToUtf8(table);
  if (!engine || !engine->file) return Status::Error("database is not open");
  if (engine->mode != OpenMode::ReadWrite) return Status::Error("database is open read-only");
  const internal::CatalogEntry* entry = engine->FindTableEntry(table);
  if (!entry) return Status::Error(label + ": no such table");
  Status s = AppendRowToFile(*engine->file, entry->DefinitionPage(), values, options);
  // Whatever happened, the engine reads the file as it now is.
  if (auto size = engine->file->Size()) {
    uint64_t pages = *size / kPageSize;
    engine->pageCount = pages > 0xFFFFFFu ? 0xFFFFFFu : static_cast<uint32_t>(pages);
  }
  return s.WithContext(label);
}

}  // namespace writer

Status Database::AppendRow(std::u16string_view table, const std::vector<Value>& values) {
  return writer::AppendRowWithOptions(*this, table, values, writer::AppendOptions{});
}

}  // namespace jet

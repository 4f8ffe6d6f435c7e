#include "history/jet/write_tdef.h"

#include <algorithm>

namespace jet::writer {
namespace {

constexpr uint32_t kTdefMagic = 1625;
constexpr uint32_t kRealIndexMagic = 1923;

bool IsFixedType(uint8_t type, uint8_t flags) {
  switch (type) {
    case 0x09:
    case 0x0B:
    case 0x0C:
      return false;
    case 0x0A:
      return (flags & 0x01) != 0;
    default:
      return true;
  }
}

}  // namespace

bool ParsedColumn::fixed() const { return IsFixedType(type, flags); }

void NumberColumns(std::vector<ColumnSpec>& columns) {
  std::vector<ColumnSpec*> order;
  for (auto& c : columns) order.push_back(&c);
  std::sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->number < b->number; });
  uint16_t vars = 0, offset = 0;
  for (ColumnSpec* c : order) {
    if (IsFixedType(c->type, c->flags)) {
      c->varIndex = vars;
      if (c->type == 0x01) {
        c->fixedOffset = 0;
      } else {
        c->fixedOffset = offset;
        offset = static_cast<uint16_t>(offset + c->length);
      }
    } else {
      c->varIndex = vars++;
      c->fixedOffset = 0;
    }
  }
}

std::string BuildTdefPage(const TableSpec& table) {
  std::string d;
  AppendU8(d, 0x02);
  AppendU8(d, 0x01);
  AppendU16(d, 0);  // free space, filled in below
  AppendU32(d, 0);  // next TDEF page
  AppendU32(d, 0);  // tdef_len, filled in below
  AppendU32(d, kTdefMagic);
  AppendU32(d, table.rowCount);
  AppendU32(d, 0);  // autonumber
  AppendU8(d, 1);
  d.append(15, '\0');
  AppendU8(d, table.tableType);
  uint16_t vars = 0;
  for (const auto& c : table.columns) vars += IsFixedType(c.type, c.flags) ? 0 : 1;
  AppendU16(d, static_cast<uint32_t>(table.columns.size()));  // max_cols
  AppendU16(d, vars);
  AppendU16(d, static_cast<uint32_t>(table.columns.size()));
  AppendU32(d, static_cast<uint32_t>(table.logicalIndexes.size()));
  AppendU32(d, static_cast<uint32_t>(table.realIndexes.size()));
  AppendU32(d, table.ownedMap.Packed());
  AppendU32(d, table.freeMap.Packed());
  for (const auto& ix : table.realIndexes) {
    AppendU32(d, 0);
    AppendU32(d, ix.uniqueKeys);
    AppendU32(d, 0);
  }
  for (const auto& c : table.columns) {
    AppendU8(d, c.type);
    AppendU32(d, kTdefMagic);
    AppendU16(d, c.number);
    AppendU16(d, c.varIndex);
    AppendU16(d, c.numberAgain ? c.number : 0);
    AppendU16(d, c.sortLcid);
    AppendU16(d, 0);
    AppendU8(d, c.flags);
    AppendU8(d, c.extraFlags);
    AppendU32(d, 0);
    AppendU16(d, c.fixedOffset);
    AppendU16(d, c.length);
  }
  for (const auto& c : table.columns) {
    AppendU16(d, static_cast<uint32_t>(c.name.size() * 2));
    d += Utf16Bytes(c.name);
  }
  for (const auto& ix : table.realIndexes) {
    AppendU32(d, kRealIndexMagic);
    for (size_t i = 0; i < 10; ++i) {
      if (i < ix.columns.size()) {
        AppendU16(d, ix.columns[i]);
        AppendU8(d, 0x01);
      } else {
        AppendU16(d, 0xFFFF);
        AppendU8(d, 0x00);
      }
    }
    AppendU32(d, ix.usageMap.Packed());
    AppendU32(d, ix.firstPage);
    AppendU32(d, 0);
    AppendU8(d, ix.flags);
    d.append(5, '\0');
  }
  for (const auto& ix : table.logicalIndexes) {
    AppendU32(d, kTdefMagic);
    AppendU32(d, ix.number);
    AppendU32(d, ix.realIndex);
    AppendU8(d, 0);
    AppendU32(d, 0xFFFFFFFF);
    AppendU32(d, 0);
    AppendU8(d, 4);  // cascade updates / deletes as Jet writes them on plain indexes
    AppendU8(d, 4);
    AppendU8(d, ix.kind);
    AppendU32(d, 0);
  }
  for (const auto& ix : table.logicalIndexes) {
    AppendU16(d, static_cast<uint32_t>(ix.name.size() * 2));
    d += Utf16Bytes(ix.name);
  }
  for (const auto& lv : table.longValueMaps) {
    AppendU16(d, lv.column);
    AppendU32(d, lv.owned.Packed());
    AppendU32(d, lv.free.Packed());
  }
  AppendU16(d, 0xFFFF);
  PutU32(d, 8, static_cast<uint32_t>(d.size()));
  PutU16(d, 2, kPageSize - static_cast<uint32_t>(d.size()) - 8);
  d.resize(kPageSize, '\0');
  return d;
}

const ParsedColumn* ParsedTable::ColumnByNumber(uint16_t number) const {
  for (const auto& c : columns)
    if (c.number == number) return &c;
  return nullptr;
}

const LongValueMapSpec* ParsedTable::LongValueMapOf(uint16_t column) const {
  for (const auto& lv : longValueMaps)
    if (lv.column == column) return &lv;
  return nullptr;
}

Result<ParsedTable> ReadTableDefinition(File& file, uint32_t tdefPage, uint32_t pageCount) {
  const std::string where = "TDEF page " + std::to_string(tdefPage);
  ParsedTable t;
  t.tdefPage = tdefPage;
  std::string logical;
  uint32_t page = tdefPage;
  while (page != 0) {
    if (page >= pageCount || t.pages.size() > 64) return Status::Error(where + ": bad continuation page");
    if (std::find(t.pages.begin(), t.pages.end(), page) != t.pages.end())
      return Status::Error(where + ": continuation loop");
    std::string buf(kPageSize, '\0');
    Status read = file.ReadAt(static_cast<uint64_t>(page) * kPageSize, buf.data(), kPageSize);
    if (!read) return read.WithContext(where);
    if (buf[0] != 0x02 || buf[1] != 0x01) return Status::Error(where + ": page " + std::to_string(page) + " is not a TDEF page");
    t.pages.push_back(page);
    logical += t.pages.size() == 1 ? buf : buf.substr(8);
    page = GetU32(buf, 4);
  }
  if (logical.size() < 63) return Status::Error(where + ": too short");
  uint32_t length = GetU32(logical, 8);
  if (length < 63 || length > logical.size()) return Status::Error(where + ": bad definition length");
  t.rowCount = GetU32(logical, 16);
  t.tableType = static_cast<uint8_t>(logical[40]);
  t.maxColumns = GetU16(logical, 41);
  t.varColumns = GetU16(logical, 43);
  uint16_t columnCount = GetU16(logical, 45);
  t.logicalIndexCount = GetU32(logical, 47);
  t.realIndexCount = GetU32(logical, 51);
  t.ownedMap = RowRef::FromPacked(GetU32(logical, 55));
  t.freeMap = RowRef::FromPacked(GetU32(logical, 59));
  if (t.logicalIndexCount > 1000 || t.realIndexCount > 1000 || columnCount == 0)
    return Status::Error(where + ": implausible column or index count");
  size_t at = 63 + 12 * static_cast<size_t>(t.realIndexCount);
  auto need = [&](size_t n) { return at + n <= length; };
  if (!need(25 * static_cast<size_t>(columnCount))) return Status::Error(where + ": column descriptors cut off");
  for (uint16_t i = 0; i < columnCount; ++i, at += 25) {
    ParsedColumn c;
    c.type = static_cast<uint8_t>(logical[at]);
    c.number = GetU16(logical, at + 5);
    c.varIndex = GetU16(logical, at + 7);
    c.flags = static_cast<uint8_t>(logical[at + 15]);
    c.extraFlags = static_cast<uint8_t>(logical[at + 16]);
    c.fixedOffset = GetU16(logical, at + 21);
    c.length = GetU16(logical, at + 23);
    t.columns.push_back(c);
  }
  for (auto& c : t.columns) {
    if (!need(2)) return Status::Error(where + ": column names cut off");
    uint16_t n = GetU16(logical, at);
    at += 2;
    if (!need(n) || n % 2) return Status::Error(where + ": column name cut off");
    for (uint16_t k = 0; k < n; k += 2) c.name.push_back(static_cast<char16_t>(GetU16(logical, at + k)));
    at += n;
  }
  for (uint32_t i = 0; i < t.realIndexCount; ++i, at += 52) {
    if (!need(52)) return Status::Error(where + ": index blocks cut off");
    t.indexMaps.push_back(RowRef::FromPacked(GetU32(logical, at + 34)));
    t.indexFirstPages.push_back(GetU32(logical, at + 38));
    t.indexFlags.push_back(static_cast<uint8_t>(logical[at + 46]));
  }
  at += 28 * static_cast<size_t>(t.logicalIndexCount);
  for (uint32_t i = 0; i < t.logicalIndexCount; ++i) {
    if (!need(2)) return Status::Error(where + ": index names cut off");
    at += 2 + GetU16(logical, at);
  }
  while (true) {
    if (!need(2)) return Status::Error(where + ": long-value maps cut off");
    uint16_t column = GetU16(logical, at);
    if (column == 0xFFFF) break;
    if (!need(10)) return Status::Error(where + ": long-value maps cut off");
    t.longValueMaps.push_back(LongValueMapSpec{column, RowRef::FromPacked(GetU32(logical, at + 2)),
                                               RowRef::FromPacked(GetU32(logical, at + 6))});
    at += 10;
  }
  std::sort(t.columns.begin(), t.columns.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
  for (size_t i = 1; i < t.columns.size(); ++i)
    if (t.columns[i].number == t.columns[i - 1].number) return Status::Error(where + ": two columns share a number");
  for (const auto& c : t.columns) {
    if (c.number >= t.maxColumns) return Status::Error(where + ": column number past max_cols");
    if (!c.fixed() && c.varIndex >= t.varColumns + 64u) return Status::Error(where + ": bad variable slot");
  }
  return t;
}

}  // namespace jet::writer

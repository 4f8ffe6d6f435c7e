// Opening a file: the header, the page count and the catalog of tables (MSysObjects).
#include "history/jet/engine.h"

#include <algorithm>

#include "history/jet/table_scan.h"
#include "history/jet/tdef.h"

namespace jet::internal {
namespace {

char16_t FoldCase(char16_t c) {
  if (c >= u'a' && c <= u'z')
    return static_cast<char16_t>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
    return static_cast<char16_t>(c - 0x20);  // Latin-1
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2)
    return static_cast<char16_t>(c - 0x20);  // Greek
  if (c >= 0x430 && c <= 0x44F)
    return static_cast<char16_t>(c - 0x20);  // Cyrillic
  if (c >= 0x450 && c <= 0x45F)
    return static_cast<char16_t>(c - 0x50);
  return c;
}

int FindColumn(const TableDef& def, std::u16string_view name) {
  for (size_t i = 0; i < def.columns.size(); ++i) {
    if (NamesEqual(def.columns[i].name, name))
      return static_cast<int>(i);
  }
  return -1;
}

Status ReadCatalog(const std::shared_ptr<Engine>& engine) {
  auto def = ReadTableDef(*engine, kCatalogPage);
  if (!def)
    return def.status().WithContext("catalog");
  def->name = u"MSysObjects";
  int id = FindColumn(*def, u"Id");
  int name = FindColumn(*def, u"Name");
  int type = FindColumn(*def, u"Type");
  int flags = FindColumn(*def, u"Flags");
  if (id < 0 || name < 0 || type < 0 || flags < 0) {
    return Status::Error(PageError(kCatalogPage, "catalog table lacks the Id, Name, Type or Flags column"));
  }
  auto shared = std::make_shared<const TableDef>(std::move(*def));
  RowScan scan(engine, shared);
  std::vector<Value> row;
  while (true) {
    auto more = scan.Next(row);
    if (!more)
      return more.status().WithContext("catalog");
    if (!*more)
      break;
    if ((row[type].AsInteger() & 0x7F) != 1)
      continue;  // tables only (mdbtools and mdb-reader agree)
    CatalogEntry entry;
    entry.name = row[name].AsText();
    entry.id = static_cast<uint32_t>(row[id].AsInteger());
    entry.flags = static_cast<uint32_t>(row[flags].AsInteger());
    engine->tables.push_back(std::move(entry));
  }
  return Status::Ok();
}

}  // namespace

bool NamesEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i]))
      return false;
  }
  return true;
}

Status Engine::ReadPage(uint32_t page, PageBuffer& out) const {
  if (page >= pageCount) {
    return Status::Error("page " + std::to_string(page) + " is past the end of the file (" +
                         std::to_string(pageCount) + " pages)");
  }
  Status r = file->ReadAt(static_cast<uint64_t>(page) * kPageSize, out.data(), kPageSize);
  if (!r)
    return r.WithContext("page " + std::to_string(page));
  return Status::Ok();
}

const CatalogEntry* Engine::FindTableEntry(std::u16string_view name) const {
  for (const CatalogEntry& e : tables) {
    if (NamesEqual(e.name, name))
      return &e;
  }
  return nullptr;
}

Result<const PageBuffer*> PageCache::Get(const Engine& engine, uint32_t page) {
  if (count_ != 0 && page >= start_ && page - start_ < count_)
    return &block_[page - start_];
  if (page >= engine.pageCount) {
    PageBuffer unused;
    return engine.ReadPage(page, unused);  // the "past the end of the file" error
  }
  bool ascending = count_ != 0 && page == start_ + count_;
  uint32_t n = ascending ? std::min(count_ * 2, kMaxBlockPages) : 1;
  n = std::min(n, engine.pageCount - page);
  if (block_.size() < n)
    block_.resize(n);
  count_ = 0;
  Status r = engine.file->ReadAt(static_cast<uint64_t>(page) * kPageSize, block_.data(),
                                 static_cast<size_t>(n) * kPageSize);
  if (!r)
    return r.WithContext("page " + std::to_string(page));
  start_ = page;
  count_ = n;
  return &block_[0];
}

Result<std::shared_ptr<Engine>> OpenEngine(std::unique_ptr<File> file, OpenMode mode) {
  if (!file)
    return Status::Error("no file");
  auto size = file->Size();
  if (!size)
    return size.status();
  if (*size < 2 * kPageSize) {
    return Status::Error("file too short for a Jet database (" + std::to_string(*size) + " bytes, at least " +
                         std::to_string(2 * kPageSize) + " needed)");
  }
  auto engine = std::make_shared<Engine>();
  engine->file = std::move(file);
  engine->mode = mode;
  uint64_t pages = *size / kPageSize;
  engine->pageCount =
      pages > 0xFFFFFFu ? 0xFFFFFFu : static_cast<uint32_t>(pages);  // row pointers hold 24 bits
  PageBuffer page0;
  Status r = engine->ReadPage(0, page0);
  if (!r)
    return r;
  auto header = ParseHeader(page0);
  if (!header)
    return header.status();
  engine->header = *header;
  r = ReadCatalog(engine);
  if (!r)
    return r;
  return engine;
}

}  // namespace jet::internal

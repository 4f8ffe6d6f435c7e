// The state behind a Database: the open file, its header facts and the catalog of tables.
// Shared (through std::shared_ptr) by the Database and every Table and RowCursor taken from it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "history/jet/file.h"
#include "history/jet/header.h"
#include "history/jet/page_format.h"
#include "history/jet/result.h"

namespace jet::internal {

// One table row of MSysObjects (Type 1 under the "Tables" container).
struct CatalogEntry {
  std::u16string name;
  uint32_t id = 0;  // low 24 bits: the TDEF page
  uint32_t flags = 0;
  bool IsSystem() const { return (flags & 0x80000002u) != 0; }
  uint32_t DefinitionPage() const { return id & 0x00FFFFFFu; }
};

struct Engine {
  std::unique_ptr<File> file;
  OpenMode mode = OpenMode::ReadOnly;
  uint32_t pageCount = 0;  // whole 4096-byte pages in the file when it was opened
  HeaderInfo header;
  std::vector<CatalogEntry> tables;  // in catalog order

  // Reads page `page` into `out`. Fails for page numbers at or past pageCount.
  Status ReadPage(uint32_t page, PageBuffer& out) const;
  // The catalog entry whose name matches case-insensitively, or nullptr.
  const CatalogEntry* FindTableEntry(std::u16string_view name) const;
};

// Opens the engine over an open file: checks the header and reads the catalog.
Result<std::shared_ptr<Engine>> OpenEngine(std::unique_ptr<File> file, OpenMode mode);

// Jet compares object names without regard to case: ASCII, Latin-1, Greek and Cyrillic letters fold.
bool NamesEqual(std::u16string_view a, std::u16string_view b);

// Keeps the pages read last. Repeated reads of one page (long values) cost one file read, and a run of
// ascending reads (a table's data pages, a column's long-value pages) is read ahead in growing blocks of
// up to kMaxBlockPages pages, so one system call serves many pages. A pointer returned by Get stays valid
// until the next Get.
class PageCache {
 public:
  static constexpr uint32_t kMaxBlockPages = 32;
  Result<const PageBuffer*> Get(const Engine& engine, uint32_t page);

 private:
  uint32_t start_ = 0;
  uint32_t count_ = 0;
  std::vector<PageBuffer> block_;
};

}  // namespace jet::internal

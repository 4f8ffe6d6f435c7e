// Database, Table and RowCursor: the public face of the engine's reading half.
#include "history/jet/database.h"

#include "history/jet/engine.h"
#include "history/jet/table_scan.h"
#include "history/jet/tdef.h"

namespace jet {

// ---- RowCursor ----

RowCursor::RowCursor(std::unique_ptr<internal::RowScan> scan) : scan_(std::move(scan)) {}
RowCursor::RowCursor(RowCursor&&) noexcept = default;
RowCursor& RowCursor::operator=(RowCursor&&) noexcept = default;
RowCursor::~RowCursor() = default;

Result<bool> RowCursor::Next(std::vector<Value>& row) {
  if (!scan_)
    return false;
  return scan_->Next(row);
}

// ---- Table ----

Table::Table(std::shared_ptr<internal::Engine> engine, std::shared_ptr<const internal::TableDef> def)
    : engine_(std::move(engine)), def_(std::move(def)) {}

const std::u16string& Table::name() const {
  return def_->name;
}
const std::vector<Column>& Table::columns() const {
  return def_->columns;
}
uint32_t Table::RowCount() const {
  return def_->rowCount;
}
uint32_t Table::DefinitionPage() const {
  return def_->page;
}
bool Table::IsSystemTable() const {
  return def_->tableType == 0x53;
}

int Table::ColumnIndex(std::u16string_view name) const {
  for (size_t i = 0; i < def_->columns.size(); ++i) {
    if (internal::NamesEqual(def_->columns[i].name, name))
      return static_cast<int>(i);
  }
  return -1;
}

RowCursor Table::Rows() const {
  return RowCursor(std::make_unique<internal::RowScan>(engine_, def_));
}

Status Table::ForEachRow(const std::function<bool(const std::vector<Value>& row)>& visit) const {
  internal::RowScan scan(engine_, def_);
  std::vector<Value> row;
  while (true) {
    auto more = scan.Next(row);
    if (!more)
      return more.status();
    if (!*more || !visit(row))
      return Status::Ok();
  }
}

Result<std::vector<std::vector<Value>>> Table::ReadAllRows() const {
  std::vector<std::vector<Value>> rows;
  Status s = ForEachRow([&](const std::vector<Value>& row) {
    rows.push_back(row);
    return true;
  });
  if (!s)
    return s;
  return rows;
}

// ---- Database ----

Database::Database(std::shared_ptr<internal::Engine> engine) : engine_(std::move(engine)) {}
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;
Database::~Database() = default;

Result<Database> Database::Open(const std::string& utf8Path, OpenMode mode, FileSystem* fs) {
  if (fs == nullptr)
    fs = &FileSystem::Native();
  auto file = fs->Open(utf8Path, mode);
  if (!file)
    return file.status();
  auto db = Open(std::move(*file), mode);
  if (!db)
    return db.status().WithContext(utf8Path);
  return db;
}

Result<Database> Database::Open(std::unique_ptr<File> file, OpenMode mode) {
  auto engine = internal::OpenEngine(std::move(file), mode);
  if (!engine)
    return engine.status();
  return Database(std::move(*engine));
}

OpenMode Database::mode() const {
  return engine_->mode;
}
uint32_t Database::PageCount() const {
  return engine_->pageCount;
}
uint16_t Database::CodePage() const {
  return engine_->header.codePage;
}

std::vector<std::u16string> Database::UserTableNames() const {
  std::vector<std::u16string> names;
  for (const auto& e : engine_->tables) {
    if (!e.IsSystem())
      names.push_back(e.name);
  }
  return names;
}

std::vector<std::u16string> Database::AllTableNames() const {
  std::vector<std::u16string> names;
  for (const auto& e : engine_->tables)
    names.push_back(e.name);
  return names;
}

Result<Table> Database::FindTable(std::u16string_view name) const {
  const internal::CatalogEntry* entry = engine_->FindTableEntry(name);
  if (entry == nullptr)
    return Status::Error("no table named \"" + ToUtf8(name) + "\"");
  auto def = internal::ReadTableDef(*engine_, entry->DefinitionPage());
  if (!def)
    return def.status().WithContext("table " + ToUtf8(entry->name));
  def->name = entry->name;
  return Table(engine_, std::make_shared<const internal::TableDef>(std::move(*def)));
}

}  // namespace jet

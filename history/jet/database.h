// Quillet's Jet 4.0 engine: opens Access/Jet 4.0 .mdb files, lists and reads their tables, and (in the
// writer's files: write_*.cpp, create_*.cpp, append_*.cpp) appends rows and creates the history database.
//
//   auto db = jet::Database::Open("Data.mdb", jet::OpenMode::ReadOnly);
//   if (!db) return fail(db.message());                 // "page 12: row offset out of range"
//   auto table = db->FindTable(u"data");                // case-insensitive, as Jet finds names
//   jet::RowCursor rows = table->Rows();
//   std::vector<jet::Value> row;
//   while (true) {
//     auto more = rows.Next(row);
//     if (!more) return fail(more.message());           // damaged file
//     if (!*more) break;                                // end of the table
//     use(row[0].ToText(), row[2].ToText());            // columns in column-number order
//   }
//
// Every malformed file gives an error value, never a crash or an endless loop. The engine holds no
// global state; a Database and the Tables and cursors taken from it may outlive each other (they share
// the open file), but one Database with its Tables and cursors is for one thread at a time.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "history/jet/file.h"
#include "history/jet/result.h"

namespace jet {

namespace internal {
struct Engine;    // the open file and its catalog (engine.h)
struct TableDef;  // a parsed table definition (tdef.h)
class RowScan;    // the state of one pass over a table's rows (table_scan.h)
}  // namespace internal

// Column type codes as stored in the table definition.
enum class ColumnType : uint8_t {
  Boolean = 0x01,
  Byte = 0x02,
  Integer = 0x03,   // int16
  Long = 0x04,      // int32
  Currency = 0x05,  // int64, value x 10000
  Single = 0x06,
  Double = 0x07,
  DateTime = 0x08,  // OLE date: days since 1899-12-30, fraction = time of day
  Binary = 0x09,
  Text = 0x0A,
  Ole = 0x0B,   // long binary
  Memo = 0x0C,  // long text
  Guid = 0x0F,
  Numeric = 0x10,
};
// "Text", "Memo", ... ; "Type 0x0D" for codes the engine does not know.
std::string ColumnTypeName(uint8_t typeCode);

struct Column {
  std::u16string name;
  uint8_t typeCode = 0;      // a ColumnType value, or an unknown code (its values then read as Binary)
  uint16_t number = 0;       // col_num: position in column-number order, counting deleted columns
  uint16_t maxLength = 0;    // col_len in bytes (Text: 2 x characters; 0 for Memo and OLE)
  uint8_t flags = 0;         // 0x01 fixed length, 0x02 may be NULL, 0x04 AutoNumber, 0x40 GUID AutoNumber,
                             // 0x80 hyperlink
  uint8_t extraFlags = 0;    // 0x01 Unicode compression allowed
  uint8_t precision = 0;     // Numeric only
  uint8_t scale = 0;         // Numeric only
  uint16_t varIndex = 0;     // slot in the row's variable-length table (variable columns)
  uint16_t fixedOffset = 0;  // offset in the row's fixed area (fixed columns)

  ColumnType type() const { return static_cast<ColumnType>(typeCode); }
  bool IsFixedLength() const;  // stored in the fixed area (Boolean: in the null mask)
  bool IsLongValue() const { return typeCode == 0x0B || typeCode == 0x0C; }
  bool IsAutoNumber() const { return (flags & 0x44) != 0; }
  bool AllowsCompression() const { return (extraFlags & 0x01) != 0; }
  uint16_t MaxCharacters() const { return static_cast<uint16_t>(maxLength / 2); }  // Text
};

// A Numeric (decimal) value: sign, a 128-bit magnitude and the number of digits after the point.
struct Decimal {
  bool negative = false;
  uint8_t precision = 0;
  uint8_t scale = 0;
  std::array<uint32_t, 4> magnitude{};  // least significant 32-bit word first

  bool operator==(const Decimal&) const = default;
};

// One field value: its column type, NULL or not, its typed form and its text form.
class Value {
 public:
  Value() = default;  // NULL Text
  static Value Null(ColumnType type = ColumnType::Text);
  static Value Text(std::u16string text);
  static Value Memo(std::u16string text);
  static Value Boolean(bool value);
  static Value Byte(uint8_t value);
  static Value Integer(int16_t value);
  static Value Long(int32_t value);
  static Value Currency(int64_t tenThousandths);  // 1.5 is Currency(15000)
  static Value Single(float value);
  static Value Double(double value);
  static Value DateTime(double oleDate);
  static Value Guid(const std::array<uint8_t, 16>& bytes);  // as stored (first three groups little-endian)
  static Value Binary(std::string bytes);
  static Value Ole(std::string bytes);
  static Value Numeric(const Decimal& value);

  ColumnType type() const { return type_; }
  bool IsNull() const { return std::holds_alternative<std::monostate>(data_); }

  // Typed forms. Each returns a neutral value (false, 0, empty) when the value is NULL or of another kind.
  bool AsBoolean() const;                // Boolean
  int64_t AsInteger() const;             // Boolean (-1/0), Byte, Integer, Long; Currency in ten-thousandths
  double AsDouble() const;               // Single, Double, DateTime (the OLE date); integers and Currency too
  const std::u16string& AsText() const;  // Text, Memo
  const std::string& AsBytes() const;    // Binary, Ole, Guid (16 bytes as stored)
  Decimal AsDecimal() const;             // Numeric

  // The text form, as ADO turns a field value into a string where that is clear:
  //   NULL            -> "" (the history store reads NULL as the empty text)
  //   Text, Memo      -> the text unchanged
  //   Boolean         -> "-1" / "0" (VariantChangeType to VT_BSTR without VARIANT_ALPHABOOL, as ADO's
  //                      field value becomes a string in C++)
  //   Byte .. Long    -> plain decimal: "0", "-12", "255"
  //   Currency        -> plain decimal with up to 4 decimals, trailing zeros dropped: "12.5", "-3", "0.0001"
  //   Single / Double -> shortest of 7 / 15 significant digits, as VarBstrFromR4/R8 with "." for the point:
  //                      "0.1", "1234.5", "1E+20", "1.5E-05"
  //   DateTime        -> ISO form "YYYY-MM-DD HH:MM:SS" ("YYYY-MM-DD" when the time is midnight); ADO's own
  //                      form depends on the Windows locale, so the engine uses the unambiguous one
  //   Guid            -> "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper-case hex), as ADO's adGUID
  //   Numeric         -> plain decimal with the column's scale, trailing zeros after the point dropped
  //   Binary, Ole     -> the bytes as lower-case hex, two digits a byte ("" for no bytes); ADO would copy
  //                      the raw bytes into the string, which is no readable text
  std::u16string ToText() const;
  std::string ToUtf8() const;  // ToText() as UTF-8 (unpaired surrogates become U+FFFD)

  bool operator==(const Value& other) const = default;

 private:
  using Data = std::variant<std::monostate, bool, int64_t, double, std::u16string, std::string, Decimal>;
  Value(ColumnType type, Data data) : type_(type), data_(std::move(data)) {}
  ColumnType type_ = ColumnType::Text;
  Data data_;
};

// A pass over a table's rows in table order: the table's own data pages in ascending page order, the
// row slots of each page in slot order, deleted rows skipped and overflow rows followed. Each row has
// one Value per column of Table::columns(); columns added after a row was written read as NULL.
class RowCursor {
 public:
  RowCursor(RowCursor&&) noexcept;
  RowCursor& operator=(RowCursor&&) noexcept;
  ~RowCursor();

  // true with the next row in `row`; false at the end of the table; an error when the file is damaged
  // (after an error the cursor stays at its end).
  Result<bool> Next(std::vector<Value>& row);

 private:
  friend class Table;
  explicit RowCursor(std::unique_ptr<internal::RowScan> scan);
  std::unique_ptr<internal::RowScan> scan_;
};

class Table {
 public:
  const std::u16string& name() const;  // as stored in the catalog
  // In column-number order (the order of ADO's Fields collection).
  const std::vector<Column>& columns() const;
  // Index into columns() of the column with this name (case-insensitive), or -1.
  int ColumnIndex(std::u16string_view name) const;
  // The row count kept in the table definition (Jet updates it on every insert).
  uint32_t RowCount() const;
  uint32_t DefinitionPage() const;  // the TDEF page, which is also the table's catalog Id
  bool IsSystemTable() const;

  RowCursor Rows() const;
  // Calls `visit` for each row until it returns false. The row vector is reused between calls.
  Status ForEachRow(const std::function<bool(const std::vector<Value>& row)>& visit) const;
  Result<std::vector<std::vector<Value>>> ReadAllRows() const;

  const std::shared_ptr<const internal::TableDef>& definition() const { return def_; }

 private:
  friend class Database;
  Table(std::shared_ptr<internal::Engine> engine, std::shared_ptr<const internal::TableDef> def);
  std::shared_ptr<internal::Engine> engine_;
  std::shared_ptr<const internal::TableDef> def_;
};

class Database {
 public:
  // Opens a Jet 4.0 file. `fs` defaults to FileSystem::Native(). Fails with a clear message for a
  // file of another version, one with a database password, an encrypted one, one shorter than two
  // pages, and one whose header or catalog is damaged.
  static Result<Database> Open(const std::string& utf8Path, OpenMode mode, FileSystem* fs = nullptr);
  // The same for a file already open (for example a MemoryFile).
  static Result<Database> Open(std::unique_ptr<File> file, OpenMode mode);

  Database(Database&&) noexcept;
  Database& operator=(Database&&) noexcept;
  ~Database();

  OpenMode mode() const;
  uint32_t PageCount() const;
  uint16_t CodePage() const;  // the database's default code page (1252, 936, ...)

  // Names of the user tables (type 1 objects under "Tables" that are not system objects), in catalog order.
  std::vector<std::u16string> UserTableNames() const;
  // Names of every table, system tables (MSysObjects, ...) included.
  std::vector<std::u16string> AllTableNames() const;
  // The table of that name, compared case-insensitively as Jet does; system tables can be found too.
  Result<Table> FindTable(std::u16string_view name) const;

  // ---- writing (history/jet/write_*.cpp, append_*.cpp) ----
  // Appends one row: one Value per column of the table, in column-number order (missing trailing values
  // are NULL). ReadWrite only. Validates everything first and leaves the file untouched on refusal;
  // writes in a crash-safe order and flushes before it returns.
  Status AppendRow(std::u16string_view table, const std::vector<Value>& values);

  // For the engine's own layers (writer, checker): the open file and its parsed catalog.
  const std::shared_ptr<internal::Engine>& engine() const { return engine_; }

 private:
  explicit Database(std::shared_ptr<internal::Engine> engine);
  std::shared_ptr<internal::Engine> engine_;
};

// Creates a fresh Jet 4.0 "Data.mdb" holding the empty history table "Data" (three text fields; field 2
// a Memo). Fails if the file exists, unless `force`. Builds the file under a temporary name and renames
// it into place (history/jet/create_*.cpp). `fs` defaults to FileSystem::Native().
Status CreateHistoryDatabase(const std::string& utf8Path, bool force, FileSystem* fs = nullptr);

// UTF-16 <-> UTF-8 helpers used across the engine and its tools (unpaired surrogates become U+FFFD).
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace jet

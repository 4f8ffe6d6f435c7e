// Table definitions: the header, column descriptors, names, index blocks and long-value column maps.
#include "history/jet/tdef.h"

#include <algorithm>

#include "history/jet/engine.h"

namespace jet::internal {
namespace {

constexpr uint32_t kColumnDescriptorSize = 25;
constexpr uint32_t kRealIndexSize = 12;
constexpr uint32_t kIndexBlockSize = 52;
constexpr uint32_t kLogicalIndexSize = 28;
constexpr uint32_t kHeaderSize = 63;

// Reads the logical definition: page 1 bytes 0..4095, then each continuation page from byte 8.
Status ReadDefinitionBytes(const Engine& engine, uint32_t first, std::vector<uint8_t>& bytes,
                           std::vector<uint32_t>& pages) {
  PageBuffer page;
  uint32_t current = first;
  while (current != 0) {
    if (std::find(pages.begin(), pages.end(), current) != pages.end()) {
      return Status::Error(PageError(current, "table definition chain loops"));
    }
    if (pages.size() >= engine.pageCount)
      return Status::Error(PageError(current, "table definition chain too long"));
    Status r = engine.ReadPage(current, page);
    if (!r)
      return r;
    if (page[0] != kPageTableDef) {
      return Status::Error(PageError(
          current, "expected a table definition page (type 2), found type " + std::to_string(page[0])));
    }
    pages.push_back(current);
    if (bytes.empty()) {
      bytes.insert(bytes.end(), page.begin(), page.end());
    } else {
      bytes.insert(bytes.end(), page.begin() + 8, page.end());
    }
    current = Get32(page.data() + 4);
  }
  return Status::Ok();
}

// Bounds-checked reader over the logical definition.
class Reader {
 public:
  Reader(const std::vector<uint8_t>& bytes, uint32_t limit, uint32_t page)
      : bytes_(bytes), limit_(limit), page_(page) {}
  bool Has(uint32_t n) const { return pos_ <= limit_ && n <= limit_ - pos_; }
  Status Need(uint32_t n, const char* what) const {
    if (Has(n))
      return Status::Ok();
    return Status::Error(PageError(page_, std::string("table definition ends inside ") + what));
  }
  const uint8_t* Take(uint32_t n) {
    const uint8_t* p = bytes_.data() + pos_;
    pos_ += n;
    return p;
  }
  uint32_t pos() const { return pos_; }
  void Seek(uint32_t pos) { pos_ = pos; }

 private:
  const std::vector<uint8_t>& bytes_;
  uint32_t limit_;
  uint32_t page_;
  uint32_t pos_ = 0;
};

}  // namespace

Result<TableDef> ReadTableDef(const Engine& engine, uint32_t first) {
  TableDef def;
  def.page = first;
  if (first == 0)
    return Status::Error("page 0 named as a table definition");
  std::vector<uint8_t> bytes;
  Status chain = ReadDefinitionBytes(engine, first, bytes, def.pages);
  if (!chain)
    return chain;

  const uint8_t* h = bytes.data();
  def.length = Get32(h + 8);
  // tdef_len counts the bytes of the logical definition; allow it to be a little short of the buffer.
  uint32_t limit = static_cast<uint32_t>(bytes.size());
  if (def.length > limit) {
    return Status::Error(PageError(first, "table definition length " + std::to_string(def.length) +
                                              " exceeds its " + std::to_string(def.pages.size()) +
                                              " page(s)"));
  }
  if (def.length < kHeaderSize)
    return Status::Error(PageError(first, "table definition too short"));
  limit = def.length;
  def.rowCount = Get32(h + 16);
  def.nextAutoNumber = Get32(h + 20);
  def.tableType = h[40];
  def.maxColumns = Get16(h + 41);
  def.variableColumnCount = Get16(h + 43);
  uint16_t columnCount = Get16(h + 45);
  def.logicalIndexCount = Get32(h + 47);
  def.realIndexCount = Get32(h + 51);
  def.ownedPages = RowPointer::FromRaw(Get32(h + 55));
  def.freeSpacePages = RowPointer::FromRaw(Get32(h + 59));

  Reader in(bytes, limit, first);
  in.Seek(kHeaderSize);
  // Index counts are 32-bit; anything that does not fit the definition is damage, caught before looping.
  if (def.realIndexCount > limit / kRealIndexSize || def.logicalIndexCount > limit / kLogicalIndexSize) {
    return Status::Error(PageError(first, "index counts do not fit the table definition"));
  }
  Status s = in.Need(kRealIndexSize * def.realIndexCount, "the index counts");
  if (!s)
    return s;
  in.Take(kRealIndexSize * def.realIndexCount);

  s = in.Need(kColumnDescriptorSize * columnCount, "the column descriptors");
  if (!s)
    return s;
  std::vector<Column> columns(columnCount);
  for (Column& c : columns) {
    const uint8_t* d = in.Take(kColumnDescriptorSize);
    c.typeCode = d[0];
    c.number = Get16(d + 5);
    c.varIndex = Get16(d + 7);
    c.precision = d[11];
    c.scale = d[12];
    c.flags = d[15];
    c.extraFlags = d[16];
    c.fixedOffset = Get16(d + 21);
    c.maxLength = Get16(d + 23);
  }
  for (Column& c : columns) {
    s = in.Need(2, "the column names");
    if (!s)
      return s;
    uint16_t nameBytes = Get16(in.Take(2));
    s = in.Need(nameBytes, "a column name");
    if (!s)
      return s;
    const uint8_t* n = in.Take(nameBytes);
    for (uint16_t i = 0; i + 1 < nameBytes; i += 2)
      c.name.push_back(static_cast<char16_t>(Get16(n + i)));
  }
  s = in.Need(kIndexBlockSize * def.realIndexCount, "the index definitions");
  if (!s)
    return s;
  for (uint32_t i = 0; i < def.realIndexCount; ++i) {
    const uint8_t* b = in.Take(kIndexBlockSize);
    IndexDef index;
    for (int k = 0; k < 10; ++k) {
      uint16_t col = Get16(b + 4 + 3 * k);
      if (col != 0xFFFF)
        index.columnNumbers.push_back(col);
    }
    index.usageMap = RowPointer::FromRaw(Get32(b + 34));
    index.firstPage = Get32(b + 38);
    index.flags = b[46];
    def.realIndexes.push_back(index);
  }
  s = in.Need(kLogicalIndexSize * def.logicalIndexCount, "the logical index definitions");
  if (!s)
    return s;
  in.Take(kLogicalIndexSize * def.logicalIndexCount);
  for (uint32_t i = 0; i < def.logicalIndexCount; ++i) {
    s = in.Need(2, "the index names");
    if (!s)
      return s;
    uint16_t nameBytes = Get16(in.Take(2));
    s = in.Need(nameBytes, "an index name");
    if (!s)
      return s;
    in.Take(nameBytes);
  }
  // Long-value column maps until FF FF.
  while (true) {
    s = in.Need(2, "the long-value column maps");
    if (!s)
      return s;
    uint16_t col = Get16(in.Take(2));
    if (col == 0xFFFF)
      break;
    s = in.Need(8, "a long-value column map");
    if (!s)
      return s;
    const uint8_t* m = in.Take(8);
    def.longValueMaps.push_back({col, RowPointer::FromRaw(Get32(m)), RowPointer::FromRaw(Get32(m + 4))});
  }

  // Check the columns against each other and the row format's limits.
  std::sort(columns.begin(), columns.end(),
            [](const Column& a, const Column& b) { return a.number < b.number; });
  for (size_t i = 0; i < columns.size(); ++i) {
    Column& c = columns[i];
    if (i > 0 && columns[i - 1].number == c.number) {
      return Status::Error(PageError(first, "two columns share column number " + std::to_string(c.number)));
    }
    bool fixed = c.IsFixedLength();
    if (!fixed)
      def.hasVariableColumns = true;
    if (fixed && c.typeCode != 0x01 && static_cast<uint32_t>(c.fixedOffset) + FixedSize(c) > kPageSize) {
      return Status::Error(
          PageError(first, "column " + std::to_string(c.number) + " fixed offset out of range"));
    }
  }
  def.columns = std::move(columns);
  return def;
}

uint16_t FixedSize(const Column& c) {
  switch (c.typeCode) {
    case 0x01:
      return 0;
    case 0x02:
      return 1;
    case 0x03:
      return 2;
    case 0x04:
    case 0x06:
      return 4;
    case 0x05:
    case 0x07:
    case 0x08:
      return 8;
    case 0x0F:
      return 16;
    case 0x10:
      return 17;
    default:
      return c.maxLength;  // fixed Text, fixed Binary, unknown fixed types
  }
}

}  // namespace jet::internal

namespace jet {

// Flag 0x01 decides, for every type (Access stores some Long columns of its own tables as variable-length
// values); Boolean lives in the null mask whatever the flags say.
bool Column::IsFixedLength() const {
  return typeCode == 0x01 || (flags & 0x01) != 0;
}

}  // namespace jet

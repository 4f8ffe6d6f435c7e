#include "history/jet/create_layout.h"

#include <array>
#include <chrono>
#include <cstring>
#include <vector>

#include "history/jet/write_index.h"
#include "history/jet/write_page.h"
#include "history/jet/write_row.h"
#include "history/jet/write_tdef.h"

namespace jet::writer {
namespace {

// The header bytes 0x18-0x97 are stored XOR-ed with the first 128 bytes of RC4 keyed with C7 DA 39 6B.
std::array<uint8_t, 128> HeaderMask() {
  std::array<uint8_t, 256> s;
  for (int i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
  const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % 4]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  std::array<uint8_t, 128> out;
  for (int n = 0, i = 0, j = 0; n < 128; ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    out[n] = s[(s[i] + s[j]) & 0xFF];
  }
  return out;
}

// The creation date and the account SIDs go together (Jet derives the SIDs in a way nobody has worked
// out), so both come from one database that Jet 4.0 itself created (build 9756) with the Chinese locale.
constexpr uint64_t kCreationDateBits = 0x40E416437A871542ull;  // 42 15 87 7A 43 16 E4 40
constexpr uint8_t kAdminSid[2] = {0x9A, 0x98};                  // A: owner of MSysDb and user tables
constexpr uint16_t kEngineBuild = 9756;

double CreationDate() {
  double d;
  std::memcpy(&d, &kCreationDateBits, sizeof d);
  return d;
}
std::string Sid(uint8_t xorHigh, uint8_t xorLow) {
  std::string s(2, '\0');
  s[0] = static_cast<char>(kAdminSid[0] ^ xorHigh);
  s[1] = static_cast<char>(kAdminSid[1] ^ xorLow);
  return s;
}
const std::string kSidAdmin = Sid(0, 0);
const std::string kSidUsers = Sid(0x01, 0x00);
const std::string kSidCreator = Sid(0x01, 0x05);
const std::string kSidEngine = Sid(0x01, 0x02);

ColumnSpec Col(const char16_t* name, uint8_t type, uint16_t number, uint8_t flags, uint16_t length, uint16_t lcid) {
  ColumnSpec c;
  c.name = name;
  c.type = type;
  c.number = number;
  c.flags = flags;
  c.length = length;
  c.sortLcid = lcid;
  return c;
}

std::vector<RowField> FieldsOf(const std::vector<ColumnSpec>& columns) {
  std::vector<RowField> fields;
  for (const auto& c : columns) {
    RowField f;
    f.number = c.number;
    f.fixed = c.type != 0x09 && c.type != 0x0A && c.type != 0x0B && c.type != 0x0C;
    f.boolean = c.type == 0x01;
    f.varIndex = c.varIndex;
    f.fixedOffset = c.fixedOffset;
    f.length = c.length;
    fields.push_back(f);
  }
  return fields;
}

void Set(std::vector<RowField>& fields, uint16_t number, std::string bytes) {
  for (auto& f : fields)
    if (f.number == number) {
      f.present = true;
      f.bytes = std::move(bytes);
    }
}
std::string Long(uint32_t v) {
  std::string s;
  AppendU32(s, v);
  return s;
}
std::string Date(double v) {
  std::string s;
  AppendDouble(s, v);
  return s;
}

struct CatalogObject {
  uint32_t id;
  uint32_t parentId;
  std::u16string name;
  uint16_t type;
  uint32_t flags;
  std::string owner;
  double created;
};

struct Ace {
  uint32_t objectId;
  std::string sid;
  uint32_t acm;
  bool inheritable;
};

void PutHeader(std::string& page, uint16_t codePage, uint16_t sortOrder, double created) {
  page.assign(kPageSize, '\0');
  const char* magic = "\x00\x01\x00\x00Standard Jet DB";
  std::memcpy(page.data(), magic, 20);  // 4 bytes, then the text with its terminating zero
  PutU32(page, 0x14, 1);                // Jet 4
  const uint8_t unknown18[24] = {0, 1, 0, 0, 1, 1, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0};
  std::memcpy(page.data() + 0x18, unknown18, sizeof unknown18);
  PutU16(page, 0x3C, codePage);
  PutU32(page, 0x3E, 0);  // not encrypted
  // No password: the password field holds only its mask, the whole days of the creation date.
  uint32_t passwordMask = static_cast<uint32_t>(static_cast<int32_t>(created));
  for (int i = 0; i < 10; ++i) PutU32(page, 0x42 + 4 * i, passwordMask);
  PutU32(page, 0x6A, kEngineBuild);
  PutU16(page, 0x6E, sortOrder);
  std::string date = Date(created);
  page.replace(0x72, 8, date);
  auto mask = HeaderMask();
  for (int i = 0; i < 128; ++i) page[0x18 + i] = static_cast<char>(static_cast<uint8_t>(page[0x18 + i]) ^ mask[i]);
  PutU32(page, 0x98, 0x654);
  std::memcpy(page.data() + 0x9C, "4.0", 4);
  PutU16(page, 0xE00, 0x0101);
  for (uint32_t at = 0xE02; at < kPageSize; at += 2) PutU16(page, at, 0x0100);
}

}  // namespace

double OleDateNow() {
  using namespace std::chrono;
  double seconds = duration<double>(system_clock::now().time_since_epoch()).count();
  return 25569.0 + seconds / 86400.0;  // 1970-01-01 is day 25569
}

std::string BuildBlankDatabase(const BlankLayout& layout) {
  const uint16_t lcid = layout.sortOrder;
  const double created = CreationDate();
  const uint32_t pageCount = layout.historyTable ? 17 : 16;

  // ---- the system tables ----
  TableSpec objects;
  objects.tableType = 0x53;
  objects.columns = {
      Col(u"Connect", 0x0C, 9, 0x12, 0, lcid),       Col(u"Database", 0x0C, 8, 0x12, 0, lcid),
      Col(u"DateCreate", 0x08, 4, 0x13, 8, lcid),    Col(u"DateUpdate", 0x08, 5, 0x13, 8, lcid),
      Col(u"Flags", 0x04, 7, 0x13, 4, lcid),         Col(u"ForeignName", 0x0A, 10, 0x12, 510, lcid),
      Col(u"Id", 0x04, 0, 0x13, 4, lcid),            Col(u"Lv", 0x0B, 13, 0x12, 0, lcid),
      Col(u"LvExtra", 0x0B, 16, 0x12, 0, lcid),      Col(u"LvModule", 0x0B, 15, 0x12, 0, lcid),
      Col(u"LvProp", 0x0B, 14, 0x12, 0, lcid),       Col(u"Name", 0x0A, 2, 0x12, 510, lcid),
      Col(u"Owner", 0x09, 6, 0x32, 510, lcid),       Col(u"ParentId", 0x04, 1, 0x13, 4, lcid),
      Col(u"RmtInfoLong", 0x0B, 12, 0x12, 0, lcid),  Col(u"RmtInfoShort", 0x09, 11, 0x12, 510, lcid),
      Col(u"Type", 0x03, 3, 0x13, 2, lcid)};
  NumberColumns(objects.columns);
  objects.ownedMap = {kMapPage, 0};
  objects.freeMap = {kMapPage, 1};
  objects.realIndexes = {RealIndexSpec{{1, 2}, {kMapPage, 16}, 7, 0x81, 0},
                         RealIndexSpec{{0}, {kMapPage, 17}, 8, 0x81, 0}};
  objects.logicalIndexes = {LogicalIndexSpec{u"Id", 1, 1, 1}, LogicalIndexSpec{u"ParentIdName", 0, 0, 0}};
  objects.longValueMaps = {{9, {kMapPage, 4}, {kMapPage, 5}},    {8, {kMapPage, 2}, {kMapPage, 3}},
                           {13, {kMapPage, 8}, {kMapPage, 9}},   {16, {kMapPage, 14}, {kMapPage, 15}},
                           {15, {kMapPage, 12}, {kMapPage, 13}}, {14, {kMapPage, 10}, {kMapPage, 11}},
                           {12, {kMapPage, 6}, {kMapPage, 7}}};

  TableSpec aces;
  aces.tableType = 0x53;
  aces.columns = {Col(u"ACM", 0x04, 2, 0x13, 4, lcid), Col(u"FInheritable", 0x01, 3, 0x13, 1, lcid),
                  Col(u"ObjectId", 0x04, 0, 0x13, 4, lcid), Col(u"SID", 0x09, 1, 0x32, 510, lcid)};
  NumberColumns(aces.columns);
  aces.ownedMap = {kMapPage, 18};
  aces.freeMap = {kMapPage, 19};
  aces.realIndexes = {RealIndexSpec{{0}, {kMapPage, 20}, 9, 0x88, 0}};
  aces.logicalIndexes = {LogicalIndexSpec{u"ObjectId", 0, 0, 0}};

  TableSpec queries;
  queries.tableType = 0x53;
  queries.columns = {Col(u"Attribute", 0x02, 1, 0x13, 1, lcid),  Col(u"Expression", 0x0C, 5, 0x12, 0, lcid),
                     Col(u"Flag", 0x03, 6, 0x13, 2, lcid),       Col(u"LvExtra", 0x04, 7, 0x13, 4, lcid),
                     Col(u"Name1", 0x0A, 3, 0x12, 510, lcid),    Col(u"Name2", 0x0A, 4, 0x12, 510, lcid),
                     Col(u"ObjectId", 0x04, 0, 0x13, 4, lcid),   Col(u"Order", 0x09, 2, 0x12, 510, lcid)};
  NumberColumns(queries.columns);
  queries.ownedMap = {kMapPage, 21};
  queries.freeMap = {kMapPage, 22};
  queries.realIndexes = {RealIndexSpec{{0, 1, 2}, {kMapPage, 25}, 10, 0x81, 0}};
  queries.logicalIndexes = {LogicalIndexSpec{u"ObjectIdAttribute", 0, 0, 1}};
  queries.longValueMaps = {{5, {kMapPage, 23}, {kMapPage, 24}}};

  TableSpec relationships;
  relationships.tableType = 0x53;
  relationships.columns = {
      Col(u"ccolumn", 0x04, 2, 0x13, 4, lcid),              Col(u"grbit", 0x04, 1, 0x13, 4, lcid),
      Col(u"icolumn", 0x04, 3, 0x13, 4, lcid),              Col(u"szColumn", 0x0A, 5, 0x12, 510, lcid),
      Col(u"szObject", 0x0A, 4, 0x12, 510, lcid),           Col(u"szReferencedColumn", 0x0A, 7, 0x12, 510, lcid),
      Col(u"szReferencedObject", 0x0A, 6, 0x12, 510, lcid), Col(u"szRelationship", 0x0A, 0, 0x12, 510, lcid)};
  NumberColumns(relationships.columns);
  relationships.ownedMap = {kMapPage, 26};
  relationships.freeMap = {kMapPage, 27};
  relationships.realIndexes = {RealIndexSpec{{0}, {kMapPage, 28}, 11, 0x82, 0},
                               RealIndexSpec{{4}, {kMapPage, 29}, 12, 0x82, 0},
                               RealIndexSpec{{6}, {kMapPage, 30}, 13, 0x82, 0}};
  relationships.logicalIndexes = {LogicalIndexSpec{u"szObject", 1, 1, 0}, LogicalIndexSpec{u"szReferencedObject", 2, 2, 0},
                                  LogicalIndexSpec{u"szRelationship", 0, 0, 0}};

  // ---- the history table ----
  TableSpec history;
  history.tableType = 0x4E;
  for (auto c : {Col(u"ID", 0x0A, 0, 0x02, 510, lcid), Col(u"时间", 0x0A, 1, 0x02, 510, lcid),
                 Col(u"文本", 0x0C, 2, 0x02, 0, lcid)}) {
    c.numberAgain = true;
    c.extraFlags = 0x01;  // Unicode compression, as Access sets it on Text and Memo columns
    history.columns.push_back(c);
  }
  NumberColumns(history.columns);
  history.ownedMap = {kMapPage, 31};
  history.freeMap = {kMapPage, 32};
  history.longValueMaps = {{2, {kMapPage, 33}, {kMapPage, 34}}};

  // ---- catalog rows (page 14) and their permissions (page 15) ----
  const uint32_t kTables = 0x0F000001, kDatabases = 0x0F000002, kRelationships = 0x0F000003, kMSysDb = 0x10000000;
  std::vector<CatalogObject> catalog = {
      {kTables, 0x0F000000, u"Tables", 3, 0x80000000u, kSidEngine, created},
      {kDatabases, 0x0F000000, u"Databases", 3, 0x80000000u, kSidEngine, created},
      {kRelationships, 0x0F000000, u"Relationships", 3, 0x80000000u, kSidEngine, created},
      {kMSysDb, kDatabases, u"MSysDb", 2, 0x80000000u, kSidAdmin, created},
      {2, kTables, u"MSysObjects", 1, 0x80000000u, kSidEngine, created},
      {3, kTables, u"MSysACEs", 1, 0x80000000u, kSidEngine, created},
      {4, kTables, u"MSysQueries", 1, 0x80000000u, kSidEngine, created},
      {5, kTables, u"MSysRelationships", 1, 0x80000000u, kSidEngine, created}};
  std::vector<Ace> aceRows = {
      {2, kSidAdmin, 0x60000, false},          {3, kSidAdmin, 0x60000, false},
      {4, kSidAdmin, 0x60000, false},          {5, kSidAdmin, 0xE0000, false},
      {kTables, kSidCreator, 0xF00FE, true},   {kTables, kSidAdmin, 0x60001, false},
      {kRelationships, kSidCreator, 0xF00FE, true}, {kRelationships, kSidAdmin, 0x60001, false},
      {kDatabases, kSidAdmin, 0x60000, false}, {kMSysDb, kSidAdmin, 0x6000E, false},
      {kMSysDb, kSidUsers, 0xE, false},        {4, kSidUsers, 0x14, false},
      {5, kSidUsers, 0x14, false},             {2, kSidUsers, 0x14, false},
      {kTables, kSidUsers, 0xFFEFF, true},     {kRelationships, kSidUsers, 0xFFFFF, true}};
  if (layout.historyTable) {
    double tableDate = layout.tableCreated != 0 ? layout.tableCreated : created;
    catalog.push_back({kHistoryTdefPage, kTables, u"Data", 1, 0, kSidAdmin, tableDate});
    // A new table gets the Tables container's inheritable permissions, the creator's going to its owner.
    aceRows.push_back({kHistoryTdefPage, kSidUsers, 0xFFEFF, false});
    aceRows.push_back({kHistoryTdefPage, kSidAdmin, 0xF00FE, false});
  }

  DataPage catalogPage(2);
  std::vector<std::string> parentNameEntries, idEntries;
  for (const auto& o : catalog) {
    auto fields = FieldsOf(objects.columns);
    Set(fields, 0, Long(o.id));
    Set(fields, 1, Long(o.parentId));
    Set(fields, 2, Utf16Bytes(o.name));
    std::string type;
    AppendU16(type, o.type);
    Set(fields, 3, type);
    Set(fields, 4, Date(o.created));
    Set(fields, 5, Date(o.created));
    Set(fields, 6, o.owner);
    Set(fields, 7, Long(o.flags));
    int row = catalogPage.AddRow(BuildRow(17, fields));
    auto nameKey = GeneralTextKey(o.name);
    parentNameEntries.push_back(LeafEntry(LongKey(static_cast<int32_t>(o.parentId)) + *nameKey, kCatalogDataPage,
                                          static_cast<uint8_t>(row)));
    idEntries.push_back(LeafEntry(LongKey(static_cast<int32_t>(o.id)), kCatalogDataPage, static_cast<uint8_t>(row)));
  }
  objects.rowCount = static_cast<uint32_t>(catalog.size());
  objects.realIndexes[0].uniqueKeys = objects.rowCount;
  objects.realIndexes[1].uniqueKeys = objects.rowCount;

  DataPage acePage(3);
  std::vector<std::string> aceEntries;
  std::vector<uint32_t> aceObjects;
  for (const auto& a : aceRows) {
    auto fields = FieldsOf(aces.columns);
    Set(fields, 0, Long(a.objectId));
    Set(fields, 1, a.sid);
    Set(fields, 2, Long(a.acm));
    if (a.inheritable) Set(fields, 3, std::string());
    int row = acePage.AddRow(BuildRow(4, fields));
    aceEntries.push_back(LeafEntry(LongKey(static_cast<int32_t>(a.objectId)), kAceDataPage, static_cast<uint8_t>(row)));
    bool seen = false;
    for (uint32_t id : aceObjects) seen = seen || id == a.objectId;
    if (!seen) aceObjects.push_back(a.objectId);
  }
  aces.rowCount = static_cast<uint32_t>(aceRows.size());
  aces.realIndexes[0].uniqueKeys = static_cast<uint32_t>(aceObjects.size());

  // ---- usage maps (page 6): every map of the layout, in TDEF order ----
  DataPage mapPage(0);
  std::vector<std::vector<uint32_t>> maps(layout.historyTable ? 35 : 31);
  maps[0] = maps[1] = {kCatalogDataPage};
  maps[16] = {7};
  maps[17] = {8};
  maps[18] = maps[19] = {kAceDataPage};
  maps[20] = {9};
  maps[25] = {10};
  maps[28] = {11};
  maps[29] = {12};
  maps[30] = {13};
  for (const auto& set : maps) mapPage.AddRow(InlineMapRow(0, set));

  // ---- global page map (page 1): bit set = page free ----
  DataPage globalPage(1);
  std::vector<uint32_t> freePages;
  for (uint32_t p = pageCount; p < 8 * kInlineMapBitmapBytes; ++p) freePages.push_back(p);
  globalPage.AddRow(InlineMapRow(0, freePages));
  globalPage.AddRow(std::string(kInlineMapRowSize, '\0'));

  std::string header;
  PutHeader(header, layout.codePage, layout.sortOrder, created);

  std::string file;
  file += header;
  file += globalPage.bytes();
  file += BuildTdefPage(objects);
  file += BuildTdefPage(aces);
  file += BuildTdefPage(queries);
  file += BuildTdefPage(relationships);
  file += mapPage.bytes();
  file += BuildLeafPage(2, parentNameEntries);
  file += BuildLeafPage(2, idEntries);
  file += BuildLeafPage(3, aceEntries);
  file += BuildLeafPage(4, {});
  file += BuildLeafPage(5, {});
  file += BuildLeafPage(5, {});
  file += BuildLeafPage(5, {});
  file += catalogPage.bytes();
  file += acePage.bytes();
  if (layout.historyTable) file += BuildTdefPage(history);
  return file;
}

}  // namespace jet::writer

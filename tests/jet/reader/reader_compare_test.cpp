// Every table of every fixture, read by our engine and by two independent readers, mdbtools (mdb-json,
// mdb-tables) and the npm package mdb-reader (tests/readers/dump.mjs), compared value by value.
//
// How values are compared (the readers disagree with each other in places):
//   NULL            a missing key (mdb-json leaves NULL out) or null.
//   Boolean         mdb-json prints 1/0, mdb-reader true/false.
//   Byte..Long      the same integer.
//   Currency, Numeric  the same number (to 1e-9, relative); no fixture has one.
//   Single, Double  mdb-reader: the same double, bit for bit; mdb-json prints fewer digits: to 1e-6,
//   relative. DateTime        mdb-json (run with -T "%Y-%m-%d %H:%M:%S"): the same text to the second, as
//   ToText() rounds;
//                   mdb-reader gives milliseconds (a JS Date): within 1 ms of our OLE date.
//   Text, Memo      the same UTF-8 text, control characters and U+0000 included; mdb-json handles Text values
//                   as C strings, so against it a Text value is compared up to its first U+0000.
//   Binary, OLE     the same bytes: base64 (mdb-reader) or {"$binary": base64} (mdb-json); mdb-json cuts
//   Binary
//                   (not OLE) values at their first zero byte, so against it they are compared up to there.
//   GUID            the same 32 hex digits: mdb-reader prints them lower-case without braces, mdb-json as the
//                   bytes of the braced text, we as "{...}".
//   Type 0x11       (MSysAccessObjects.Data, Access's own fixed binary): mdb-json leaves it out and
//   mdb-reader
//                   refuses the table ("Unsupported column type"), so the column is not compared and that
//                   table is compared with mdb-json only.
// Rows are compared as multisets: both readers list overflow rows (fixture 05) after the page they are on,
// where the engine reads them in slot order (reader_fixture_test.cpp checks that order).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <set>

#include "history/jet/database.h"
#include "tests/jet/reader/json_reader.h"
#include "tests/jet/reader/reader_test_support.h"

namespace {

using jet::ColumnType;
using jet_test::Json;

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr)
    return out;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0)
    out.append(buf, n);
  pclose(p);
  return out;
}

std::string Quote(const std::string& s) {
  return "'" + s + "'";
}

std::string Base64(const std::string& bytes) {
  static const char k[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size())
      v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size())
      v |= static_cast<uint8_t>(bytes[i + 2]);
    out += k[v >> 18];
    out += k[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? k[(v >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? k[v & 63] : '=';
  }
  return out;
}

std::string Base64Decode(const std::string& text) {
  std::string out;
  uint32_t acc = 0;
  int bits = 0;
  for (char c : text) {
    int v;
    if (c >= 'A' && c <= 'Z')
      v = c - 'A';
    else if (c >= 'a' && c <= 'z')
      v = c - 'a' + 26;
    else if (c >= '0' && c <= '9')
      v = c - '0' + 52;
    else if (c == '+')
      v = 62;
    else if (c == '/')
      v = 63;
    else
      continue;
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((acc >> bits) & 0xFF);
    }
  }
  return out;
}

std::string HexDigits(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (std::isxdigit(static_cast<unsigned char>(c)))
      out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

bool Close(double a, double b, double relative) {
  return a == b || std::fabs(a - b) <= relative * std::max(std::fabs(a), std::fabs(b));
}

// Milliseconds since 1970 of an ISO "YYYY-MM-DDTHH:MM:SS.mmmZ".
double IsoToMilliseconds(const std::string& iso) {
  int y, mo, d, h, mi;
  double s;
  if (std::sscanf(iso.c_str(), "%d-%d-%dT%d:%d:%lfZ", &y, &mo, &d, &h, &mi, &s) != 6)
    return NAN;
  y -= mo <= 2;
  long era = (y >= 0 ? y : y - 399) / 400;
  long yoe = y - era * 400;
  long doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  double days = static_cast<double>(era * 146097 + doe - 719468);
  return ((days * 24 + h) * 60 + mi) * 60000.0 + s * 1000.0;
}

enum class Reader { MdbJson, MdbReader };

// Whether the independent reader's JSON value `j` (nullptr: key missing) is our value `v`.
bool Same(const jet::Value& v, const Json* j, Reader reader) {
  bool jnull = j == nullptr || j->kind == Json::Null;
  if (v.IsNull())
    return jnull;
  if (jnull)
    return false;
  switch (v.type()) {
    case ColumnType::Boolean:
      return j->kind == Json::Bool ? j->boolean == v.AsBoolean()
                                   : j->kind == Json::Number && (j->number != 0) == v.AsBoolean();
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
      return j->kind == Json::Number && j->number == static_cast<double>(v.AsInteger());
    case ColumnType::Currency:
    case ColumnType::Numeric: {
      double theirs = j->kind == Json::Number ? j->number : std::strtod(j->text.c_str(), nullptr);
      return Close(std::strtod(v.ToUtf8().c_str(), nullptr), theirs, 1e-9);
    }
    case ColumnType::Single:
    case ColumnType::Double:
      if (j->kind != Json::Number)
        return false;
      return reader == Reader::MdbReader ? j->number == v.AsDouble() : Close(j->number, v.AsDouble(), 1e-6);
    case ColumnType::DateTime: {
      if (j->kind != Json::String)
        return false;
      if (reader == Reader::MdbReader) {
        double ours = (v.AsDouble() - 25569.0) * 86400000.0;
        return std::fabs(ours - IsoToMilliseconds(j->text)) <= 1.0;
      }
      std::string ours = v.ToUtf8();
      if (ours.size() == 10)
        ours += " 00:00:00";
      return ours == j->text;
    }
    case ColumnType::Text:
    case ColumnType::Memo: {
      std::string ours = v.ToUtf8();
      if (reader == Reader::MdbJson && v.type() == ColumnType::Text)
        ours = ours.substr(0, ours.find('\0'));
      return j->kind == Json::String && j->text == ours;
    }
    case ColumnType::Guid: {
      std::string theirs = j->kind == Json::String ? j->text : "";
      if (const Json* b = j->Find("$binary"))
        theirs = Base64Decode(b->text);
      return HexDigits(theirs) == HexDigits(v.ToUtf8());
    }
    default: {  // Binary, OLE
      std::string theirs = j->kind == Json::String ? j->text : "";
      if (const Json* b = j->Find("$binary"))
        theirs = b->text;
      std::string ours = v.AsBytes();
      if (reader == Reader::MdbJson && v.type() == ColumnType::Binary)
        ours = ours.substr(0, ours.find('\0'));
      return theirs == Base64(ours);
    }
  }
}

std::string Describe(const std::vector<jet::Column>& columns, const std::vector<jet::Value>& row) {
  std::string out;
  for (size_t i = 0; i < row.size(); ++i)
    out += jet_test::U8(columns[i].name) + "=" + row[i].ToUtf8() + " ";
  return out;
}

// Matches our rows against theirs as multisets; reports the rows of ours that have no partner.
void CompareRows(const std::string& what, const std::vector<jet::Column>& columns,
                 const std::vector<std::vector<jet::Value>>& ours, const std::vector<const Json*>& theirs,
                 Reader reader) {
  ASSERT_EQ(ours.size(), theirs.size()) << what << ": row count";
  std::vector<bool> used(theirs.size(), false);
  for (const auto& row : ours) {
    bool found = false;
    for (size_t k = 0; k < theirs.size() && !found; ++k) {
      if (used[k])
        continue;
      bool all = true;
      for (size_t c = 0; c < columns.size() && all; ++c) {
        if (columns[c].typeCode == 0x11)
          continue;
        all = Same(row[c], theirs[k]->Find(jet_test::U8(columns[c].name)), reader);
      }
      if (all)
        used[k] = found = true;
    }
    EXPECT_TRUE(found) << what << ": no row like ours: " << Describe(columns, row);
  }
}

class IndependentReaders : public testing::TestWithParam<std::string> {
 protected:
  std::string path_ = jet_test::FixturePath(GetParam());
};

TEST_P(IndependentReaders, ListTheSameTables) {
  auto db = jet::Database::Open(path_, jet::OpenMode::ReadOnly);
  ASSERT_TRUE(db.ok()) << db.message();
  std::string user, all;
  for (const auto& n : db->UserTableNames())
    user += jet_test::U8(n) + "\n";
  std::multiset<std::string> ours, theirs;
  for (const auto& n : db->AllTableNames())
    ours.insert(jet_test::U8(n));
  EXPECT_EQ(user, RunCommand("mdb-tables -1 " + Quote(path_)));
  std::string system = RunCommand("mdb-tables -S -1 " + Quote(path_));
  for (size_t start = 0, end; (end = system.find('\n', start)) != std::string::npos; start = end + 1) {
    theirs.insert(system.substr(start, end - start));
  }
  EXPECT_EQ(ours, theirs);

  Json listed;
  std::string out = RunCommand("node " + Quote(std::string(QUILLET_SOURCE_DIR) + "/tests/readers/dump.mjs") +
                               " " + Quote(path_));
  ASSERT_TRUE(jet_test::JsonParser(out).Parse(listed)) << out;
  std::string fromReader;
  for (const auto& t : listed.Find("tables")->items)
    fromReader += t.text + "\n";
  EXPECT_EQ(user, fromReader);
}

TEST_P(IndependentReaders, ReadTheSameValues) {
  auto db = jet::Database::Open(path_, jet::OpenMode::ReadOnly);
  ASSERT_TRUE(db.ok()) << db.message();
  for (const auto& name : db->AllTableNames()) {
    std::string table = jet_test::U8(name);
    SCOPED_TRACE(GetParam() + " " + table);
    auto t = db->FindTable(name);
    ASSERT_TRUE(t.ok()) << t.message();
    auto ours = t->ReadAllRows();
    ASSERT_TRUE(ours.ok()) << ours.message();
    bool hasUnsupported = false;
    for (const auto& c : t->columns())
      hasUnsupported |= c.typeCode == 0x11;

    // mdb-json: one object per line.
    std::string lines =
        RunCommand("mdb-json -T '%Y-%m-%d %H:%M:%S' " + Quote(path_) + " " + Quote(table) + " 2>/dev/null");
    std::vector<Json> mdbRows;
    jet_test::JsonParser parser(lines);
    while (!parser.AtEnd()) {
      Json row;
      ASSERT_TRUE(parser.Parse(row)) << "mdb-json output: " << lines.substr(0, 400);
      mdbRows.push_back(std::move(row));
    }
    std::vector<const Json*> mdbPointers;
    for (const auto& r : mdbRows)
      mdbPointers.push_back(&r);
    CompareRows("mdb-json", t->columns(), *ours, mdbPointers, Reader::MdbJson);

    // mdb-reader: {columns, rows}.
    if (hasUnsupported)
      continue;
    std::string dumped =
        RunCommand("node " + Quote(std::string(QUILLET_SOURCE_DIR) + "/tests/readers/dump.mjs") + " " +
                   Quote(path_) + " " + Quote(table));
    Json doc;
    ASSERT_TRUE(jet_test::JsonParser(dumped).Parse(doc)) << "mdb-reader output: " << dumped.substr(0, 400);
    const Json* columns = doc.Find("columns");
    ASSERT_NE(columns, nullptr);
    ASSERT_EQ(columns->items.size(), t->columns().size());
    for (size_t i = 0; i < columns->items.size(); ++i) {
      EXPECT_EQ(columns->items[i].Find("name")->text, jet_test::U8(t->columns()[i].name)) << "column order";
    }
    std::vector<const Json*> readerRows;
    for (const auto& r : doc.Find("rows")->items)
      readerRows.push_back(&r);
    CompareRows("mdb-reader", t->columns(), *ours, readerRows, Reader::MdbReader);
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, IndependentReaders, testing::ValuesIn(jet_test::FixtureNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           return "f" + info.param.substr(0, 2);
                         });

}  // namespace

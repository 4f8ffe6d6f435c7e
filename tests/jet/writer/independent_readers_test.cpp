// What we write, read back by two independent readers: mdbtools (mdb-ver, mdb-tables, mdb-json) and
// the npm package mdb-reader (tests/readers/dump.mjs). Also quillet-db create/import/check end to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "history/jet/append_row.h"
#include "history/jet/database.h"
#include "tests/jet/writer/json_lite.h"
#include "tests/jet/writer/row_cases.h"
#include "tests/jet/writer/writer_test_support.h"

namespace jet_writer_test {
namespace {

struct Output {
  int status = -1;
  std::string text;
};

Output Shell(const std::string& command) {
  Output out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.text.append(buffer, n);
  out.status = pclose(pipe);
  return out;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Rows of `table` as mdb-json prints them (one object per line; NULL columns left out).
std::vector<TextRow> MdbJsonRows(const std::string& path, const std::string& table, const std::vector<std::string>& columns) {
  Output out = Shell("mdb-json " + Quote(path) + " " + Quote(table));
  EXPECT_EQ(out.status, 0) << out.text.substr(0, 300);
  std::vector<TextRow> rows;
  size_t at = 0;
  while (at < out.text.size()) {
    size_t end = out.text.find("}\n", at);
    end = end == std::string::npos ? out.text.size() : end + 1;
    std::string_view line(out.text.data() + at, end - at);
    at = end + 1;
    if (line.find_first_not_of(" \r\n") == std::string_view::npos) continue;
    Json j;
    if (!JsonParser(line).Parse(j)) {
      ADD_FAILURE() << "mdb-json printed something that is no JSON: " << std::string(line.substr(0, 200));
      break;
    }
    TextRow r;
    for (const auto& c : columns) {
      const Json* v = j.Member(c);
      r.push_back(v && v->kind != Json::Null ? std::optional<std::u16string>(U(v->text)) : std::nullopt);
    }
    rows.push_back(r);
  }
  return rows;
}

// Rows as mdb-reader sees them.
std::vector<TextRow> MdbReaderRows(const std::string& path, const std::string& table, const std::vector<std::string>& columns) {
  Output out = Shell("node " + Quote(std::string(QUILLET_SOURCE_DIR) + "/tests/readers/dump.mjs") + " " + Quote(path) + " " + Quote(table));
  EXPECT_EQ(out.status, 0) << out.text.substr(0, 300);
  Json j;
  std::vector<TextRow> rows;
  if (!JsonParser(out.text).Parse(j) || !j.Member("rows")) {
    ADD_FAILURE() << "mdb-reader: " << out.text.substr(0, 300);
    return rows;
  }
  for (const auto& row : j.Member("rows")->items) {
    TextRow r;
    for (const auto& c : columns) {
      const Json* v = row.Member(c);
      r.push_back(v && v->kind != Json::Null ? std::optional<std::u16string>(U(v->text)) : std::nullopt);
    }
    rows.push_back(r);
  }
  return rows;
}

// Narrow literals are code page 936 in this build, so UTF-8 texts are made from UTF-16 ones.
std::string Describe(const TextRow& r) {
  std::string out;
  for (const auto& v : r) out += v ? "[" + std::to_string(v->size()) + ": " + jet::ToUtf8(v->substr(0, 20)) + "]" : "[NULL]";
  return out;
}

// mdb-json prints no member for an empty text (as for NULL) and cuts values at its bind buffer of
// 200 000 bytes (199 999 bytes of UTF-8 and the terminator); mdb-export does the same.
std::vector<TextRow> AsMdbJsonPrintsThem(std::vector<TextRow> rows) {
  for (auto& r : rows)
    for (auto& v : r) {
      if (v && v->empty()) v.reset();
      if (v && jet::ToUtf8(*v).size() > 199999) v = U(jet::ToUtf8(*v).substr(0, 199999));
    }
  return rows;
}

const std::vector<std::string> kHistoryColumns = {"ID", jet::ToUtf8(u"时间"), jet::ToUtf8(u"文本")};

std::vector<TextRow> Sorted(std::vector<TextRow> rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

// `sortedForMdbTools`: mdbtools and mdb-reader return the rows that live in overflow slots (fixture
// 05) after the others, so for such a table only the set of rows is compared with them.
void ExpectAllReadersAgree(const std::string& path, const std::string& table, const std::vector<std::string>& columns,
                           const std::vector<TextRow>& expected, bool sortedForMdbTools = false) {
  uint32_t count = 0;
  EXPECT_EQ(EngineRows(path, U(table), &count), expected) << "our engine";
  EXPECT_EQ(count, expected.size());
  auto json = MdbJsonRows(path, table, columns);
  EXPECT_EQ(json.size(), expected.size());
  std::vector<TextRow> asMdbJson = AsMdbJsonPrintsThem(expected);
  if (sortedForMdbTools) {
    json = Sorted(json);
    asMdbJson = Sorted(asMdbJson);
  }
  for (size_t i = 0; i < std::min(json.size(), expected.size()); ++i)
    EXPECT_TRUE(json[i] == asMdbJson[i]) << "mdb-json differs in row " << i << ": " << Describe(json[i]) << " vs " << Describe(asMdbJson[i]);
  auto reader = MdbReaderRows(path, table, columns);
  EXPECT_EQ(reader.size(), expected.size());
  std::vector<TextRow> asMdbReader = expected;
  if (sortedForMdbTools) {
    reader = Sorted(reader);
    asMdbReader = Sorted(asMdbReader);
  }
  for (size_t i = 0; i < std::min(reader.size(), expected.size()); ++i)
    EXPECT_TRUE(reader[i] == asMdbReader[i]) << "mdb-reader differs in row " << i;
  ExpectNoDamage(path);
}

TEST(IndependentReaders, SeeTheFreshDatabase) {
  TempDir dir;
  const std::string path = dir.File("Data.mdb");
  ASSERT_TRUE(jet::CreateHistoryDatabase(path, false).ok());
  EXPECT_EQ(Shell("mdb-ver " + Quote(path)).text, "JET4\n");
  EXPECT_EQ(Shell("mdb-tables -1 " + Quote(path)).text, "Data\n");
  EXPECT_EQ(Shell("mdb-tables -S -1 " + Quote(path)).text, "MSysObjects\nMSysACEs\nMSysQueries\nMSysRelationships\nData\n");
  Output schema = Shell("mdb-schema " + Quote(path) + " access");
  EXPECT_NE(schema.text.find(jet::ToUtf8(u"[时间]\t\t\tText (255)")), std::string::npos) << schema.text;
  EXPECT_NE(schema.text.find(jet::ToUtf8(u"[文本]\t\t\tMemo/Hyperlink")), std::string::npos) << schema.text;
  EXPECT_EQ(Shell("node " + Quote(std::string(QUILLET_SOURCE_DIR) + "/tests/readers/dump.mjs") + " " + Quote(path)).text,
            "{\"tables\":[\"Data\"]}\n");
  ExpectAllReadersAgree(path, "Data", kHistoryColumns, {});
}

TEST(IndependentReaders, SeeEveryKindOfValue) {
  TempDir dir;
  const std::string path = dir.File("Data.mdb");
  ASSERT_TRUE(jet::CreateHistoryDatabase(path, false).ok());
  std::vector<TextRow> expected;
  {
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    for (const auto& c : RowCases()) {
      ASSERT_TRUE(db->AppendRow(u"Data", ToValues(c.values)).ok()) << c.name;
      expected.push_back(c.values);
    }
  }
  ExpectAllReadersAgree(path, "Data", kHistoryColumns, expected);
}

TEST(IndependentReaders, SeeAHundredThousandRows) {
  TempDir dir;
  const std::string path = dir.File("Data.mdb");
  ASSERT_TRUE(jet::CreateHistoryDatabase(path, false).ok());
  std::vector<TextRow> expected;
  {
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    jet::writer::AppendOptions quick;
    quick.flush = false;
    for (int i = 0; i < 100000; ++i) {
      TextRow r = {U(std::to_string(i)), U("2017-11-06 18:09:33"), Stored(u"文本 " + U(std::to_string(i)))};
      if (i % 1000 == 7) r[2] = Repeat(u"长", 900 + i / 1000);  // now and then an LVAL row
      ASSERT_TRUE(jet::writer::AppendRowWithOptions(*db, u"Data", ToValues(r), quick).ok());
      expected.push_back(r);
    }
  }
  ExpectAllReadersAgree(path, "Data", kHistoryColumns, expected);
}

struct FixtureTable {
  const char* file;
  const char* table;
};

std::vector<std::string> ColumnNames(const std::string& path, const std::string& table) {
  std::vector<std::string> names;
  auto db = jet::Database::Open(path, jet::OpenMode::ReadOnly);
  auto t = db->FindTable(U(table));
  EXPECT_TRUE(t.ok());
  if (t)
    for (const auto& c : t->columns()) names.push_back(jet::ToUtf8(c.name));
  return names;
}

class IndependentReadersOnAccessFiles : public ::testing::TestWithParam<FixtureTable> {};

TEST_P(IndependentReadersOnAccessFiles, SeeOldAndAppendedRows) {
  TempDir dir;
  const std::string path = dir.File("copy.mdb");
  fs::copy_file(Fixture(GetParam().file), path);
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  std::vector<TextRow> expected = EngineRows(path, U(GetParam().table));
  const std::vector<std::string> columns = ColumnNames(path, GetParam().table);
  ASSERT_EQ(Sorted(MdbJsonRows(path, GetParam().table, columns)), Sorted(expected));
  {
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    for (int i = 0; i < 200; ++i) {
      TextRow r;
      std::vector<jet::Value> values;
      for (size_t c = 0; c < columns.size(); ++c) {
        std::optional<std::u16string> v;
        if ((i + c) % 3 == 0) v = u"中文" + U(std::to_string(i));
        else if ((i + c) % 3 == 1) v = Repeat(u"z", 50);
        r.push_back(v);
        values.push_back(v ? jet::Value::Text(*v) : jet::Value::Null());
      }
      ASSERT_TRUE(db->AppendRow(U(GetParam().table), values).ok());
      expected.push_back(r);
    }
  }
  ExpectAllReadersAgree(path, GetParam().table, columns, expected, true);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, IndependentReadersOnAccessFiles,
    ::testing::Values(FixtureTable{"04-deleted-rows.mdb", "Table"}, FixtureTable{"05-overflow-rows-nulls.mdb", "Table1"}),
    [](const auto& info) { return std::string(info.param.file).substr(0, 2); });

TEST(QuilletDbTool, CreatesImportsAndChecks) {
  TempDir dir;
  const std::string tool = Quote(std::string(QUILLET_BIN_DIR) + "/quillet-db");
  const std::string path = dir.File("Data.mdb");
  EXPECT_EQ(Shell(tool + " create " + Quote(path)).status, 0);
  EXPECT_NE(Shell(tool + " create " + Quote(path) + " 2>/dev/null").status, 0);
  EXPECT_EQ(Shell(tool + " create " + Quote(path) + " --force").status, 0);
  WriteBytes(dir.File("in.jsonl"),
             "{\"id\": \"5\", \"time\": \"2017-11-06 18:09:33\", \"text\": \"abc\"}\n"
             "{\"id\": 6, \"time\": null, \"text\": \"\\u4e2d\"}\n");
  Output imported = Shell(tool + " import " + Quote(path) + " < " + Quote(dir.File("in.jsonl")));
  EXPECT_EQ(imported.status, 0) << imported.text;
  ExpectAllReadersAgree(path, "Data", kHistoryColumns,
                        {{u"5", u"2017-11-06 18:09:33", u"YWJjAA=="}, {u"6", std::nullopt, u"5LitAA=="}});
  EXPECT_EQ(Shell(tool + " check " + Quote(path) + " >/dev/null").status, 0);
  std::string bytes = ReadBytes(path);
  bytes[16 * 4096 + 16] = 9;  // a row count that no interrupted append explains
  WriteBytes(path, bytes);
  Output damaged = Shell(tool + " check " + Quote(path));
  EXPECT_NE(damaged.status, 0);
  EXPECT_NE(damaged.text.find("damage: table Data: row count 9"), std::string::npos) << damaged.text;
}

}  // namespace
}  // namespace jet_writer_test

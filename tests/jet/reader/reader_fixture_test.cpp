// What the engine reads from the Access-made fixtures: tables, columns, rows in table order, deleted and
// overflow rows, NULLs, compressed and Chinese text, long values in each storage form, and the files it
// must refuse. (The value-by-value comparison with mdbtools and mdb-reader is reader_compare_test.cpp.)
#include <gtest/gtest.h>

#include <map>

#include "history/jet/database.h"
#include "tests/jet/reader/reader_test_support.h"

namespace {

using jet::ColumnType;
using jet::Database;
using jet::OpenMode;
using jet::Value;
using jet_test::FixturePath;
using jet_test::U8;

Database OpenFixture(const std::string& name) {
  auto db = Database::Open(FixturePath(name), OpenMode::ReadOnly);
  EXPECT_TRUE(db.ok()) << db.message();
  return std::move(db).value();
}

std::vector<std::vector<Value>> Rows(const Database& db, std::u16string_view table) {
  auto t = db.FindTable(table);
  EXPECT_TRUE(t.ok()) << t.message();
  if (!t)
    return {};
  auto rows = t->ReadAllRows();
  EXPECT_TRUE(rows.ok()) << rows.message();
  return rows ? *rows : std::vector<std::vector<Value>>{};
}

std::vector<std::string> Texts(const std::vector<std::vector<Value>>& rows, size_t column) {
  std::vector<std::string> out;
  for (const auto& r : rows)
    out.push_back(r[column].IsNull() ? "<null>" : r[column].ToUtf8());
  return out;
}

struct TablesCase {
  const char* file;
  std::vector<std::string> userTables;
};

class UserTables : public testing::TestWithParam<TablesCase> {};

TEST_P(UserTables, ListsTheUserTablesOfTheCatalog) {
  Database db = OpenFixture(GetParam().file);
  std::vector<std::string> names;
  for (const auto& n : db.UserTableNames())
    names.push_back(U8(n));
  EXPECT_EQ(names, GetParam().userTables);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, UserTables,
                         testing::Values(TablesCase{"01-blank-jet-adox.mdb", {}},
                                         TablesCase{"02-blank-jet-chinese-locale.mdb", {}},
                                         TablesCase{"03-blank-access2000.mdb", {}},
                                         TablesCase{"04-deleted-rows.mdb", {"Table"}},
                                         TablesCase{"05-overflow-rows-nulls.mdb", {"Table1"}},
                                         TablesCase{"07-unicode-compression-cjk.mdb", {"Table"}},
                                         TablesCase{"08-chinese-text-access2007.mdb", {"Users"}}));

TEST(ReaderFixtures, EveryTableOfEveryFixtureReadsAndMatchesItsRowCount) {
  for (const auto& file : jet_test::FixtureNames()) {
    Database db = OpenFixture(file);
    for (const auto& name : db.AllTableNames()) {
      auto t = db.FindTable(name);
      ASSERT_TRUE(t.ok()) << file << ": " << t.message();
      auto rows = t->ReadAllRows();
      ASSERT_TRUE(rows.ok()) << file << " " << U8(name) << ": " << rows.message();
      EXPECT_EQ(rows->size(), t->RowCount()) << file << " " << U8(name);
      for (const auto& r : *rows)
        EXPECT_EQ(r.size(), t->columns().size());
    }
  }
}

TEST(ReaderFixtures, FindsTablesCaseInsensitivelyAndReportsMissingOnes) {
  Database db = OpenFixture("08-chinese-text-access2007.mdb");
  for (std::u16string_view name : {u"Users", u"users", u"USERS", u"msysobjects"}) {
    auto t = db.FindTable(name);
    EXPECT_TRUE(t.ok()) << U8(name) << ": " << t.message();
  }
  auto missing = db.FindTable(u"Data");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.message(), "no table named \"Data\"");
}

TEST(ReaderFixtures, ColumnsComeInColumnNumberOrderWithTheirDefinitions) {
  Database db = OpenFixture("08-chinese-text-access2007.mdb");
  auto t = db.FindTable(u"Users");
  ASSERT_TRUE(t.ok()) << t.message();
  const auto& c = t->columns();
  ASSERT_EQ(c.size(), 5u);
  std::vector<std::string> names;
  for (const auto& col : c)
    names.push_back(U8(col.name));
  EXPECT_EQ(names,
            (std::vector<std::string>{"UserId", "UserName", "UserSex", "UserBirthday", "UserMarried"}));
  EXPECT_EQ(c[0].type(), ColumnType::Long);
  EXPECT_TRUE(c[0].IsAutoNumber());
  EXPECT_EQ(c[1].type(), ColumnType::Text);
  EXPECT_EQ(c[1].MaxCharacters(), 255);
  EXPECT_TRUE(c[1].AllowsCompression());
  EXPECT_EQ(c[3].type(), ColumnType::DateTime);
  EXPECT_EQ(c[4].type(), ColumnType::Boolean);
  for (size_t i = 1; i < c.size(); ++i)
    EXPECT_LT(c[i - 1].number, c[i].number);
  EXPECT_EQ(t->RowCount(), 3u);
  EXPECT_EQ(db.CodePage(), 936);

  // Jet-made system tables list their descriptors alphabetically; the columns still come by number.
  auto objects = db.FindTable(u"MSysObjects");
  ASSERT_TRUE(objects.ok());
  EXPECT_EQ(U8(objects->columns()[0].name), "Id");
  EXPECT_EQ(U8(objects->columns()[2].name), "Name");
  EXPECT_TRUE(objects->IsSystemTable());
}

TEST(ReaderFixtures, ChineseTextDatesAndBooleansWithTheirTextForms) {
  Database db = OpenFixture("08-chinese-text-access2007.mdb");
  auto rows = Rows(db, u"Users");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(Texts(rows, 1),
            (std::vector<std::string>{"Nuintun", "Angela", "\xE5\xBC\xA0\xE4\xB8\x89" /* 张三 */}));
  EXPECT_EQ(rows[2][2].AsText(), u"\u7537");  // 男
  EXPECT_EQ(Texts(rows, 0), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(Texts(rows, 3), (std::vector<std::string>{"1989-01-25", "1988-12-18", "1986-12-18"}));
  EXPECT_EQ(Texts(rows, 4), (std::vector<std::string>{"-1", "0", "-1"}));
  EXPECT_TRUE(rows[0][4].AsBoolean());
  EXPECT_EQ(rows[0][0].AsInteger(), 1);
  EXPECT_DOUBLE_EQ(rows[0][3].AsDouble(), 32533.0);  // 1989-01-25 as an OLE date
}

TEST(ReaderFixtures, DeletedRowsAreSkipped) {
  Database db = OpenFixture("04-deleted-rows.mdb");
  auto rows = Rows(db, u"Table");
  EXPECT_EQ(Texts(rows, 0), (std::vector<std::string>{"z", "v"}));
  EXPECT_EQ(Texts(rows, 1), (std::vector<std::string>{"y", "u"}));
}

TEST(ReaderFixtures, OverflowRowsAreReadWhereTheirSlotIsAndNullsStayNull) {
  // Page 27 holds seven slots; slots 2 and 4 point to rows on pages 28 and 31. Table order is slot order.
  Database db = OpenFixture("05-overflow-rows-nulls.mdb");
  auto rows = Rows(db, u"Table1");
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(Texts(rows, 0), (std::vector<std::string>{"row1col1", "row2col1", "<null>", "row4col1", "<null>",
                                                      "<null>", "row7col1"}));
  EXPECT_EQ(Texts(rows, 1), (std::vector<std::string>{"<null>", "row2col3", "row3col3", "row4col2",
                                                      "row5col2", "row6col2", "<null>"}));
  EXPECT_EQ(rows[2][7].ToUtf8(), "row3col9");
  EXPECT_TRUE(rows[0][8].IsNull());
  EXPECT_EQ(rows[0][8].type(), ColumnType::Text);
  EXPECT_EQ(rows[0][8].ToText(), u"");
}

TEST(ReaderFixtures, CompressedAndPlainUnicodeText) {
  Database db = OpenFixture("07-unicode-compression-cjk.mdb");
  auto rows = Rows(db, u"Table");
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(rows[0][1].AsText(), u"only ascii chars");                                  // compressed
  EXPECT_EQ(rows[1][1].AsText(), u"\u00e4\u00e4kk\u00f6si\u00e4");                      // compressed Latin-1
  EXPECT_EQ(rows[2][1].AsText(), u"\u041c\u0438\u0440");                                // Cyrillic, plain
  EXPECT_EQ(rows[4][1].AsText(), u"\u6f22\u5b57\u4eee\u540d\u4ea4\u3058\u308a\u6587");  // Japanese, plain
  std::u16string all;
  for (char16_t c = 1; c <= 0xFF; ++c)
    all.push_back(c);
  EXPECT_EQ(rows[7][1].AsText(), all);  // every code point 0x01..0xFF, compressed
}

TEST(ReaderFixtures, LongValuesInEachStorageForm) {
  Database db03 = OpenFixture("03-blank-access2000.mdb");
  auto objects = db03.FindTable(u"MSysObjects");
  ASSERT_TRUE(objects.ok());
  int name = objects->ColumnIndex(u"Name"), prop = objects->ColumnIndex(u"lvprop");
  ASSERT_GE(prop, 0);
  std::map<std::string, size_t> sizes;
  ASSERT_TRUE(objects
                  ->ForEachRow([&](const std::vector<Value>& r) {
                    if (!r[prop].IsNull())
                      sizes[r[name].ToUtf8()] = r[prop].AsBytes().size();
                    EXPECT_EQ(r[prop].type(), ColumnType::Ole);
                    return true;
                  })
                  .ok());
  EXPECT_EQ(sizes["AccessLayout"], 52u);  // inline in the row
  EXPECT_EQ(sizes["UserDefined"], 65u);   // one LVAL row
  EXPECT_EQ(sizes["SummaryInfo"], 162u);  // one LVAL row
  EXPECT_EQ(sizes["MSysDb"], 92u);

  Database db07 = OpenFixture("07-unicode-compression-cjk.mdb");
  auto map = Rows(db07, u"MSysNameMap");
  ASSERT_EQ(map.size(), 1u);
  const std::string& chain = map[0][3].AsBytes();  // a one-element LVAL chain
  ASSERT_EQ(chain.size(), 198u);
  EXPECT_EQ(chain.substr(0, 4), std::string("\x05\0\0\0", 4));
  EXPECT_EQ(map[0][0].ToUtf8(), "{BF8178D4-EB98-47A3-9EDA-6D21C326C5C8}");  // GUID column
}

TEST(ReaderFixtures, CursorAndVisitorAgree) {
  Database db = OpenFixture("05-overflow-rows-nulls.mdb");
  auto t = db.FindTable(u"Table1");
  ASSERT_TRUE(t.ok());
  jet::RowCursor cursor = t->Rows();
  std::vector<Value> row;
  std::vector<std::vector<Value>> seen;
  while (true) {
    auto more = cursor.Next(row);
    ASSERT_TRUE(more.ok()) << more.message();
    if (!*more)
      break;
    seen.push_back(row);
  }
  auto again = cursor.Next(row);
  ASSERT_TRUE(again.ok());
  EXPECT_FALSE(*again);
  EXPECT_EQ(seen, *t->ReadAllRows());
  int visited = 0;
  ASSERT_TRUE(t->ForEachRow([&](const std::vector<Value>&) { return ++visited < 3; }).ok());
  EXPECT_EQ(visited, 3);
}

TEST(ReaderFixtures, ADatabasePasswordIsRefused) {
  auto db = Database::Open(FixturePath("10-password.mdb"), OpenMode::ReadOnly);
  ASSERT_FALSE(db.ok());
  EXPECT_NE(db.message().find("page 0: the database has a password"), std::string::npos) << db.message();
}

TEST(ReaderFixtures, AMissingFileIsAnError) {
  jet_test::TempDir dir;
  auto db = Database::Open(dir.File("none.mdb"), OpenMode::ReadOnly);
  ASSERT_FALSE(db.ok());
  EXPECT_NE(db.message().find("none.mdb"), std::string::npos) << db.message();
}

TEST(ReaderFixtures, ReadOnlyOpenNeverWritesAndLetsOthersIn) {
  jet_test::TempDir dir;
  std::string path = dir.File("copy.mdb");
  std::string original = jet_test::ReadBytes(FixturePath("05-overflow-rows-nulls.mdb"));
  jet_test::WriteBytes(path, original);
  auto reader = Database::Open(path, OpenMode::ReadOnly);
  ASSERT_TRUE(reader.ok()) << reader.message();
  auto second = Database::Open(path, OpenMode::ReadOnly);
  EXPECT_TRUE(second.ok()) << second.message();
  auto writer = jet::FileSystem::Native().Open(path, OpenMode::ReadWrite);  // a writer may still come in
  EXPECT_TRUE(writer.ok()) << writer.message();
  auto otherWriter = jet::FileSystem::Native().Open(path, OpenMode::ReadWrite);  // but only one
  EXPECT_FALSE(otherWriter.ok());
  EXPECT_TRUE(jet_test::ReadEverything(std::move(reader)).ok());
  EXPECT_EQ(jet_test::ReadBytes(path), original);
}

TEST(ReaderFixtures, OpensFromMemory) {
  size_t rows = 0;
  auto s = jet_test::ReadEverythingInMemory(
      jet_test::ReadBytes(FixturePath("07-unicode-compression-cjk.mdb")), &rows);
  EXPECT_TRUE(s.ok()) << s.message();
  EXPECT_GT(rows, 100u);
}

}  // namespace

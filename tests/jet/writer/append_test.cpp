// Appending rows: values of every length and kind the history uses come back exactly, through our
// engine, after the file is closed and opened again; refused values leave the file untouched; the
// file grows past what one inline usage map covers; Access-made tables take rows too.
#include <gtest/gtest.h>

#include "history/codec/stored_text_codec.h"
#include "history/jet/append_row.h"
#include "history/jet/database.h"
#include "history/jet/write_page.h"
#include "tests/jet/writer/row_cases.h"
#include "tests/jet/writer/writer_test_support.h"

namespace jet_writer_test {
namespace {

class AppendRoundTrip : public ::testing::TestWithParam<RowCase> {};

TEST_P(AppendRoundTrip, ValuesComeBackAfterReopening) {
  TempDir dir;
  const std::string path = dir.File("Data.mdb");
  ASSERT_TRUE(jet::CreateHistoryDatabase(path, false).ok());
  const TextRow before = {u"a", u"b", u"c"}, after = {u"y", u"z", u"after"};
  {
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    ASSERT_TRUE(db.ok()) << db.message();
    for (const auto& r : {before, GetParam().values, GetParam().values, after}) {
      jet::Status s = db->AppendRow(u"Data", ToValues(r));
      ASSERT_TRUE(s.ok()) << s.message();
    }
  }
  uint32_t count = 0;
  auto rows = EngineRows(path, u"Data", &count);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(rows[0], before);
  EXPECT_EQ(rows[1], GetParam().values);
  EXPECT_EQ(rows[2], GetParam().values);
  EXPECT_EQ(rows[3], after);
  ExpectNoDamage(path);
}

INSTANTIATE_TEST_SUITE_P(Values, AppendRoundTrip, ::testing::ValuesIn(RowCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Append, RowsAreVisibleThroughTheSameOpenDatabase) {
  TempDir dir;
  const std::string path = dir.File("Data.mdb");
  ASSERT_TRUE(jet::CreateHistoryDatabase(path, false).ok());
  auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
  ASSERT_TRUE(db.ok());
  ASSERT_TRUE(db->AppendRow(u"Data", ToValues({u"0", u"t", Repeat(u"长", 5000)})).ok());
  auto table = db->FindTable(u"Data");
  ASSERT_TRUE(table.ok());
  auto rows = table->ReadAllRows();
  ASSERT_TRUE(rows.ok()) << rows.message();
  ASSERT_EQ(rows->size(), 1u);
  EXPECT_EQ((*rows)[0][2].AsText(), Repeat(u"长", 5000));
}

TEST(Append, SecondWriterIsKeptOut) {
  TempDir dir;
  const std::string path = dir.File("Data.mdb");
  ASSERT_TRUE(jet::CreateHistoryDatabase(path, false).ok());
  auto first = jet::Database::Open(path, jet::OpenMode::ReadWrite);
  ASSERT_TRUE(first.ok());
  auto second = jet::Database::Open(path, jet::OpenMode::ReadWrite);
  EXPECT_FALSE(second.ok());
  auto reader = jet::Database::Open(path, jet::OpenMode::ReadOnly);
  EXPECT_TRUE(reader.ok()) << reader.message();
  if (reader) {
    EXPECT_FALSE(reader->AppendRow(u"Data", ToValues({u"0", u"t", u"x"})).ok());
  }
}

// ---- refusals: a clear error and not one byte changed ----

struct Refusal {
  const char* name;
  std::vector<jet::Value> values;
  const char* messagePart;
};

std::vector<Refusal> Refusals() {
  return {
      {"TextLongerThanTheColumn", {jet::Value::Text(Repeat(u"a", 256)), jet::Value::Null(), jet::Value::Null()}, "longer than"},
      {"NumberIntoText", {jet::Value::Long(5), jet::Value::Null(), jet::Value::Null()}, "cannot take"},
      {"TooManyValues", {jet::Value::Null(), jet::Value::Null(), jet::Value::Null(), jet::Value::Null()}, "4 values"},
  };
}

class AppendRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(AppendRefusal, LeavesTheFileUntouched) {
  TempDir dir;
  const std::string path = dir.File("Data.mdb");
  ASSERT_TRUE(jet::CreateHistoryDatabase(path, false).ok());
  {
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    ASSERT_TRUE(db->AppendRow(u"Data", ToValues({u"0", u"t", u"kept"})).ok());
  }
  const std::string bytes = ReadBytes(path);
  {
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    jet::Status s = db->AppendRow(u"Data", GetParam().values);
    ASSERT_FALSE(s.ok());
    EXPECT_NE(s.message().find(GetParam().messagePart), std::string::npos) << s.message();
  }
  EXPECT_EQ(ReadBytes(path), bytes);
}

INSTANTIATE_TEST_SUITE_P(Values, AppendRefusal, ::testing::ValuesIn(Refusals()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Append, TablesWithIndexesAreRefused) {
  TempDir dir;
  for (const char* name : {"07-unicode-compression-cjk.mdb", "08-chinese-text-access2007.mdb"}) {
    const std::string path = dir.File(name);
    fs::copy_file(Fixture(name), path);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    const std::string bytes = ReadBytes(path);
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    ASSERT_TRUE(db.ok()) << db.message();
    std::u16string table = db->UserTableNames().at(0);
    jet::Status s = db->AppendRow(table, {});
    ASSERT_FALSE(s.ok()) << name;
    EXPECT_NE(s.message().find("index"), std::string::npos) << s.message();
    EXPECT_EQ(ReadBytes(path), bytes) << name;
  }
}

// A history cut short (a half-copied or truncated Data.mdb): its maps name pages that are gone, the
// reader refuses the table, and an append must not write into it either.
TEST(Append, ATruncatedFileIsRefusedAndLeftAsItIs) {
  TempDir dir;
  const std::string path = dir.File("Data.mdb");
  ASSERT_TRUE(jet::CreateHistoryDatabase(path, false).ok());
  {
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    for (int i = 0; i < 300; ++i) {
      const std::string stored = Base64Encode(jet::ToUtf8(u"记录 " + Repeat(u"x", 150)) + std::string(1, '\0'));
      ASSERT_TRUE(db->AppendRow(u"Data", ToValues({u"0", u"t", jet::FromUtf8(stored)})).ok());
    }
  }
  std::string bytes = ReadBytes(path);
  bytes.resize(bytes.size() / 2 / jet::writer::kPageSize * jet::writer::kPageSize);
  WriteBytes(path, bytes);
  {
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    ASSERT_TRUE(db.ok()) << db.message();
    jet::Status s = db->AppendRow(u"Data", ToValues({u"0", u"t", u"new"}));
    ASSERT_FALSE(s.ok());
    EXPECT_NE(s.message().find("past the end of the file"), std::string::npos) << s.message();
  }
  EXPECT_EQ(ReadBytes(path), bytes);
}

TEST(Append, TheTwoGibibyteLimitIsAnError) {
  TempDir dir;
  const std::string path = dir.File("Data.mdb");
  ASSERT_TRUE(jet::CreateHistoryDatabase(path, false).ok());
  {
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    ASSERT_TRUE(db->AppendRow(u"Data", ToValues({u"0", u"t", u"first"})).ok());
  }
  // Pages up to just under 2 GiB (a sparse file): a memo that needs two more pages does not fit.
  const uint64_t size = jet::writer::kMaxFileSize - jet::writer::kPageSize;
  fs::resize_file(path, size);
  auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
  ASSERT_TRUE(db.ok()) << db.message();
  jet::Status s = db->AppendRow(u"Data", ToValues({u"0", u"t", Repeat(u"汉", 3000)}));
  ASSERT_FALSE(s.ok());
  EXPECT_NE(s.message().find("2 GiB"), std::string::npos) << s.message();
  EXPECT_EQ(fs::file_size(path), size);
  // A short row still fits on the existing data page.
  EXPECT_TRUE(db->AppendRow(u"Data", ToValues({u"0", u"t", u"short"})).ok());
}

// ---- growth: past the 512 pages an inline usage map covers ----

TEST(Append, HundredThousandRowsInOneGrowingFile) {
  TempDir dir;
  const std::string path = dir.File("Data.mdb");
  ASSERT_TRUE(jet::CreateHistoryDatabase(path, false).ok());
  constexpr int kRows = 100000;
  auto textOf = [](int i) { return Stored(u"剪贴板 " + jet::FromUtf8(std::to_string(i * 7919 % 100003))); };
  {
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    ASSERT_TRUE(db.ok());
    jet::writer::AppendOptions quick;
    quick.flush = false;  // durability is not what this test is about
    for (int i = 0; i < kRows; ++i) {
      std::u16string id = jet::FromUtf8(std::to_string(i));
      jet::Status s = jet::writer::AppendRowWithOptions(*db, u"Data", ToValues({id, u"2017-11-06 18:09:33", textOf(i)}), quick);
      ASSERT_TRUE(s.ok()) << "row " << i << ": " << s.message();
    }
    EXPECT_GT(db->PageCount(), 1024u);
  }
  uint32_t count = 0;
  auto rows = EngineRows(path, u"Data", &count);
  ASSERT_EQ(rows.size(), static_cast<size_t>(kRows));
  EXPECT_EQ(count, static_cast<uint32_t>(kRows));
  for (int i = 0; i < kRows; i += 997) {
    EXPECT_EQ(rows[i][0], jet::FromUtf8(std::to_string(i)));
    EXPECT_EQ(rows[i][2], textOf(i));
  }
  EXPECT_EQ(rows.back()[0], jet::FromUtf8(std::to_string(kRows - 1)));
  ExpectNoDamage(path);
}

TEST(Append, LongValuesPastTheInlineMapsReach) {
  TempDir dir;
  const std::string path = dir.File("Data.mdb");
  ASSERT_TRUE(jet::CreateHistoryDatabase(path, false).ok());
  std::vector<TextRow> written;
  {
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    for (int i = 0; db->PageCount() < 1300; ++i) {
      TextRow r = {jet::FromUtf8(std::to_string(i)), u"t", Repeat(jet::FromUtf8(std::to_string(i % 10)), 40000 + i)};
      ASSERT_TRUE(db->AppendRow(u"Data", ToValues(r)).ok()) << i;
      written.push_back(r);
      TextRow small = {jet::FromUtf8(std::to_string(i)), u"s", Repeat(u"q", 2000)};  // single LVAL rows
      ASSERT_TRUE(db->AppendRow(u"Data", ToValues(small)).ok()) << i;
      written.push_back(small);
    }
  }
  EXPECT_EQ(EngineRows(path, u"Data"), written);
  ExpectNoDamage(path);
}

// ---- Access-made tables ----

struct FixtureTable {
  const char* file;
  const char16_t* table;
};

class AppendToAccessFile : public ::testing::TestWithParam<FixtureTable> {};

TEST_P(AppendToAccessFile, OldRowsStayAndNewRowsFollow) {
  TempDir dir;
  const std::string path = dir.File("copy.mdb");
  fs::copy_file(Fixture(GetParam().file), path);
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  std::vector<TextRow> expected = EngineRows(path, GetParam().table);
  ASSERT_FALSE(expected.empty());
  const size_t columns = expected[0].size();
  {
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    ASSERT_TRUE(db.ok()) << db.message();
    for (int i = 0; i < 300; ++i) {
      TextRow r(columns);
      for (size_t c = 0; c < columns; ++c) {
        switch ((i + c) % 4) {
          case 0: r[c] = jet::FromUtf8(std::to_string(i)); break;
          case 1: r[c] = u"中文 " + jet::FromUtf8(std::to_string(c)); break;
          case 2: r[c] = std::nullopt; break;
          default: r[c] = Repeat(u"x", 50); break;
        }
      }
      std::vector<jet::Value> values;
      for (const auto& v : r) values.push_back(v ? jet::Value::Text(*v) : jet::Value::Null());
      jet::Status s = db->AppendRow(GetParam().table, values);
      ASSERT_TRUE(s.ok()) << s.message();
      expected.push_back(r);
    }
  }
  uint32_t count = 0;
  EXPECT_EQ(EngineRows(path, GetParam().table, &count), expected);
  EXPECT_EQ(count, expected.size());
  ExpectNoDamage(path);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, AppendToAccessFile,
                         ::testing::Values(FixtureTable{"04-deleted-rows.mdb", u"Table"},
                                           FixtureTable{"05-overflow-rows-nulls.mdb", u"Table1"}),
                         [](const auto& info) { return std::string(info.param.file).substr(0, 2); });

}  // namespace
}  // namespace jet_writer_test

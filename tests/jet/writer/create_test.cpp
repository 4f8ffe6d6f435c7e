// A fresh database: laid out as Jet lays out a blank database, read back by our engine, created
// under a temporary name and never put over an existing file unless forced.
#include <gtest/gtest.h>

#include "history/jet/create_layout.h"
#include "history/jet/database.h"
#include "history/jet/write_page.h"
#include "tests/jet/writer/writer_test_support.h"

namespace jet_writer_test {
namespace {

using jet::writer::GetU16;
using jet::writer::GetU32;
using jet::writer::kPageSize;

// The bytes of a TDEF page that Jet leaves uninitialised: bytes 25-39 of the header, the fixed
// offset of variable columns, and in each index block the order byte of unused column slots and the
// unknown word after the first-page field.
std::vector<bool> TdefLeftovers(const std::string& page) {
  std::vector<bool> mask(kPageSize, false);
  for (int i = 25; i < 40; ++i) mask[i] = true;
  uint16_t columns = GetU16(page, 45);
  uint32_t realIndexes = GetU32(page, 51);
  size_t at = 63 + 12 * realIndexes;
  for (uint16_t i = 0; i < columns; ++i, at += 25) {
    uint8_t type = static_cast<uint8_t>(page[at]);
    if (type == 0x09 || type == 0x0A || type == 0x0B || type == 0x0C) mask[at + 21] = mask[at + 22] = true;
  }
  for (uint16_t i = 0; i < columns; ++i) at += 2 + GetU16(page, at);
  for (uint32_t i = 0; i < realIndexes; ++i, at += 52) {
    for (int slot = 0; slot < 10; ++slot)
      if (GetU16(page, at + 4 + 3 * slot) == 0xFFFF) mask[at + 4 + 3 * slot + 2] = true;
    for (int k = 42; k < 46; ++k) mask[at + k] = true;
  }
  return mask;
}

TEST(BlankLayout, MatchesTheBlankDatabaseJetMadePageByPage) {
  jet::writer::BlankLayout layout;
  layout.historyTable = false;
  const std::string ours = jet::writer::BuildBlankDatabase(layout);
  const std::string jet = ReadBytes(Fixture("02-blank-jet-chinese-locale.mdb"));
  ASSERT_EQ(ours.size(), jet.size());
  for (uint32_t p = 0; p < jet.size() / kPageSize; ++p) {
    const std::string a = ours.substr(p * kPageSize, kPageSize), b = jet.substr(p * kPageSize, kPageSize);
    std::vector<bool> leftovers(kPageSize, false);
    if (b[0] == 0x02) leftovers = TdefLeftovers(b);
    int differing = 0, first = -1;
    for (uint32_t i = 0; i < kPageSize; ++i)
      if (a[i] != b[i] && !leftovers[i]) {
        if (first < 0) first = static_cast<int>(i);
        ++differing;
      }
    EXPECT_EQ(differing, 0) << "page " << p << " differs at offset " << first;
  }
}

TEST(BlankLayout, HistoryTableIsReadBackWithItsColumns) {
  TempDir dir;
  const std::string path = dir.File("Data.mdb");
  ASSERT_TRUE(jet::CreateHistoryDatabase(path, false).ok());
  auto db = jet::Database::Open(path, jet::OpenMode::ReadOnly);
  ASSERT_TRUE(db.ok()) << db.message();
  EXPECT_EQ(db->UserTableNames(), std::vector<std::u16string>{u"Data"});
  EXPECT_EQ(db->CodePage(), 936);
  auto table = db->FindTable(u"data");
  ASSERT_TRUE(table.ok()) << table.message();
  ASSERT_EQ(table->columns().size(), 3u);
  EXPECT_EQ(table->columns()[0].name, u"ID");
  EXPECT_EQ(table->columns()[1].name, u"时间");
  EXPECT_EQ(table->columns()[2].name, u"文本");
  EXPECT_EQ(table->columns()[0].type(), jet::ColumnType::Text);
  EXPECT_EQ(table->columns()[0].MaxCharacters(), 255);
  EXPECT_EQ(table->columns()[1].type(), jet::ColumnType::Text);
  EXPECT_EQ(table->columns()[2].type(), jet::ColumnType::Memo);
  EXPECT_EQ(table->RowCount(), 0u);
  EXPECT_EQ(table->DefinitionPage(), jet::writer::kHistoryTdefPage);
  // The catalog holds the table under "Tables" and its two permission rows.
  auto objects = db->FindTable(u"MSysObjects");
  ASSERT_TRUE(objects.ok());
  EXPECT_EQ(objects->RowCount(), 9u);
  auto aces = db->FindTable(u"MSysACEs");
  ASSERT_TRUE(aces.ok());
  auto aceRows = aces->ReadAllRows();
  ASSERT_TRUE(aceRows.ok());
  int forData = 0;
  for (const auto& r : *aceRows) forData += r[0].AsInteger() == 16;
  EXPECT_EQ(forData, 2);
  EXPECT_EQ(aces->RowCount(), aceRows->size());
  ExpectNoDamage(path);
}

TEST(CreateHistoryDatabase, NeverReplacesAFileUnlessForced) {
  TempDir dir;
  const std::string path = dir.File("Data.mdb");
  WriteBytes(path, "not a database");
  jet::Status refused = jet::CreateHistoryDatabase(path, false);
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find("exists"), std::string::npos) << refused.message();
  EXPECT_EQ(ReadBytes(path), "not a database");

  ASSERT_TRUE(jet::CreateHistoryDatabase(path, true).ok());
  EXPECT_EQ(ReadBytes(path).size(), 17u * kPageSize);
  EXPECT_TRUE(jet::Database::Open(path, jet::OpenMode::ReadOnly).ok());
  // Nothing is left under the temporary name.
  size_t files = 0;
  for (const auto& e : fs::directory_iterator(fs::path(path).parent_path())) files += e.is_regular_file();
  EXPECT_EQ(files, 1u);
}

TEST(CreateHistoryDatabase, FailsCleanlyInAMissingFolder) {
  TempDir dir;
  jet::Status s = jet::CreateHistoryDatabase(dir.File("no-such-folder/Data.mdb"), false);
  EXPECT_FALSE(s.ok());
  EXPECT_FALSE(fs::exists(dir.File("no-such-folder")));
}

}  // namespace
}  // namespace jet_writer_test

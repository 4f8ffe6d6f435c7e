// A crash at every write point of an append: for each scenario the append is run once to count its
// writes, truncations and flushes, then again from the same starting file with the process "dying"
// after each of them in turn (the last write whole, and torn). After every crash the file opens, the
// rows appended before are all there (and the new row either completely or not at all), the check
// finds no damage beyond unused pages, and the next append succeeds.
#include <gtest/gtest.h>

#include <functional>

#include "history/jet/crash_file.h"
#include "history/jet/database.h"
#include "history/jet/write_usage_map.h"
#include "tests/jet/writer/writer_test_support.h"

namespace jet_writer_test {
namespace {

std::vector<jet::Value> Values(const TextRow& row) {
  std::vector<jet::Value> out;
  for (size_t i = 0; i < row.size(); ++i)
    out.push_back(!row[i] ? jet::Value::Null() : i == 2 ? jet::Value::Memo(*row[i]) : jet::Value::Text(*row[i]));
  return out;
}

TextRow Row(int id, std::u16string text) {
  return {jet::FromUtf8(std::to_string(id)), u"2017-11-06 18:09:33", std::move(text)};
}

std::u16string Text(size_t characters, char16_t first = u'A') {
  std::u16string s;
  for (size_t i = 0; i < characters; ++i) s.push_back(static_cast<char16_t>(first + i % 23));
  return s;
}

uint32_t Append(const std::string& path, const TextRow& row) {
  auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
  EXPECT_TRUE(db.ok()) << db.message();
  if (!db) return 0;
  jet::Status s = db->AppendRow(u"Data", Values(row));
  EXPECT_TRUE(s.ok()) << s.message();
  return db->PageCount();
}

// Appends `row` while it fits the existing pages; returns when the next one would need a new data page
// (that file is left in place).
void FillDataPage(const std::string& path, std::vector<TextRow>& rows, const TextRow& row) {
  uint32_t pages = Append(path, row);
  rows.push_back(row);
  while (true) {
    std::string before = ReadBytes(path);
    if (Append(path, row) > pages) {
      WriteBytes(path, before);
      return;
    }
    rows.push_back(row);
  }
}

// Memo chains (20 000 characters: 10 pages each) until the file has at least `pages` pages.
void GrowTo(const std::string& path, std::vector<TextRow>& rows, uint32_t pages, uint32_t notPast) {
  while (true) {
    auto db = jet::Database::Open(path, jet::OpenMode::ReadWrite);
    if (db->PageCount() >= pages) {
      ASSERT_LT(db->PageCount(), notPast);
      return;
    }
    TextRow r = Row(static_cast<int>(rows.size()), Text(20000, u'一'));
    ASSERT_TRUE(db->AppendRow(u"Data", Values(r)).ok());
    rows.push_back(r);
  }
}

// Usage maps of the fresh layout: the global map, the table's page map and the memo column's page map.
const jet::writer::RowRef kGlobalMap{1, 0}, kTableMap{6, 31}, kMemoMap{6, 33};

struct Scenario {
  const char* name;
  std::function<void(const std::string& path, std::vector<TextRow>& rows)> prepare;
  TextRow row;
  std::vector<jet::writer::RowRef> promoted = {};  // inline maps that this append turns into reference maps
};

uint8_t MapType(const std::string& path, jet::writer::RowRef ref) {
  auto file = jet::FileSystem::Native().Open(path, jet::OpenMode::ReadOnly);
  auto row = jet::writer::ReadMapRow(**file, ref, 0xFFFFFF);
  EXPECT_TRUE(row.ok()) << row.message();
  return row ? row->type() : 0xFF;
}

std::vector<Scenario> Scenarios() {
  return {
      {"ShortRow",
       [](const std::string& path, std::vector<TextRow>& rows) {
         for (int i = 0; i < 3; ++i) rows.push_back(Row(i, u"YWJjAA=="));
         for (const auto& r : rows) Append(path, r);
       },
       Row(3, u"5LitAA==")},
      {"RowNeedingANewDataPage",
       [](const std::string& path, std::vector<TextRow>& rows) { FillDataPage(path, rows, Row(0, Text(60))); },
       Row(99, u"next page")},
      {"MemoInANewLongValueRow", [](const std::string& path, std::vector<TextRow>& rows) {
         rows.push_back(Row(0, u"a"));
         Append(path, rows.back());
       },
       Row(1, Text(1500))},
      {"MemoSharingALongValuePage", [](const std::string& path, std::vector<TextRow>& rows) {
         rows.push_back(Row(0, Text(1500)));
         Append(path, rows.back());
       },
       Row(1, Text(700, u'a'))},
      {"MultiPageMemoChain", [](const std::string& path, std::vector<TextRow>& rows) {
         rows.push_back(Row(0, u"a"));
         Append(path, rows.back());
       },
       Row(1, Text(12000, u'汉'))},
      {"MemoThatGrowsTheGlobalMap",
       [](const std::string& path, std::vector<TextRow>& rows) { GrowTo(path, rows, 495, 506); },
       Row(500, Text(40000, u'文')), {kGlobalMap}},
      {"MemoThatGrowsTheColumnMaps",
       [](const std::string& path, std::vector<TextRow>& rows) { GrowTo(path, rows, 515, 526); },
       Row(500, Text(40000, u'文')), {kMemoMap}},
      {"RowThatGrowsTheTableMaps",
       [](const std::string& path, std::vector<TextRow>& rows) {
         GrowTo(path, rows, 545, 570);
         FillDataPage(path, rows, Row(0, Text(60)));
       },
       // The full page leaves the free-space map, so that map is only re-based; the page map is promoted.
       Row(501, u"first row on a page past 512"), {kTableMap}},
  };
}

class CrashSweep : public ::testing::TestWithParam<Scenario> {};

TEST_P(CrashSweep, EveryCrashLeavesAnOpenableFileWithEveryEarlierRow) {
  TempDir dir;
  const std::string path = dir.File("Data.mdb");
  ASSERT_TRUE(jet::CreateHistoryDatabase(path, false).ok());
  std::vector<TextRow> rows;
  GetParam().prepare(path, rows);
  ASSERT_FALSE(::testing::Test::HasFailure());
  ASSERT_EQ(EngineRows(path, u"Data"), rows);
  const std::string base = ReadBytes(path);
  for (auto ref : GetParam().promoted) EXPECT_EQ(MapType(path, ref), 0) << "map " << ref.page << ":" << +ref.row;

  auto appendThrough = [&](std::shared_ptr<jet::CrashPlan> plan) {
    auto file = jet::FileSystem::Native().Open(path, jet::OpenMode::ReadWrite);
    EXPECT_TRUE(file.ok()) << file.message();
    auto db = jet::Database::Open(std::make_unique<jet::CrashFile>(std::move(*file), plan), jet::OpenMode::ReadWrite);
    EXPECT_TRUE(db.ok()) << db.message();
    return db ? db->AppendRow(u"Data", Values(GetParam().row)) : jet::Status::Error("open failed");
  };
  auto counting = std::make_shared<jet::CrashPlan>();
  ASSERT_TRUE(appendThrough(counting).ok());
  const uint64_t points = counting->operations;
  ASSERT_GT(points, 2u);
  std::vector<TextRow> complete = rows;
  complete.push_back(GetParam().row);
  ASSERT_EQ(EngineRows(path, u"Data"), complete);
  for (auto ref : GetParam().promoted) EXPECT_EQ(MapType(path, ref), 1) << "map " << ref.page << ":" << +ref.row;
  std::printf("%s: %llu write points\n", GetParam().name, static_cast<unsigned long long>(points));

  const TextRow next = Row(1000, u"after the crash");
  int visible = 0;
  for (uint64_t k = 1; k <= points; ++k) {
    for (bool tear : {false, true}) {
      SCOPED_TRACE("crash at operation " + std::to_string(k) + " of " + std::to_string(points) + (tear ? ", torn" : ""));
      WriteBytes(path, base);
      auto plan = std::make_shared<jet::CrashPlan>();
      plan->stopAt = k;
      plan->tearLast = tear;
      EXPECT_FALSE(appendThrough(plan).ok());
      std::vector<TextRow> now = EngineRows(path, u"Data");
      ASSERT_TRUE(now == rows || now == complete) << now.size() << " rows, " << rows.size() << " before";
      visible += now == complete;
      ExpectNoDamage(path, true);
      ASSERT_TRUE(jet::Database::Open(path, jet::OpenMode::ReadWrite)->AppendRow(u"Data", Values(next)).ok());
      now.push_back(next);
      ASSERT_EQ(EngineRows(path, u"Data"), now);
      ExpectNoDamage(path, true);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
  // The last steps (the row count, and for a row on an existing page its header) come after the
  // row is in place, so some crash points see it and the earliest do not.
  EXPECT_GT(visible, 0);
  EXPECT_LT(visible, static_cast<int>(2 * points));
}

INSTANTIATE_TEST_SUITE_P(Appends, CrashSweep, ::testing::ValuesIn(Scenarios()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace jet_writer_test

// The history store on real files: what a load shows, what a capture stores, and that a file which
// cannot take a record is left exactly as it was while the capture still comes into the list.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "app/history_list.h"
#include "capture/clipboard_monitor.h"
#include "history/jet/database.h"
#include "history/store/history_store.h"
#include "tests/capture/capture_fixture.h"

using namespace capture_test;

namespace {

class Store : public ::testing::Test {
 protected:
  void CopyAndWait(const std::string& text, int rows) {
    writer.WriteText(text);
    ASSERT_TRUE(PumpUntil([&] { return RowCount(main.list()) >= rows; })) << "no row for " << text;
  }
  TestMainWindow main;
  ClipboardWriter writer;
};

TEST_F(Store, LoadShowsEachRecordInTableOrderWithItsStoredIdAndTime) {
  CreateFreshDatabase();
  AppendStoredRecords({{"0", "2017-11-06 18:09:33", "YWJjAA=="}, {"1", "2017-11-06 18:10:02", "5LitAA=="}});
  LoadHistory();
  const auto rows = ListRows(main.list());
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (Row{"0", "2017-11-06 18:09:33", "abc"}));
  EXPECT_EQ(rows[1], (Row{"1", "2017-11-06 18:10:02", "中"}));
}

TEST_F(Store, StoredIdsAreShownAsStoredAndTheNextCaptureTakesItsPosition) {
  CreateFreshDatabase();
  AppendStoredRecords({{"0", "t0", "YQA="}, {"1", "t1", "YgA="}, {"1", "t2", "YwA="}});
  LoadHistory();
  StartMonitoring();
  CopyAndWait("fourth", 4);
  const auto rows = ListRows(main.list());
  EXPECT_EQ(rows[0][0], "0");
  EXPECT_EQ(rows[1][0], "1");
  EXPECT_EQ(rows[2][0], "1");
  EXPECT_EQ(rows[3][0], "3");
  const auto records = StoredRecords();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[3][0], "3");
}

TEST_F(Store, NullFieldsLoadAsEmptyCells) {
  CreateFreshDatabase();
  AppendStoredRecords({{"0", std::nullopt, "YWJjAA=="}, {std::nullopt, "2020-01-01 00:00:00", std::nullopt}});
  LoadHistory();
  const auto rows = ListRows(main.list());
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (Row{"0", "", "abc"}));
  EXPECT_EQ(rows[1], (Row{"", "2020-01-01 00:00:00", ""}));
}

TEST_F(Store, AnEmptyTableLoadsAsNoRowsAndTheFirstCaptureIsZero) {
  CreateFreshDatabase();
  LoadHistory();
  EXPECT_EQ(RowCount(main.list()), 0);
  StartMonitoring();
  CopyAndWait("first", 1);
  EXPECT_EQ(CellText(main.list(), 0, 0), "0");
  ASSERT_EQ(StoredRecords().size(), 1u);
  EXPECT_EQ(StoredRecords()[0][0], "0");
}

TEST_F(Store, WithoutTheFileTheListStartsEmptyAndCapturesAreStoredOnceItIsBack) {
  RemoveDatabase();
  LoadHistory();
  EXPECT_EQ(RowCount(main.list()), 0);
  StartMonitoring();
  CopyAndWait("not stored 1", 1);
  CopyAndWait("not stored 2", 2);
  EXPECT_EQ(CellText(main.list(), 1, 0), "1");
  EXPECT_TRUE(FileBytes(DatabasePath()).empty());

  CreateFreshDatabase();
  CopyAndWait("stored", 3);
  const auto records = StoredRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0][0], "2");
  EXPECT_EQ(records[0][2], "c3RvcmVkAA==");
}

TEST_F(Store, TheLoadReadsAFileThatAnotherProgramHasOpenForWriting) {
  CreateFreshDatabase();
  AppendStoredRecords({{"0", "t", "YWJjAA=="}});
  auto holder = jet::Database::Open(DatabasePath(), jet::OpenMode::ReadWrite);
  ASSERT_TRUE(holder.ok()) << holder.message();
  LoadHistory();
  EXPECT_EQ(ListRows(main.list()), (std::vector<Row>{{"0", "t", "abc"}}));
}

// ---- files that cannot take a record ----

// The history table's definition with the time column ("时间", column 1) cut to one character, so that
// every capture time is refused.
std::string WithTimeColumnOfOneCharacter(std::string bytes) {
  constexpr size_t kPage = 4096;
  for (size_t page = 1; (page + 1) * kPage <= bytes.size(); ++page) {
    unsigned char* p = reinterpret_cast<unsigned char*>(&bytes[page * kPage]);
    if (p[0] != 0x02 || p[1] != 0x01)
      continue;  // a table definition
    if (p[40] != 0x4E)
      continue;  // a user table
    uint16_t columns, realIndexes;
    memcpy(&columns, p + 45, 2);
    memcpy(&realIndexes, p + 51, 2);
    unsigned char* column = p + 63 + 12 * realIndexes;
    for (uint16_t i = 0; i < columns; ++i, column += 25) {
      uint16_t number;
      memcpy(&number, column + 5, 2);
      if (column[0] == 0x0A && number == 1) {
        const uint16_t length = 2;
        memcpy(column + 23, &length, 2);
        return bytes;
      }
    }
  }
  return {};
}

enum class Fault { Missing, HeldOpenForWriting, PasswordProtected, Damaged, ColumnRefusesTheValue };

struct FaultCase {
  const char* name;
  Fault fault;
};

class UnwritableFile : public Store, public ::testing::WithParamInterface<FaultCase> {
 protected:
  void SetUp() override {
    CreateFreshDatabase();
    AppendStoredRecords({{"0", "2017-11-06 18:09:33", "YWJjAA=="}});
    const std::string fresh = FileBytes(DatabasePath());
    switch (GetParam().fault) {
      case Fault::Missing:
        RemoveDatabase();
        break;
      case Fault::HeldOpenForWriting:
        holder_ = CreateFileW(std::wstring(DatabasePathWide()).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder_, INVALID_HANDLE_VALUE);
        break;
      case Fault::PasswordProtected:
        WriteFileBytes(DatabasePath(), FileBytes(FixturePath("10-password.mdb")));
        break;
      case Fault::Damaged: {
        std::string damaged = fresh;
        // Page 1 (the global usage map) and the catalog turned into noise.
        for (size_t i = 4096; i < damaged.size() && i < 4096 * 16; ++i)
          damaged[i] = static_cast<char>(i * 131);
        WriteFileBytes(DatabasePath(), damaged);
        break;
      }
      case Fault::ColumnRefusesTheValue: {
        const std::string patched = WithTimeColumnOfOneCharacter(fresh);
        ASSERT_FALSE(patched.empty());
        WriteFileBytes(DatabasePath(), patched);
        auto check = jet::Database::Open(DatabasePath(), jet::OpenMode::ReadOnly);
        ASSERT_TRUE(check.ok()) << check.message();
        auto table = check->FindTable(u"Data");
        ASSERT_TRUE(table.ok()) << table.message();
        ASSERT_EQ(table->columns()[1].maxLength, 2);
        break;
      }
    }
    before_ = FileBytes(DatabasePath());
    StartMonitoring();
  }
  void TearDown() override {
    if (holder_ != INVALID_HANDLE_VALUE)
      CloseHandle(holder_);
  }
  static std::wstring DatabasePathWide() {
    const std::string path = DatabasePath();
    return std::wstring(path.begin(), path.end());  // the test folder's path is ASCII
  }
  HANDLE holder_ = INVALID_HANDLE_VALUE;
  std::string before_;
};

TEST_P(UnwritableFile, TheCaptureStaysInTheListAndTheFileIsUntouched) {
  CopyAndWait("not stored", 1);
  CopyAndWait("not stored either", 2);
  const auto rows = ListRows(main.list());
  EXPECT_EQ(rows[0][0], "0");
  EXPECT_EQ(rows[1][0], "1");
  EXPECT_EQ(rows[1][2], "not stored either");
  if (holder_ != INVALID_HANDLE_VALUE) {
    CloseHandle(holder_);
    holder_ = INVALID_HANDLE_VALUE;
  }
  EXPECT_TRUE(FileBytes(DatabasePath()) == before_) << "the file was changed";

  // Once the file is sound again, the next capture is stored with its position in the list.
  CreateFreshDatabase();
  CopyAndWait("stored again", 3);
  const auto records = StoredRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0][0], "2");
}

INSTANTIATE_TEST_SUITE_P(Faults, UnwritableFile,
                         ::testing::Values(FaultCase{"Missing", Fault::Missing},
                                           FaultCase{"HeldOpenForWriting", Fault::HeldOpenForWriting},
                                           FaultCase{"PasswordProtected", Fault::PasswordProtected},
                                           FaultCase{"Damaged", Fault::Damaged},
                                           FaultCase{"ColumnRefusesTheValue", Fault::ColumnRefusesTheValue}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Store, ALoadOfAFileThatCannotBeReadAddsNothing) {
  for (const char* fixture : {"10-password.mdb", "04-deleted-rows.mdb"}) {
    const std::string bytes = FileBytes(FixturePath(fixture));
    ASSERT_FALSE(bytes.empty()) << fixture;
    WriteFileBytes(DatabasePath(), bytes);
    LoadHistory();
    EXPECT_EQ(RowCount(main.list()), 0) << fixture;
  }
  WriteFileBytes(DatabasePath(), "not a database at all");
  LoadHistory();
  EXPECT_EQ(RowCount(main.list()), 0);
}

}  // namespace

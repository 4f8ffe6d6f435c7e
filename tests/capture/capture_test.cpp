// Captures from the real clipboard: the rows they give in `列表框` and the records they leave in
// "Data.mdb", read back with the engine.
#include <gtest/gtest.h>

#include "app/history_list.h"
#include "capture/clipboard_monitor.h"
#include "capture/clipboard_text.h"
#include "history/store/history_store.h"
#include "tests/capture/capture_fixture.h"

using namespace capture_test;

namespace {

class Capture : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateFreshDatabase();
    StartMonitoring();
  }
  // Writes `text` from the writer's thread and waits until the list has `rows` rows.
  void CopyAndWait(const std::string& text, int rows) {
    writer.WriteText(text);
    ASSERT_TRUE(PumpUntil([&] { return RowCount(main.list()) >= rows; })) << "no row for " << text;
  }
  TestMainWindow main;
  ClipboardWriter writer;
};

TEST_F(Capture, TheFirstCaptureIntoAnEmptyListIsRowZeroAndRecordZero) {
  CopyAndWait("abc", 1);
  const auto rows = ListRows(main.list());
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "0");
  EXPECT_TRUE(LooksLikeCaptureTime(rows[0][1])) << rows[0][1];
  EXPECT_EQ(rows[0][2], "abc");
  const auto records = StoredRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0][0], "0");
  ASSERT_TRUE(records[0][1].has_value());
  EXPECT_TRUE(LooksLikeCaptureTime(*records[0][1]));
  EXPECT_GE(*records[0][1], rows[0][1]);  // the same second, or the next one
  EXPECT_EQ(records[0][2], "YWJjAA==");
}

// Texts go into cell 2 and into the stored form exactly as read.
struct TextCase {
  const char* name;
  std::string text;
  std::string storedForm;  // Base64 of the UTF-8 bytes and a zero byte
};

class CapturedText : public Capture, public ::testing::WithParamInterface<TextCase> {};

TEST_P(CapturedText, IsKeptUnchangedInTheRowAndTheRecord) {
  CopyAndWait(GetParam().text, 1);
  EXPECT_EQ(CellText(main.list(), 0, 2), GetParam().text);
  const auto records = StoredRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0][2], GetParam().storedForm);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CapturedText,
    ::testing::Values(TextCase{"Chinese", "中", "5LitAA=="}, TextCase{"ThreeSpaces", "   ", "ICAgAA=="},
                      TextCase{"LineBreaksTabsAndEdgeSpaces", " a\tb\r\nc ", "IGEJYg0KYyAA"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Capture, TheThirteenthRowAfterTwelveGetsIdTwelve) {
  for (int i = 0; i < 12; ++i)
    AppendEmptyRow(main.list());
  CopyAndWait("thirteenth", 13);
  EXPECT_EQ(CellText(main.list(), 12, 0), "12");
  EXPECT_EQ(CellText(main.list(), 12, 2), "thirteenth");
  const auto records = StoredRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0][0], "12");
}

TEST_F(Capture, AbcAsTheSixthRowIsStoredAsFiveWithItsStoredForm) {
  for (int i = 0; i < 5; ++i)
    AppendEmptyRow(main.list());
  CopyAndWait("abc", 6);
  const auto records = StoredRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0][0], "5");
  EXPECT_EQ(records[0][2], "YWJjAA==");
}

TEST_F(Capture, TheSameTextTwiceGivesTwoRowsWithConsecutiveIds) {
  CopyAndWait("twice", 1);
  CopyAndWait("twice", 2);
  const auto rows = ListRows(main.list());
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "0");
  EXPECT_EQ(rows[1][0], "1");
  EXPECT_EQ(rows[1][2], "twice");
  EXPECT_EQ(StoredRecords().size(), 2u);
}

TEST_F(Capture, ARepeatedNotificationForTheSameChangeGivesNoSecondRow) {
  CopyAndWait("once", 1);
  SendMessageA(main.window(), WM_DRAWCLIPBOARD, 0, 0);
  SendMessageA(main.window(), WM_DRAWCLIPBOARD, 0, 0);
  PumpFor(100);
  EXPECT_EQ(RowCount(main.list()), 1);
  EXPECT_EQ(StoredRecords().size(), 1u);
}

TEST_F(Capture, TheTextAlreadyOnTheClipboardAtStartIsNotRecorded) {
  StopMonitoring();
  writer.WriteText("there before");
  PumpFor(100);
  StartMonitoring();
  PumpFor(200);
  EXPECT_EQ(RowCount(main.list()), 0);
  CopyAndWait("the next change", 1);
  EXPECT_EQ(CellText(main.list(), 0, 2), "the next change");
}

TEST_F(Capture, AClipboardWithoutTextOrWithAnEmptyTextGivesNoRow) {
  TestViewer viewer;  // joined after the main window: it is first and passes on to it
  writer.WriteNoText();
  writer.WriteText("");
  CopyAndWait("after", 1);
  EXPECT_EQ(CellText(main.list(), 0, 2), "after");
  EXPECT_EQ(StoredRecords().size(), 1u);
}

TEST_F(Capture, TextsChangingFastNeverGiveAnEmptyRow) {
  // The clipboard changes between the monitor's two readings now and then; a second reading that found
  // the clipboard empty must not become a row.
  writer.Run([] {
    for (int i = 0; i < 150; ++i) {
      WriteClipboardText("x" + std::to_string(i));
      WriteClipboardText("");
    }
  });
  CopyAndWait("end of the burst", 1);
  ASSERT_TRUE(
      PumpUntil([&] { return CellText(main.list(), RowCount(main.list()) - 1, 2) == "end of the burst"; }));
  for (const Row& row : ListRows(main.list()))
    EXPECT_FALSE(row[2].empty()) << "row " << row[0];
}

TEST_F(Capture, ALongTextIsStoredWholeAndReadBackWhole) {
  std::string text;
  for (int i = 0; text.size() < 100 * 1024; ++i)
    text += "line " + std::to_string(i) + " 中文\r\n";
  CopyAndWait(text, 1);
  EXPECT_EQ(CellText(main.list(), 0, 2), text);
  const auto records = StoredRecords();
  ASSERT_EQ(records.size(), 1u);
  ASSERT_TRUE(records[0][2].has_value());
  EXPECT_EQ(records[0][2]->size(), 4 * ((Utf8(text).size() + 1 + 2) / 3));
}

}  // namespace

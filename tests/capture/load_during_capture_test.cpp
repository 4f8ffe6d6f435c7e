// Captures that arrive while the history loads (the decoder lets window messages through, so with
// monitoring on they do): held back until the load has ended, then recorded in arrival order, after
// every loaded row.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>

#include "app/history_list.h"
#include "capture/clipboard_monitor.h"
#include "capture/clipboard_text.h"
#include "history/codec/stored_text_codec.h"
#include "history/store/history_store.h"
#include "tests/capture/capture_fixture.h"

using namespace capture_test;

namespace {

constexpr int kRecords = 20000;
constexpr int kCaptures = 5;

TEST(LoadDuringCaptures, EveryRecordAndEveryCaptureArePresentInTheDecidedOrder) {
  CreateFreshDatabase();
  std::vector<StoredRecord> records;
  for (int i = 0; i < kRecords; ++i) {
    records.push_back(
        {std::to_string(i), "2020-01-01 00:00:00", EncodeStoredText("record " + std::to_string(i))});
  }
  AppendStoredRecords(records);

  TestMainWindow main;
  ClipboardWriter writer;
  // The writer's thread has a viewer after the main window: when it sees a change, the main window
  // has handled it, so the next text can be written without two changes meeting in one notification.
  TestViewer* viewer = nullptr;
  std::atomic<DWORD> lastPassedOn{0};
  writer.Run([&] {
    viewer = new TestViewer;
    viewer->onDrawClipboard = [&] { lastPassedOn = GetClipboardSequenceNumber(); };
  });
  StartMonitoring();

  HWND list = main.list();
  std::atomic<int> capturesDuringLoad{0};
  std::atomic<bool> writerDone{false};
  writer.Post([&] {
    auto pumpUntil = [](const std::function<bool()>& done) {
      const ULONGLONG deadline = GetTickCount64() + 20000;
      while (!done() && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
          DispatchMessageA(&message);
      }
    };
    // Start once the load is well under way (the count is answered while the load handles messages).
    pumpUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) >= 2000; });
    for (int i = 0; i < kCaptures; ++i) {
      WriteClipboardText("during the load " + std::to_string(i));
      const DWORD change = GetClipboardSequenceNumber();
      pumpUntil([&] { return lastPassedOn >= change; });
      if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) < kRecords)
        ++capturesDuringLoad;
    }
    writerDone = true;
  });

  LoadHistory();
  ASSERT_TRUE(PumpUntil([&] { return writerDone.load(); }, 60000));
  ASSERT_TRUE(PumpUntil([&] { return RowCount(list) >= kRecords + kCaptures; }));
  writer.Run([&] { delete viewer; });

  EXPECT_GE(capturesDuringLoad.load(), 1) << "no capture arrived while the load ran";
  const auto rows = ListRows(list);
  ASSERT_EQ(rows.size(), static_cast<size_t>(kRecords + kCaptures));
  for (int i = 0; i < kRecords; ++i) {
    ASSERT_EQ(rows[i][0], std::to_string(i));
    ASSERT_EQ(rows[i][2], "record " + std::to_string(i));
  }
  const auto stored = StoredRecords();
  ASSERT_EQ(stored.size(), static_cast<size_t>(kRecords + kCaptures));
  for (int i = 0; i < kCaptures; ++i) {
    const size_t row = kRecords + i;
    EXPECT_EQ(rows[row][0], std::to_string(row));
    EXPECT_EQ(rows[row][2], "during the load " + std::to_string(i));
    EXPECT_EQ(stored[row][0], std::to_string(row));
    EXPECT_EQ(stored[row][2], EncodeStoredText("during the load " + std::to_string(i)));
  }
}

}  // namespace

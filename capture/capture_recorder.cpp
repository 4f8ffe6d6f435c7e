#include "capture/capture_recorder.h"

#include <deque>
#include <optional>

#include "app/history_list.h"
#include "history/store/history_id.h"
#include "history/store/history_store.h"
#include "timefmt/timestamp_formatter.h"

namespace {

// Captures that arrived while the history was loading, oldest first.
std::deque<std::string> g_heldCaptures;

void RecordNow(const std::string& text) {
  HWND list = AttachedHistoryList();
  const int row = AppendEmptyRow(list);
  if (row < 0)
    return;  // the list refused the row: the capture stops here
  SetCellText(list, row, 0, HistoryIdText(RowCount(list) - 1));
  SetCellText(list, row, 1, FormatTimestamp(std::nullopt, 1, 0));
  SetCellText(list, row, 2, text);
  AppendHistoryRecord(text);
}

void RecordHeldCaptures() {
  while (!g_heldCaptures.empty()) {
    std::string text = std::move(g_heldCaptures.front());
    g_heldCaptures.pop_front();
    RecordNow(text);
  }
}

}  // namespace

void RecordCapture(const std::string& text) {
  if (IsHistoryLoading()) {
    // The load is appending rows and reading the file: record this one after it, behind every loaded row.
    SetAfterHistoryLoad(&RecordHeldCaptures);
    g_heldCaptures.push_back(text);
    return;
  }
  RecordNow(text);
}

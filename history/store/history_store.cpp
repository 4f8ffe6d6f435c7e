#include "history/store/history_store.h"

#include <windows.h>

#include <optional>

#include "app/history_list.h"
#include "history/codec/stored_text_codec.h"
#include "history/store/database_connection.h"
#include "history/store/history_id.h"
#include "history/store/record_set.h"
#include "timefmt/timestamp_formatter.h"

namespace {

constexpr std::u16string_view kHistoryTable = u"Data";

// The two components the store works through. Captures that arrive during the load are held back until
// it has ended (IsHistoryLoading), so the two operations never use them at the same time.
数据库 g_数据库;
记录集 g_记录集;

bool g_loading = false;
void (*g_afterLoad)() = nullptr;

// Closes the record set, then the connection, however the operation leaves.
class ComponentsClosing {
 public:
  ~ComponentsClosing() {
    g_记录集.Close();
    g_数据库.Close();
  }
};

// Marks the load as running for its length; at its end, runs the after-load step.
class LoadRunning {
 public:
  LoadRunning() { g_loading = true; }
  ~LoadRunning() {
    g_loading = false;
    if (g_afterLoad != nullptr)
      g_afterLoad();
  }
  LoadRunning(const LoadRunning&) = delete;
  LoadRunning& operator=(const LoadRunning&) = delete;
};

}  // namespace

std::string HistoryDatabasePath() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path, length < MAX_PATH ? length : MAX_PATH);
  const size_t separator = directory.find_last_of("\\/");
  directory.resize(separator == std::string::npos ? 0 : separator);
  return directory + "\\Data.mdb";
}

void AppendHistoryRecord(const std::string& text) {
  const std::string path = HistoryDatabasePath();
  if (!g_数据库.Open(path, jet::OpenMode::ReadWrite))
    return;
  ComponentsClosing closing;
  g_记录集.Bind(g_数据库);
  g_记录集.Open(kHistoryTable);
  g_记录集.AddNew();
  g_记录集.WriteField(0, HistoryIdText(RowCount(AttachedHistoryList()) - 1));
  g_记录集.WriteField(1, FormatTimestamp(std::nullopt, 1, 0));
  g_记录集.WriteField(2, EncodeStoredText(text));
  g_记录集.Update();
}

void LoadHistory() {
  if (g_loading)
    return;
  LoadRunning running;
  const std::string path = HistoryDatabasePath();
  // Reading needs no write access: the load takes none, and so never stands in the way of another
  // process that has the file open, nor changes a byte of it.
  if (!g_数据库.Open(path, jet::OpenMode::ReadOnly))
    return;
  ComponentsClosing closing;
  g_记录集.Bind(g_数据库);
  g_记录集.Open(kHistoryTable);
  // An empty table (or one that cannot be read) gives no rows.
  if (g_记录集.RecordCount() <= 0)
    return;
  HWND list = AttachedHistoryList();
  if (!g_记录集.MoveFirst())
    return;  // a count with no readable record behind it
  ListRedrawPause redrawPause(list);
  for (;;) {
    const std::string id = g_记录集.ReadField(0);
    const std::string time = g_记录集.ReadField(1);
    const std::string stored = g_记录集.ReadField(2);
    const int row = AppendEmptyRow(list);
    SetCellText(list, row, 0, id);
    SetCellText(list, row, 1, time);
    SetCellText(list, row, 2, DecodeStoredText(stored));
    g_记录集.MoveNext();
    if (g_记录集.IsPastLastRecord())
      break;
  }
}

bool IsHistoryLoading() {
  return g_loading;
}

void SetAfterHistoryLoad(void (*afterLoad)()) {
  g_afterLoad = afterLoad;
}

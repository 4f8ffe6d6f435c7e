#include "app/copy_back.h"

#include "app/history_list.h"
#include "capture/clipboard_monitor.h"
#include "capture/clipboard_text.h"

namespace app {

namespace {
constexpr int kTextColumn = 2;  // "文本"
}

void CopyRowToClipboard(HWND list) {
  const bool wasMonitoring = IsMonitoring();
  const int row = SelectedRow(list);
  if (row < 0) {
    return;  // no row selected: emptying the clipboard would only destroy what the user has on it
  }
  if (wasMonitoring) {
    StopMonitoring();
  }
  WriteClipboardText(CellText(list, row, kTextColumn));
  if (wasMonitoring) {
    StartMonitoring();
  }
}

}  // namespace app

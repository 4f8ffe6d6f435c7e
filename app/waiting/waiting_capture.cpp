// Minimal stand-ins (see README.md).
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <vector>

#include "app/history_list.h"
#include "capture/clipboard_monitor.h"
#include "capture/clipboard_text.h"



namespace {
HWND g_window, g_list, g_next;
WNDPROC g_previous;
bool g_monitoring;
}  // namespace

HWND Create列表框(HWND parent) {
  HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL, 8, 8, 472,
                              312, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  const char* titles[] = {"ID", "时间", "文本"};
  const int widths[] = {50, 100, 300};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>(titles[i]);
    column.cx = widths[i];
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  return list;
}
int RowCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }
int AppendEmptyRow(HWND list) {
  LVITEMA item{};
  item.iItem = RowCount(list);
  return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}
void SetCellText(HWND list, int row, int column, const std::string& text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}
int SelectedRow(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}
std::string CellText(HWND list, int row, int column) {
  for (std::size_t size = 512;; size *= 2) {
    std::vector<char> buffer(size);
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(size);
    const auto length = static_cast<std::size_t>(
        SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
    if (length + 1 < size) {
      return std::string(buffer.data(), length);
    }
  }
}

std::string ReadClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(data))) {
      text = p;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}
bool WriteClipboardText(const std::string& text) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1);
  bool ok = false;
  if (block) {
    std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    ok = SetClipboardData(CF_TEXT, block) != nullptr;
  }
  CloseClipboard();
  return ok;
}

void AttachMonitor(HWND mainWindow, HWND historyList) {
  g_window = mainWindow;
  g_list = historyList;
}
LRESULT CALLBACK MonitorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWCLIPBOARD: {
      std::string text = ReadClipboardText();
      if (!text.empty()) {
        int row = AppendEmptyRow(g_list);
        SetCellText(g_list, row, 0, std::to_string(row));
        SetCellText(g_list, row, 2, ReadClipboardText());
      }
      if (g_next) SendMessageA(g_next, message, wParam, lParam);
      return 0;
    }
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(wParam) == g_next) {
        g_next = reinterpret_cast<HWND>(lParam);
      } else if (g_next) {
        SendMessageA(g_next, message, wParam, lParam);
      }
      return 0;
    case WM_DESTROYCLIPBOARD:
      if (g_next) SendMessageA(g_next, message, wParam, lParam);
      return 0;
    default:
      return CallWindowProcA(g_previous, window, message, wParam, lParam);
  }
}
void StartMonitoring() {
  g_next = SetClipboardViewer(g_window);
  g_previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(g_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MonitorWindowProc)));
  g_monitoring = true;
}
void StopMonitoring() {
  SetWindowLongPtrA(g_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previous));
  ChangeClipboardChain(g_window, g_next);
  g_monitoring = false;
}
bool IsMonitoring() { return g_monitoring; }
void OnStartMonitoringCommand(MonitorItems items) {
  items.startDisabled = true;
  items.stopDisabled = false;
  StartMonitoring();
}
void OnStopMonitoringCommand(MonitorItems items) {
  items.startDisabled = false;
  items.stopDisabled = true;
  StopMonitoring();
}


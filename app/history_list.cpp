#include "app/history_list.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace {

HWND g_attachedList = nullptr;

void AddColumn(HWND list, int index, const char* title, int width) {
  LVCOLUMNA column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = width;
  column.pszText = const_cast<char*>(title);
  column.iSubItem = index;
  SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

}  // namespace

HWND Create列表框(HWND parent) {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL;
  HWND list =
      CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", style, 8, 8, 472, 312, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kHistoryListControlId)),
                      reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
  if (list == nullptr)
    return nullptr;
  const DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP | LVS_EX_SUBITEMIMAGES;
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
  SendMessageA(list, LVM_SETTEXTCOLOR, 0, RGB(0, 0, 0));
  SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, RGB(255, 255, 255));
  SendMessageA(list, LVM_SETBKCOLOR, 0, RGB(255, 255, 255));
  AddColumn(list, 0, "ID", 50);
  AddColumn(list, 1, "时间", 100);
  AddColumn(list, 2, "文本", 300);
  return list;
}

int AppendEmptyRow(HWND list) {
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = RowCount(list);
  item.pszText = const_cast<char*>("");
  return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

int RowCount(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
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
  std::vector<char> buffer(512);
  for (;;) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    buffer[0] = '\0';
    const auto length =
        static_cast<size_t>(SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
    // A text that filled the buffer may have been cut: try again with twice the room.
    if (length + 1 < buffer.size() || buffer.size() >= (size_t{1} << 30)) {
      // The control may point pszText at a text of its own instead of filling the buffer.
      const char* text = item.pszText != nullptr ? item.pszText : buffer.data();
      return std::string(text, std::min(length, buffer.size() - 1));
    }
    buffer.resize(buffer.size() * 2);
  }
}

ListRedrawPause::ListRedrawPause(HWND list) : list_(list) {
  SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
}

ListRedrawPause::~ListRedrawPause() {
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

void AttachHistoryList(HWND list) {
  g_attachedList = list;
}

HWND AttachedHistoryList() {
  return g_attachedList;
}

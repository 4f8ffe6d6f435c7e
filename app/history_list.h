// The history list `列表框`: a report list view, child of the main window, with the three columns
// "ID", "时间" and "文本", and the few operations the program does on it. Rows are only ever appended
// at the end; nothing edits, sorts or removes them.
//
// Texts are std::string holding code page 936 bytes (the list is driven through the "A" messages).
//
// Build: these sources form the CMake target `quillet_history_list` (defined in capture/CMakeLists.txt,
// Windows trees only). Link it, or anything that links quillet_capture, to use them.
#pragma once

#include <windows.h>

#include <string>

// The control id of `列表框` inside its parent.
inline constexpr int kHistoryListControlId = 1001;

// Creates `列表框` in `parent`: LVS_REPORT | LVS_SINGLESEL, WS_TABSTOP, a sunken edge, at 8,8 472x312,
// full-row selection, grid lines, info tips and sub-item images, black on white, and the columns
// "ID" (50), "时间" (100), "文本" (300), all left-aligned. Returns null if the control cannot be made.
HWND Create列表框(HWND parent);

// Appends an empty row at the end (LVM_INSERTITEM at the index LVM_GETITEMCOUNT gives) and returns the
// index of the new row, -1 when the list refuses it.
int AppendEmptyRow(HWND list);

// The number of rows (LVM_GETITEMCOUNT).
int RowCount(HWND list);

// Sets the whole text of one cell (LVM_SETITEMTEXT); a text ends at its first zero byte.
void SetCellText(HWND list, int row, int column, const std::string& text);

// The index of the selected row (LVM_GETNEXTITEM from -1 with LVNI_SELECTED), -1 when none.
int SelectedRow(HWND list);

// The whole text of one cell (LVM_GETITEMTEXT into a buffer that starts at 512 bytes and doubles until the
// text fits); "" for a row or column that does not exist.
std::string CellText(HWND list, int row, int column);

// Keeps the list from redrawing while many rows are appended (the history load), and redraws it once at
// the end of the scope. Appending row by row to a list that redraws is many times slower.
class ListRedrawPause {
 public:
  explicit ListRedrawPause(HWND list);
  ~ListRedrawPause();
  ListRedrawPause(const ListRedrawPause&) = delete;
  ListRedrawPause& operator=(const ListRedrawPause&) = delete;

 private:
  HWND list_;
};

// The list that captures and the history load append their rows to. AttachMonitor sets it; the capture
// recorder and the history store read it. Null until set.
void AttachHistoryList(HWND list);
HWND AttachedHistoryList();

#pragma once
#include <windows.h>
#include <string>
HWND Create列表框(HWND parent);
int AppendEmptyRow(HWND list);
int RowCount(HWND list);
void SetCellText(HWND list, int row, int column, const std::string& text);
int SelectedRow(HWND list);
std::string CellText(HWND list, int row, int column);

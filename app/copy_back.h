// The copy-back: a double-click on 列表框 puts the text of the selected row back on the clipboard.
#pragma once

#include <windows.h>

namespace app {

// Writes the "文本" cell of the selected row to the clipboard as CF_TEXT, whole however long. While
// monitoring is on it is suspended around the write (the menu is not touched), so the text is not
// recorded again. With no row selected nothing happens: the user's clipboard is left as it is.
void CopyRowToClipboard(HWND list);

}  // namespace app

// The tray popup: 功能菜单's items as a Win32 popup menu, shown at the pointer.
#pragma once

#include <windows.h>

#include "app/menu_model.h"
#include "app/win32_handles.h"

namespace app {

// A popup menu with the items of `menu` in their order: current text, check mark where set, greyed
// where disabled, and the item's command id.
MenuHandle BuildPopupMenu(const 功能菜单& menu);

// Where the popup opens: 3 pixels right of and below the pointer.
POINT PopupPositionFor(POINT pointer);

// Builds the popup, tracks it at the pointer (right button, owner `owner`) and destroys it again;
// a chosen item's command reaches `owner` as WM_COMMAND.
void ShowPopupMenu(HWND owner, const 功能菜单& menu);

}  // namespace app

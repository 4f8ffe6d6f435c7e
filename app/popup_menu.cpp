#include "app/popup_menu.h"

namespace app {

namespace {
constexpr int kPopupOffset = 3;
}

MenuHandle BuildPopupMenu(const 功能菜单& menu) {
  MenuHandle popup(CreatePopupMenu());
  if (!popup) {
    return popup;
  }
  for (const MenuItem* item : menu.Items()) {
    const UINT flags =
        MF_STRING | (item->checked ? MF_CHECKED : MF_UNCHECKED) | (item->disabled ? MF_GRAYED : MF_ENABLED);
    AppendMenuA(popup.get(), flags, static_cast<UINT_PTR>(item->command), item->text.c_str());
  }
  return popup;
}

POINT PopupPositionFor(POINT pointer) {
  return {pointer.x + kPopupOffset, pointer.y + kPopupOffset};
}

void ShowPopupMenu(HWND owner, const 功能菜单& menu) {
  MenuHandle popup = BuildPopupMenu(menu);
  if (!popup) {
    return;
  }
  POINT pointer{};
  GetCursorPos(&pointer);
  const POINT at = PopupPositionFor(pointer);
  // With the owner in the foreground the popup closes when the user clicks elsewhere; the WM_NULL
  // afterwards lets a second popup open at once (both as the notification-area documentation asks).
  SetForegroundWindow(owner);
  TrackPopupMenu(popup.get(), TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
  PostMessageA(owner, WM_NULL, 0, 0);
}

}  // namespace app

// What the tray icon's callback message means, and what its tip field holds. Plain C++.
#pragma once

#include <optional>
#include <string>

namespace app {

inline constexpr unsigned kTrayIconId = 100;
inline constexpr unsigned kTrayCallbackMessage = 0x8064;  // WM_APP + 0x64
inline constexpr char kProductName[] = "Quillet";         // the tray tip and the single-instance mutex

// Tray event codes: 1 left button up (does nothing), 2 left double-click (shows the window),
// 3 right button up or context-menu key (opens the popup).
enum TrayEventCode : int { kTrayLeftClick = 1, kTrayDoubleClick = 2, kTrayMenuRequest = 3 };

// The code for the mouse message carried in the callback's lParam; none for any other message.
std::optional<TrayEventCode> TrayEventCodeFor(unsigned mouseMessage);

// The tip as it goes into the tip field: at most 62 bytes of it.
std::string TrayTipText(const std::string& tip);

}  // namespace app

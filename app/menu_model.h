// The menu 功能菜单: seven items, each with its text, check mark, disabled state and command id. The
// popup shown from the tray icon is built from these values every time, so whatever a command changes
// here shows at the next popup. Plain C++: no Windows header.
#pragma once

#include <array>
#include <string>

namespace app {

// Command ids of the popup items, as they arrive in WM_COMMAND.
enum CommandId : int {
  kToggleWindowCommand = 1001,
  kStartMonitoringCommand = 1002,
  kStopMonitoringCommand = 1003,
  kAutoMonitorCommand = 1004,
  kStartAtBootCommand = 1005,
  kClearConfigurationCommand = 1006,
  kExitCommand = 1007,
};

struct MenuItem {
  std::string text;  // code page 936
  bool checked = false;
  bool disabled = false;
  int command = 0;
};

// Texts of item 1: each names what the next choice of the item will do.
inline constexpr const char kShowWindowText[] = "显示窗口";
inline constexpr const char kHideWindowText[] = "隐藏窗口";

// Item 1's text after the window has been made visible (true) or hidden (false).
inline const char* WindowItemTextAfter(bool windowVisible) {
  return windowVisible ? kHideWindowText : kShowWindowText;
}

struct 功能菜单 {
  std::string text = "功能菜单";  // the menu's own text; it never shows, only its items do
  MenuItem windowItem{kShowWindowText, false, false, kToggleWindowCommand};
  MenuItem startMonitoringItem{"开始监视", false, false, kStartMonitoringCommand};
  MenuItem stopMonitoringItem{"停止监视", false, true, kStopMonitoringCommand};
  MenuItem autoMonitorItem{"自动监视", false, false, kAutoMonitorCommand};
  MenuItem startAtBootItem{"开机启动", false, false, kStartAtBootCommand};
  MenuItem clearConfigurationItem{"清空配置", false, false, kClearConfigurationCommand};
  MenuItem exitItem{"退出程序", false, false, kExitCommand};

  // The items in their menu order.
  std::array<const MenuItem*, 7> Items() const {
    return {&windowItem,      &startMonitoringItem, &stopMonitoringItem,
            &autoMonitorItem, &startAtBootItem,     &clearConfigurationItem,
            &exitItem};
  }
};

}  // namespace app

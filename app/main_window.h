// MainWindow: the program's only window. It holds the history list 列表框, carries the menu 功能菜单
// (reached only as the tray popup) and owns the tray icon. Closing it only hides it.
#pragma once

#include <windows.h>

#include <optional>

#include "app/menu_model.h"
#include "app/tray_icon.h"

namespace app {

inline constexpr char kMainWindowTitle[] = "Quillet　1.0";  // one ideographic space (A1 A1)
inline constexpr char kMainWindowClass[] = "QuilletMainWindow";
inline constexpr int kMainWindowWidth = 495;
inline constexpr int kMainWindowHeight = 357;
// A fixed border with title bar, system menu, close box and minimise box; no maximise box.
inline constexpr DWORD kMainWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

class MainWindow {
 public:
  // Creates the window, still hidden, centred on the screen, with 列表框 in it, and hands both to the
  // clipboard monitor. Null when the window cannot be created.
  static MainWindow* Create(HINSTANCE instance);
  // The one window of the process, or null before it is created.
  static MainWindow* Instance();
  // Only for tests: destroys the window (the program itself never does).
  static void DestroyForTests();

  HWND handle() const { return window_; }
  HWND historyList() const { return list_; }
  功能菜单& menu() { return menu_; }
  TrayIcon& tray() { return tray_; }

  // Item 1 "显示窗口": hides a visible window, shows a hidden one; the item's text then names what the
  // next choice of it will do.
  void ToggleWindow();
  // WM_CLOSE (close box, Alt+F4, the system menu, another program): toggles, and refuses the close.
  void OnCloseRequest();
  // The tray icon's mouse events, by code (1, 2, 3).
  void OnTrayEvent(int code);
  // A command of 功能菜单 (the popup posts it as WM_COMMAND).
  void OnMenuCommand(int command);
  // The notification area was re-created: puts the tray icon back.
  void OnTaskbarCreated();
  // A notification of a child control; a double-click on 列表框 copies its selected row back.
  void OnNotify(const NMHDR& header);

 private:
  MainWindow(HWND window, HWND list);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_;
  HWND list_;
  功能菜单 menu_;
  TrayIcon tray_;
};

// The outer rectangle's top-left corner that centres a window of the given size on the screen.
POINT CentredPosition(int screenWidth, int screenHeight, int width, int height);

}  // namespace app

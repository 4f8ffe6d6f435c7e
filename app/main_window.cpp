#include "app/main_window.h"

#include <commctrl.h>

#include <memory>

#include "app/copy_back.h"
#include "app/history_list.h"
#include "app/popup_menu.h"
#include "app/program.h"
#include "app/tray_codes.h"
#include "capture/clipboard_monitor.h"
#include "res/resource_ids.h"
#include "settings/settings_store.h"

namespace app {

namespace {

MainWindow*& TheWindow() {
  static MainWindow* window = nullptr;
  return window;
}

UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageA("TaskbarCreated");
  return message;
}

bool RegisterMainWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(QUILLET_APP_ICON));
  windowClass.hIconSm = static_cast<HICON>(
      LoadImageA(instance, MAKEINTRESOURCEA(QUILLET_APP_ICON), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kMainWindowClass;
  return RegisterClassExA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

settings::SwitchItems SwitchItemsOf(功能菜单& menu) {
  return settings::SwitchItems{menu.startAtBootItem.checked, menu.autoMonitorItem.checked};
}

MonitorItems MonitorItemsOf(功能菜单& menu) {
  return MonitorItems{menu.startMonitoringItem.disabled, menu.stopMonitoringItem.disabled};
}

}  // namespace

POINT CentredPosition(int screenWidth, int screenHeight, int width, int height) {
  return {(screenWidth - width) / 2, (screenHeight - height) / 2};  // halved toward zero
}

MainWindow::MainWindow(HWND window, HWND list) : window_(window), list_(list), tray_(window) {}

MainWindow* MainWindow::Instance() {
  return TheWindow();
}

MainWindow* MainWindow::Create(HINSTANCE instance) {
  if (TheWindow() != nullptr || !RegisterMainWindowClass(instance, &MainWindow::WindowProc)) {
    return nullptr;
  }
  const POINT at = CentredPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                   kMainWindowWidth, kMainWindowHeight);
  HWND window = CreateWindowExA(0, kMainWindowClass, kMainWindowTitle, kMainWindowStyle, at.x, at.y,
                                kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    return nullptr;
  }
  HWND list = Create列表框(window);
  TheWindow() = new MainWindow(window, list);
  // An elevated process gets no broadcast from the (unelevated) shell unless it lets this one through.
  ChangeWindowMessageFilterEx(window, TaskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
  AttachMonitor(window, list);
  return TheWindow();
}

void MainWindow::DestroyForTests() {
  std::unique_ptr<MainWindow> window(std::exchange(TheWindow(), nullptr));
  if (window) {
    window->tray_.SetTrayIcon({}, "");
    DestroyWindow(window->window_);
  }
}

void MainWindow::ToggleWindow() {
  if (IsWindowVisible(window_)) {
    menu_.windowItem.text = WindowItemTextAfter(false);
    ShowWindow(window_, SW_HIDE);
  } else {
    ShowWindow(window_, SW_SHOW);
    menu_.windowItem.text = WindowItemTextAfter(true);
  }
}

void MainWindow::OnCloseRequest() {
  ToggleWindow();
}

void MainWindow::OnTrayEvent(int code) {
  switch (code) {
    case kTrayDoubleClick:
      ShowWindow(window_, SW_SHOW);
      menu_.windowItem.text = WindowItemTextAfter(true);
      break;
    case kTrayMenuRequest:
      ShowPopupMenu(window_, menu_);
      break;
    case kTrayLeftClick:
    default:
      break;
  }
}

void MainWindow::OnMenuCommand(int command) {
  switch (command) {
    case kToggleWindowCommand:
      ToggleWindow();
      break;
    case kStartMonitoringCommand:
      OnStartMonitoringCommand(MonitorItemsOf(menu_));
      break;
    case kStopMonitoringCommand:
      OnStopMonitoringCommand(MonitorItemsOf(menu_));
      break;
    case kAutoMonitorCommand:
      settings::ToggleAutoMonitor(SwitchItemsOf(menu_));
      break;
    case kStartAtBootCommand:
      settings::ToggleStartAtBoot(SwitchItemsOf(menu_));
      break;
    case kClearConfigurationCommand:
      settings::ClearConfiguration();
      break;
    case kExitCommand:
      OnExitCommand();
      break;
    default:
      break;
  }
}

void MainWindow::OnTaskbarCreated() {
  tray_.AddAgain();
}

void MainWindow::OnNotify(const NMHDR& header) {
  if (header.hwndFrom == list_ && header.code == static_cast<UINT>(NM_DBLCLK)) {
    CopyRowToClipboard(list_);
  }
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MainWindow* self = TheWindow();
  if (self == nullptr || self->window_ != window) {
    return DefWindowProcA(window, message, wParam, lParam);
  }
  if (message == kTrayCallbackMessage) {
    if (const auto code = TrayEventCodeFor(static_cast<unsigned>(lParam))) {
      self->OnTrayEvent(*code);
    }
    return 0;
  }
  if (message == TaskbarCreatedMessage()) {
    self->OnTaskbarCreated();
    return 0;
  }
  switch (message) {
    case WM_CLOSE:
      self->OnCloseRequest();
      return 0;  // refused: the window is not destroyed
    case WM_COMMAND:
      if (HIWORD(wParam) == 0 && lParam == 0) {  // from a menu
        self->OnMenuCommand(LOWORD(wParam));
        return 0;
      }
      break;
    case WM_NOTIFY:
      self->OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace app

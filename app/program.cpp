#include "app/program.h"

#include <commctrl.h>

#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/tray_codes.h"
#include "app/tray_icon.h"
#include "capture/clipboard_monitor.h"
#include "history/store/history_store.h"
#include "settings/settings_store.h"

namespace app {

void OnMainWindowCreated(MainWindow& window) {
  CheckSingleInstance(kProductName);
  window.tray().SetTrayIcon(ApplicationIconFile(), kProductName);
  功能菜单& menu = window.menu();
  settings::LoadSwitches(
      settings::SwitchItems{menu.startAtBootItem.checked, menu.autoMonitorItem.checked}, [&menu] {
        OnStartMonitoringCommand(
            MonitorItems{menu.startMonitoringItem.disabled, menu.stopMonitoringItem.disabled});
      });
  LoadHistory();
}

void OnExitCommand() {
  if (IsMonitoring()) {
    StopMonitoring();
  }
  if (MainWindow* window = MainWindow::Instance()) {
    window->tray().SetTrayIcon({}, "");
  }
  EndProgram(0);
}

void EndProgram(int exitCode) {
  ExitProcess(static_cast<UINT>(exitCode));
}

MainWindow* StartProgram(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  MainWindow* window = MainWindow::Create(instance);
  if (window == nullptr) {
    return nullptr;
  }
  OnMainWindowCreated(*window);
  ShowWindow(window->handle(), SW_SHOW);
  return window;
}

int RunProgram(HINSTANCE instance) {
  if (StartProgram(instance) == nullptr) {
    return 1;
  }
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

}  // namespace app

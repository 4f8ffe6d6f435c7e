// Minimal stand-ins (see README.md).
#include <windows.h>

#include "settings/settings_store.h"

namespace settings {
void LoadSwitches(SwitchItems items, const std::function<void()>& startMonitoringCommand) {
  DWORD boot = 0, autoMonitor = 0, size = sizeof(DWORD);
  RegGetValueA(HKEY_LOCAL_MACHINE, "software\\Tobrin", "开机启动", RRF_RT_REG_DWORD, nullptr, &boot, &size);
  size = sizeof(DWORD);
  RegGetValueA(HKEY_LOCAL_MACHINE, "software\\Tobrin", "自动监视", RRF_RT_REG_DWORD, nullptr, &autoMonitor,
               &size);
  items.startAtBootChecked = boot == 1;
  items.autoMonitorChecked = autoMonitor == 1;
  if (autoMonitor == 1) startMonitoringCommand();
}
void ToggleStartAtBoot(SwitchItems items) { items.startAtBootChecked = !items.startAtBootChecked; }
void ToggleAutoMonitor(SwitchItems items) { items.autoMonitorChecked = !items.autoMonitorChecked; }
void SaveSwitches(SwitchItems) {}
void ClearConfiguration() {}
}  // namespace settings

#include "settings/settings_store.h"

#include <string>

#include "settings/autostart_entry.h"
#include "settings/registry_access.h"

namespace settings {

void LoadSwitches(SwitchItems items, const std::function<void()>& startMonitoringCommand) {
  const RegistryAccess registry;
  const std::int32_t startAtBoot = registry.ReadInteger(kSwitchesKey, kStartAtBootValue);
  const std::int32_t autoMonitor = registry.ReadInteger(kSwitchesKey, kAutoMonitorValue);
  items.startAtBootChecked = startAtBoot == 1;
  if (autoMonitor == 1) {
    items.autoMonitorChecked = true;
    if (startMonitoringCommand) {
      startMonitoringCommand();
    }
  } else {
    items.autoMonitorChecked = false;
  }
}

void ToggleStartAtBoot(SwitchItems items) {
  if (!items.startAtBootChecked) {
    items.startAtBootChecked = true;
    WriteAutostartEntry();
  } else {
    RemoveAutostartEntry();
    items.startAtBootChecked = false;
  }
  SaveSwitches(items);
}

void ToggleAutoMonitor(SwitchItems items) {
  items.autoMonitorChecked = !items.autoMonitorChecked;
  SaveSwitches(items);
}

void SaveSwitches(SwitchItems items) {
  const RegistryAccess registry;
  registry.WriteInteger(kSwitchesKey, kStartAtBootValue, items.startAtBootChecked ? 1 : 0);
  registry.WriteInteger(kSwitchesKey, kAutoMonitorValue, items.autoMonitorChecked ? 1 : 0);
}

void ClearConfiguration() {
  const RegistryAccess registry;
  // A key named like the entry, below the Run key, goes with its sub-keys ...
  registry.DeleteKeyTree(std::string("HKEY_LOCAL_MACHINE\\") + kAutostartEntryPath);
  // ... and so does the entry itself, the value "Clipboard" of the Run key: a cleared configuration no
  // longer starts the program at log-on.
  RemoveAutostartEntry();
  registry.DeleteKeyTree(kSwitchesKey);
}

}  // namespace settings

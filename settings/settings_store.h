// SettingsStore: the two persisted switches, start at log-on ("开机启动") and automatic monitoring
// ("自动监视"), kept as REG_DWORD values (1 for on) in the key "HKEY_LOCAL_MACHINE\software\Tobrin".
// While the program runs, each switch lives in the check mark of its menu item; these operations load
// the check marks at start-up, save them after each toggle and clear the stored configuration.
// No operation reports a result; registry failures leave the registry as it was.
#pragma once

#include <functional>

namespace settings {

// The switches key and the names of its two values.
inline constexpr char kSwitchesKey[] = "HKEY_LOCAL_MACHINE\\software\\Tobrin";
inline constexpr char kStartAtBootValue[] = "开机启动";
inline constexpr char kAutoMonitorValue[] = "自动监视";

// The check marks of the menu items "开机启动" and "自动监视".
struct SwitchItems {
  bool& startAtBootChecked;
  bool& autoMonitorChecked;
};

// At start-up: each check mark is set exactly when its stored value is 1 (a missing key or value reads as
// 0). With automatic monitoring stored as 1, startMonitoringCommand runs too. Nothing is written.
void LoadSwitches(SwitchItems items, const std::function<void()>& startMonitoringCommand);

// The command of "开机启动": sets the check mark and writes the autostart entry, or removes the entry and
// clears the check mark; then saves both switches.
void ToggleStartAtBoot(SwitchItems items);

// The command of "自动监视": flips its check mark and saves both switches. Monitoring itself is neither
// started nor stopped; the switch takes effect at the next start-up.
void ToggleAutoMonitor(SwitchItems items);

// Writes both switches (1 for a check mark, 0 for none), creating the key when it is missing.
void SaveSwitches(SwitchItems items);

// The command of "清空配置": deletes the switches key with both values and the autostart entry. The check
// marks and monitoring stay as they are; the next toggle writes both switches again.
void ClearConfiguration();

}  // namespace settings

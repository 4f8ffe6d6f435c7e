#pragma once
#include <functional>
namespace settings {
struct SwitchItems {
  bool& startAtBootChecked;
  bool& autoMonitorChecked;
};
void LoadSwitches(SwitchItems items, const std::function<void()>& startMonitoringCommand);
void ToggleStartAtBoot(SwitchItems items);
void ToggleAutoMonitor(SwitchItems items);
void SaveSwitches(SwitchItems items);
void ClearConfiguration();
}  // namespace settings

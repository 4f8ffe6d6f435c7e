#pragma once
#include <windows.h>
void AttachMonitor(HWND mainWindow, HWND historyList);
void StartMonitoring();
void StopMonitoring();
bool IsMonitoring();
struct MonitorItems {
  bool& startDisabled;
  bool& stopDisabled;
};
void OnStartMonitoringCommand(MonitorItems items);
void OnStopMonitoringCommand(MonitorItems items);
LRESULT CALLBACK MonitorWindowProc(HWND, UINT, WPARAM, LPARAM);

// The clipboard monitor: while monitoring is on, the main window sits in the clipboard viewer chain with
// MonitorWindowProc as its window procedure, and every clipboard change that brings a non-empty text
// becomes one capture (RecordCapture).
//
// It owns three process-wide values, all zero at start: the monitoring flag, the next viewer in the
// chain and the window procedure it replaced.
#pragma once

#include <windows.h>

// The window that joins the viewer chain (the main window) and the history list the captures go to.
// Called once, right after both are created and before anything else here.
void AttachMonitor(HWND mainWindow, HWND historyList);

// Joins the viewer chain (SetClipboardViewer), then installs MonitorWindowProc on the main window
// (SetWindowLongPtrA with GWLP_WNDPROC), then sets the monitoring flag. The text already on the clipboard
// is not recorded. Does nothing while monitoring is on.
void StartMonitoring();
// Puts the previous window procedure back, leaves the chain (ChangeClipboardChain), clears the flag.
// Does nothing while monitoring is off.
void StopMonitoring();
// The monitoring flag.
bool IsMonitoring();

// The disabled states of the menu items "开始监视" and "停止监视".
struct MonitorItems {
  bool& startDisabled;
  bool& stopDisabled;
};
// "开始监视" chosen: disables it, enables "停止监视", then StartMonitoring.
void OnStartMonitoringCommand(MonitorItems items);
// "停止监视" chosen: enables "开始监视", disables it, then StopMonitoring.
void OnStopMonitoringCommand(MonitorItems items);

// The main window's procedure while monitoring. WM_DRAWCLIPBOARD, WM_CHANGECBCHAIN and WM_DESTROYCLIPBOARD
// are handled here (and passed on to the next viewer with the same wParam and lParam where the chain
// protocol says so); every other message goes to the previous procedure through CallWindowProcA.
LRESULT CALLBACK MonitorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

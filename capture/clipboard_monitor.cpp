#include "capture/clipboard_monitor.h"

#include "app/history_list.h"
#include "capture/capture_recorder.h"
#include "capture/clipboard_text.h"

namespace {

HWND g_mainWindow = nullptr;
bool g_monitoring = false;              // the monitoring flag
HWND g_nextViewer = nullptr;            // the window after the main window in the viewer chain
WNDPROC g_previousProcedure = nullptr;  // the procedure StartMonitoring replaced
// The clipboard sequence number of the last change that WM_DRAWCLIPBOARD was handled for. Wine can send
// a second WM_DRAWCLIPBOARD for one change, nested inside the first; that one must not be recorded again.
DWORD g_lastChangeSeen = 0;

void SendToNextViewer(UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_nextViewer != nullptr)
    SendMessageA(g_nextViewer, message, wParam, lParam);
}

LRESULT OnDrawClipboard(WPARAM wParam, LPARAM lParam) {
  const DWORD change = GetClipboardSequenceNumber();
  const bool seenBefore = change != 0 && change == g_lastChangeSeen;
  if (!seenBefore) {
    g_lastChangeSeen = change;
    bool hasText = !ReadClipboardText().empty();
    if (hasText) {
      // The clipboard may have changed since the first reading; record the second reading, but never an
      // empty one (that change brings its own WM_DRAWCLIPBOARD).
      std::string text = ReadClipboardText();
      if (!text.empty())
        RecordCapture(text);
    }
  }
  SendToNextViewer(WM_DRAWCLIPBOARD, wParam, lParam);
  return 0;
}

LRESULT OnChangeClipboardChain(WPARAM wParam, LPARAM lParam) {
  if (reinterpret_cast<HWND>(wParam) == g_nextViewer) {
    g_nextViewer = reinterpret_cast<HWND>(lParam);
  } else {
    SendToNextViewer(WM_CHANGECBCHAIN, wParam, lParam);
  }
  return 0;
}

LRESULT OnDestroyClipboard(WPARAM wParam, LPARAM lParam) {
  SendToNextViewer(WM_DESTROYCLIPBOARD, wParam, lParam);
  return 0;
}

}  // namespace

void AttachMonitor(HWND mainWindow, HWND historyList) {
  g_mainWindow = mainWindow;
  AttachHistoryList(historyList);
}

void StartMonitoring() {
  if (g_monitoring)
    return;
  // Joining the chain sends WM_DRAWCLIPBOARD at once, to the window's ordinary procedure: the text already
  // on the clipboard is not recorded, nor a repetition of that notification once MonitorWindowProc is in.
  g_nextViewer = SetClipboardViewer(g_mainWindow);
  g_lastChangeSeen = GetClipboardSequenceNumber();
  g_previousProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(g_mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MonitorWindowProc)));
  g_monitoring = true;
}

void StopMonitoring() {
  if (!g_monitoring)
    return;
  SetWindowLongPtrA(g_mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previousProcedure));
  ChangeClipboardChain(g_mainWindow, g_nextViewer);
  g_monitoring = false;
}

bool IsMonitoring() {
  return g_monitoring;
}

void OnStartMonitoringCommand(MonitorItems items) {
  items.startDisabled = true;
  items.stopDisabled = false;
  StartMonitoring();
}

void OnStopMonitoringCommand(MonitorItems items) {
  items.startDisabled = false;
  items.stopDisabled = true;
  StopMonitoring();
}

LRESULT CALLBACK MonitorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWCLIPBOARD:
      return OnDrawClipboard(wParam, lParam);
    case WM_CHANGECBCHAIN:
      return OnChangeClipboardChain(wParam, lParam);
    case WM_DESTROYCLIPBOARD:
      return OnDestroyClipboard(wParam, lParam);
    default:
      return CallWindowProcA(g_previousProcedure, window, message, wParam, lParam);
  }
}

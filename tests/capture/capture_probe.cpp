// A stand-in for the program, driven from outside by xclip_capture_test.sh: a hidden main window with
// `列表框`, monitoring on, "Data.mdb" beside the executable. It writes "ready" beside itself once it is
// in the viewer chain; when a file "stop" appears there, it writes the list's rows to "rows.txt" (one
// line a row: ID, tab, time, tab, Base64 of the text's UTF-8 bytes), leaves the chain and ends.
//
//   capture_probe.exe [--create] [--settle]
//     --create: first make a fresh Data.mdb with the empty table "Data"
//     --settle: before monitoring, wait until the clipboard holds a text and has not changed for 300 ms
//               (the X clipboard bridge can turn the first X change after a Windows owner has gone into
//               two Windows changes; the script lets that happen before the probe watches)
#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>

#include "app/history_list.h"
#include "capture/clipboard_monitor.h"
#include "capture/clipboard_text.h"
#include "history/codec/stored_text_codec.h"
#include "history/jet/database.h"
#include "history/store/history_store.h"

namespace {

std::string Beside(const char* name) {
  std::string path = HistoryDatabasePath();
  return path.substr(0, path.find_last_of('\\') + 1) + name;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << bytes;
}

HWND g_list = nullptr;

LRESULT CALLBACK ProbeProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && GetFileAttributesA(Beside("stop").c_str()) != INVALID_FILE_ATTRIBUTES) {
    KillTimer(window, 1);
    std::string rows;
    for (int row = 0; row < RowCount(g_list); ++row) {
      const std::string text = TextToUtf8(CellText(g_list, row, 2));
      rows += CellText(g_list, row, 0) + "\t" + CellText(g_list, row, 1) + "\t" +
              Base64Encode(std::string_view(text).substr(0, text.empty() ? 0 : text.size() - 1)) + "\n";
    }
    WriteFile(Beside("rows.txt"), rows);
    StopMonitoring();
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  if (strstr(commandLine, "--create") != nullptr) {
    std::wstring wide(MAX_PATH, L'\0');
    wide.resize(GetModuleFileNameW(nullptr, wide.data(), MAX_PATH));
    wide = wide.substr(0, wide.find_last_of(L'\\') + 1) + L"Data.mdb";
    std::u16string path(wide.begin(), wide.end());
    if (!jet::CreateHistoryDatabase(jet::ToUtf8(path), true).ok())
      return 2;
  }
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = &ProbeProcedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "QuilletCaptureProbe";
  RegisterClassA(&windowClass);
  HWND window =
      CreateWindowExA(0, "QuilletCaptureProbe", "Quillet　1.0", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0, 0,
                      500, 360, nullptr, nullptr, instance, nullptr);
  g_list = Create列表框(window);
  AttachMonitor(window, g_list);
  if (strstr(commandLine, "--settle") != nullptr) {
    DWORD change = GetClipboardSequenceNumber();
    ULONGLONG stableSince = GetTickCount64();
    const ULONGLONG deadline = stableSince + 20000;
    while (GetTickCount64() < deadline) {
      Sleep(10);
      const DWORD now = GetClipboardSequenceNumber();
      if (now != change) {
        change = now;
        stableSince = GetTickCount64();
      } else if (GetTickCount64() - stableSince >= 300 && !ReadClipboardText().empty()) {
        break;
      }
    }
  }
  LoadHistory();
  StartMonitoring();
  SetTimer(window, 1, 50, nullptr);
  WriteFile(Beside("ready"), "ready\n");
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

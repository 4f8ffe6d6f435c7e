// A well-behaved clipboard viewer of its own process: joins the viewer chain, logs the CF_TEXT of every
// WM_DRAWCLIPBOARD it receives, passes every chain message on, and leaves the chain when a stop file
// appears (or after a time limit).
//
//   chain_viewer.exe LOG_FILE STOP_FILE [SECONDS]
//
// LOG_FILE gets one JSON line per notification: {"n":N,"seq":S,"text":"..."} (S: the clipboard's sequence
// number) with the text converted from code
// page 936 to UTF-8, or "text":null when the clipboard holds no CF_TEXT or cannot be opened. The first
// line, "ready", is written once the viewer is in the chain; the last, "left", once it has left it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr UINT_PTR kStopTimer = 1;

HWND g_next = nullptr;
HANDLE g_log = INVALID_HANDLE_VALUE;
std::wstring g_stopFile;
ULONGLONG g_end = 0;
int g_count = 0;

std::wstring Wide(const char* utf8) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring out(size > 0 ? size - 1 : 0, L'\0');
  if (size > 1)
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out.data(), size);
  return out;
}

std::string AnsiToUtf8(const char* text) {
  const int wide = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (wide <= 1)
    return {};
  std::wstring buffer(wide, L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, buffer.data(), wide);
  const int size = WideCharToMultiByte(CP_UTF8, 0, buffer.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, buffer.c_str(), -1, out.data(), size, nullptr, nullptr);
  out.resize(size - 1);
  return out;
}

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void Log(const std::string& line) {
  const std::string withEnd = line + "\n";
  DWORD written = 0;
  WriteFile(g_log, withEnd.data(), static_cast<DWORD>(withEnd.size()), &written, nullptr);
}

// The clipboard's CF_TEXT as UTF-8, or nothing when there is none.
bool ReadText(HWND window, std::string& text) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (OpenClipboard(window)) {
      bool found = false;
      if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
          text = AnsiToUtf8(bytes);
          found = true;
          GlobalUnlock(data);
        }
      }
      CloseClipboard();
      return found;
    }
    Sleep(10);
  }
  return false;
}

void OnDrawClipboard(HWND window, WPARAM wParam, LPARAM lParam) {
  std::string text;
  const bool found = ReadText(window, text);
  ++g_count;
  Log("{\"n\":" + std::to_string(g_count) + ",\"seq\":" + std::to_string(GetClipboardSequenceNumber()) +
      ",\"text\":" + (found ? JsonString(text) : "null") + "}");
  if (g_next != nullptr)
    SendMessageA(g_next, WM_DRAWCLIPBOARD, wParam, lParam);
}

void OnChangeChain(WPARAM wParam, LPARAM lParam) {
  if (reinterpret_cast<HWND>(wParam) == g_next) {
    g_next = reinterpret_cast<HWND>(lParam);
  } else if (g_next != nullptr) {
    SendMessageA(g_next, WM_CHANGECBCHAIN, wParam, lParam);
  }
}

void OnStopTimer(HWND window) {
  if (GetFileAttributesW(g_stopFile.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < g_end)
    return;
  KillTimer(window, kStopTimer);
  ChangeClipboardChain(window, g_next);
  Log("left");
  PostQuitMessage(0);
}

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWCLIPBOARD:
      OnDrawClipboard(window, wParam, lParam);
      return 0;
    case WM_CHANGECBCHAIN:
      OnChangeChain(wParam, lParam);
      return 0;
    case WM_DESTROYCLIPBOARD:
      if (g_next != nullptr)
        SendMessageA(g_next, message, wParam, lParam);
      return 0;
    case WM_TIMER:
      if (wParam == kStopTimer)
        OnStopTimer(window);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3)
    return 2;
  const std::wstring logFile = Wide(argv[1]);
  g_stopFile = Wide(argv[2]);
  g_end = GetTickCount64() + static_cast<ULONGLONG>(argc > 3 ? std::atoi(argv[3]) : 180) * 1000;
  g_log = CreateFileW(logFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (g_log == INVALID_HANDLE_VALUE)
    return 1;

  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ViewerProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "QuilletE2eChainViewer";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("QuilletE2eChainViewer", "chain viewer", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                              nullptr, instance, nullptr);
  if (window == nullptr)
    return 1;
  g_next = SetClipboardViewer(window);
  Log("ready");
  SetTimer(window, kStopTimer, 50, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0)
    DispatchMessageA(&message);
  CloseHandle(g_log);
  return 0;
}

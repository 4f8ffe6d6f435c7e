// A helper for the outside-in tests of Quillet.exe, run as its own Windows process:
//   e2e_probe rows              prints the number of rows of Quillet's history list (exit 2: no window)
//   e2e_probe texts             prints the "文本" cell of every row, one per line (code page 936)
//   e2e_probe viewer FILE SECS  joins the clipboard viewer chain and appends every clipboard text it is
//                               told about to FILE, one per line, for at most SECS seconds
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HWND g_next;
FILE* g_log;

std::string ClipboardText() {
  std::string text;
  for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) {
    Sleep(10);
  }
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
      text = bytes;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWCLIPBOARD:
      std::fprintf(g_log, "%s\n", ClipboardText().c_str());
      std::fflush(g_log);
      if (g_next)
        SendMessageA(g_next, message, wParam, lParam);
      return 0;
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(wParam) == g_next) {
        g_next = reinterpret_cast<HWND>(lParam);
      } else if (g_next) {
        SendMessageA(g_next, message, wParam, lParam);
      }
      return 0;
    case WM_TIMER:
      ChangeClipboardChain(window, g_next);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

int Viewer(const char* path, int seconds) {
  g_log = std::fopen(path, "ab");
  if (g_log == nullptr)
    return 1;
  WNDCLASSA wc{};
  wc.lpfnWndProc = ViewerProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "QuilletE2eViewer";
  RegisterClassA(&wc);
  HWND window =
      CreateWindowA(wc.lpszClassName, "viewer", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
  std::fprintf(g_log, "<joined>\n");  // the first notice comes while joining
  g_next = SetClipboardViewer(window);
  SetTimer(window, 1, seconds * 1000, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0)
    DispatchMessageA(&msg);
  std::fclose(g_log);
  return 0;
}

HWND QuilletList() {
  HWND window = FindWindowA("QuilletMainWindow", nullptr);
  return window ? FindWindowExA(window, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
}

// The list lives in another process: the item and its text buffer are placed in that process's memory.
int Texts() {
  HWND list = QuilletList();
  if (list == nullptr)
    return 2;
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr)
    return 3;
  constexpr SIZE_T kBuffer = 1 << 16;
  char* remote = static_cast<char*>(
      VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + kBuffer, MEM_COMMIT, PAGE_READWRITE));
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  std::string text(kBuffer, '\0');
  for (int row = 0; row < count; ++row) {
    LVITEMA item{};
    item.iSubItem = 2;
    item.pszText = remote + sizeof(LVITEMA);
    item.cchTextMax = kBuffer;
    WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
    const auto length =
        static_cast<SIZE_T>(SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote)));
    ReadProcessMemory(process, remote + sizeof(LVITEMA), text.data(), length, nullptr);
    std::printf("%s\n", text.substr(0, length).c_str());
  }
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return 0;
}

int Rows() {
  HWND list = QuilletList();
  if (list == nullptr)
    return 2;
  std::printf("%d\n", static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "rows") == 0)
    return Rows();
  if (argc >= 2 && std::strcmp(argv[1], "texts") == 0)
    return Texts();
  if (argc >= 4 && std::strcmp(argv[1], "viewer") == 0)
    return Viewer(argv[2], std::atoi(argv[3]));
  std::fprintf(stderr, "usage: e2e_probe rows | viewer FILE SECONDS\n");
  return 2;
}

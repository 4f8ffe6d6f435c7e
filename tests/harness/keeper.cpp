// Keeps one GUI process alive for a whole Wine test run, so that explorer.exe (which bridges the X
// clipboard and hosts the tray) stays up between tests instead of exiting and restarting.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = instance;
  wc.lpszClassName = "QuilletTestKeeper";
  RegisterClassA(&wc);
  CreateWindowA("QuilletTestKeeper", "keeper", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    DispatchMessageA(&msg);
  }
  return 0;
}

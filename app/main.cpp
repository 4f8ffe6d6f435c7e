// Quillet.exe: a tray utility that keeps a history of every text copied to the clipboard.
#include <windows.h>

#include "app/program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return app::RunProgram(instance);
}

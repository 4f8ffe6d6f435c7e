// The program's life: start-up, the message loop and the exit command.
#pragma once

#include <windows.h>

namespace app {

class MainWindow;

// Program start: StartProgram, then the message loop for as long as the window exists. Returns 0 when
// the loop ends, 1 when the window cannot be created.
int RunProgram(HINSTANCE instance);

// The start-up before the message loop: creates MainWindow (hidden) with 列表框, runs
// OnMainWindowCreated, then shows the window. Null when the window cannot be created.
MainWindow* StartProgram(HINSTANCE instance);

// The window-created event of MainWindow, before the window is first shown: the single-instance check,
// the tray icon, the switches (which may start monitoring) and then the history.
void OnMainWindowCreated(MainWindow& window);

// "退出程序": leaves the clipboard viewer chain if monitoring, removes the tray icon, ends with code 0.
void OnExitCommand();

// Ends the process at once with `exitCode`.
[[noreturn]] void EndProgram(int exitCode);

}  // namespace app

// Only one instance of the program runs at a time for a logged-on user.
#pragma once

namespace app {

// Returns only in the first instance, which then owns the named mutex `name` for the rest of its life.
// A second instance (another process owns the mutex) shows the notice and ends with exit code 0.
void CheckSingleInstance(const char* name);

inline constexpr char kAlreadyRunningText[] = "应用程序已经运行！\r\n\r\n请留意右下角程序图标！";
inline constexpr char kAlreadyRunningCaption[] = "提示";

}  // namespace app

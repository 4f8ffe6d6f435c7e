// Lets the user interface handle the window messages that are waiting for this thread, then returns.
// The registry enumerations call it after every item, so a tray event or a menu command can run in the
// middle of a long enumeration (and so in the middle of a clear-configuration).
#pragma once

namespace settings {

// Dispatches every message waiting in this thread's queue. A WM_QUIT found there is posted again and
// ends the loop, so the message loop of the program still sees it.
void HandleWaitingWindowMessages();

}  // namespace settings

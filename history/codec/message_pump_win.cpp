// The step that lets waiting window messages be handled in the middle of a long operation (the decoder
// runs it after every group of four characters).
#include "history/codec/stored_text_codec.h"

#include <windows.h>

void PumpWaitingMessages() {
  // The usual case is an empty queue: one status query and back.
  if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) {
    return;
  }
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit request for the message loop that owns it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void MessagePumpPacer::operator()() {
  // After the first pump the clock is read every 32nd group only (128 characters, well under a
  // microsecond of decoding), which keeps the idle cost per group to a counter.
  if (pumped_ && (++groups_ & 31) != 0) {
    return;
  }
  if (pumped_ && GetTickCount() == lastTick_) {
    return;
  }
  PumpWaitingMessages();
  // Counted from the end of the pump, so that long handlers do not make the next group pump again.
  pumped_ = true;
  lastTick_ = GetTickCount();
}

#include "app/single_instance.h"

#include <windows.h>

#include "app/win32_handles.h"

namespace app {

namespace {
constexpr DWORD kWaitMilliseconds = 100;

// The handle of the first instance, held open (and the mutex owned) until the process ends.
KernelHandle& SingleInstanceMutex() {
  static KernelHandle* mutex = new KernelHandle();  // never dropped: the system gives it up at the end
  return *mutex;
}
}  // namespace

void CheckSingleInstance(const char* name) {
  KernelHandle mutex(CreateMutexA(nullptr, TRUE, name));
  if (WaitForSingleObject(mutex.get(), kWaitMilliseconds) == WAIT_TIMEOUT) {
    ReleaseMutex(mutex.get());  // not ours: has no effect, as the design of the check has it
    mutex.Reset();
    MessageBoxA(nullptr, kAlreadyRunningText, kAlreadyRunningCaption,
                MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
    ExitProcess(0);
  }
  // WAIT_OBJECT_0 (created and owned), WAIT_ABANDONED (a former owner died), WAIT_FAILED (no handle).
  if (mutex) {
    SingleInstanceMutex() = std::move(mutex);
  }
}

}  // namespace app

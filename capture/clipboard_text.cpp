#include "capture/clipboard_text.h"

#include <windows.h>

#include <cstring>

#include "capture/clipboard_opening.h"

std::string ReadClipboardText() {
  ClipboardOpening clipboard;
  if (!clipboard.IsOpen())
    return {};
  HANDLE data = GetClipboardData(CF_TEXT);
  if (data == nullptr)
    return {};
  GlobalMemoryLock lock(data);
  const char* bytes = static_cast<const char*>(lock.data());
  if (bytes == nullptr)
    return {};
  // Another program's block need not hold a terminating zero: never read past its end.
  return std::string(bytes, strnlen(bytes, lock.size()));
}

bool WriteClipboardText(const std::string& text) {
  ClipboardOpening clipboard;
  if (!clipboard.IsOpen())
    return false;
  EmptyClipboard();
  const size_t length = strlen(text.c_str());
  OwnedGlobalMemory block(GMEM_MOVEABLE | GMEM_ZEROINIT, length + 1);
  if (block.get() == nullptr)
    return false;
  {
    GlobalMemoryLock lock(block.get());
    if (lock.data() == nullptr)
      return false;
    memcpy(lock.data(), text.c_str(), length + 1);
  }
  if (SetClipboardData(CF_TEXT, block.get()) == nullptr)
    return false;
  block.Release();  // the clipboard owns it now
  return true;
}

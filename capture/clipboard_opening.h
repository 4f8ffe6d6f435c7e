// Owners of the two resources a clipboard text operation holds: an opening of the clipboard and the lock
// on a global memory block.
#pragma once

#include <windows.h>

// OpenClipboard with no owner window; CloseClipboard at the end of the scope if the open succeeded.
class ClipboardOpening {
 public:
  ClipboardOpening() : open_(OpenClipboard(nullptr) != FALSE) {}
  ~ClipboardOpening() {
    if (open_)
      CloseClipboard();
  }
  ClipboardOpening(const ClipboardOpening&) = delete;
  ClipboardOpening& operator=(const ClipboardOpening&) = delete;

  bool IsOpen() const { return open_; }

 private:
  bool open_;
};

// GlobalLock for the length of a scope.
class GlobalMemoryLock {
 public:
  explicit GlobalMemoryLock(HGLOBAL block) : block_(block), data_(block ? GlobalLock(block) : nullptr) {}
  ~GlobalMemoryLock() {
    if (data_ != nullptr)
      GlobalUnlock(block_);
  }
  GlobalMemoryLock(const GlobalMemoryLock&) = delete;
  GlobalMemoryLock& operator=(const GlobalMemoryLock&) = delete;

  void* data() const { return data_; }
  // The size of the block in bytes (0 when it could not be locked).
  size_t size() const { return data_ != nullptr ? GlobalSize(block_) : 0; }

 private:
  HGLOBAL block_;
  void* data_;
};

// A global memory block that is freed at the end of the scope unless it was handed over (to the clipboard).
class OwnedGlobalMemory {
 public:
  OwnedGlobalMemory(UINT flags, size_t bytes) : block_(GlobalAlloc(flags, bytes)) {}
  ~OwnedGlobalMemory() {
    if (block_ != nullptr)
      GlobalFree(block_);
  }
  OwnedGlobalMemory(const OwnedGlobalMemory&) = delete;
  OwnedGlobalMemory& operator=(const OwnedGlobalMemory&) = delete;

  HGLOBAL get() const { return block_; }
  HGLOBAL Release() {
    HGLOBAL block = block_;
    block_ = nullptr;
    return block;
  }

 private:
  HGLOBAL block_;
};

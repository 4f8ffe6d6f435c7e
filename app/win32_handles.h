// Owners of the Win32 handles the shell keeps: each closes its handle when it is dropped.
#pragma once

#include <windows.h>

#include <utility>

namespace app {

template <typename Handle, typename Traits>
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(Handle handle) : handle_(handle) {}
  OwnedHandle(OwnedHandle&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) {
      Reset(std::exchange(other.handle_, Handle{}));
    }
    return *this;
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  ~OwnedHandle() { Reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }
  void Reset(Handle handle = Handle{}) {
    if (handle_ != Handle{}) {
      Traits::Close(handle_);
    }
    handle_ = handle;
  }

 private:
  Handle handle_{};
};

struct IconTraits {
  static void Close(HICON icon) { DestroyIcon(icon); }
};
struct MenuTraits {
  static void Close(HMENU menu) { DestroyMenu(menu); }
};
struct KernelObjectTraits {
  static void Close(HANDLE handle) { CloseHandle(handle); }
};

using IconHandle = OwnedHandle<HICON, IconTraits>;
using MenuHandle = OwnedHandle<HMENU, MenuTraits>;
using KernelHandle = OwnedHandle<HANDLE, KernelObjectTraits>;

}  // namespace app

// The owner of one open registry key: closes it when it goes out of scope, so no key handle outlives the
// operation that opened it.
#pragma once

#include <windows.h>

namespace settings {

class RegistryKey {
 public:
  RegistryKey() = default;
  explicit RegistryKey(HKEY key) : key_(key) {}
  RegistryKey(RegistryKey&& other) noexcept : key_(other.Release()) {}
  RegistryKey& operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
      Close();
      key_ = other.Release();
    }
    return *this;
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() { Close(); }

  HKEY Get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }

  // Where RegOpenKeyA and its kind write the key they open. Any key held before is closed first.
  HKEY* Receive() {
    Close();
    return &key_;
  }

  HKEY Release() {
    HKEY key = key_;
    key_ = nullptr;
    return key;
  }

  void Close() {
    if (key_ != nullptr) {
      RegCloseKey(key_);
      key_ = nullptr;
    }
  }

 private:
  HKEY key_ = nullptr;
};

}  // namespace settings

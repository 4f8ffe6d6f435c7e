#include "settings/autostart_entry.h"

#include <windows.h>

#include <string_view>

#include "settings/registry_key.h"
#include "settings/registry_path.h"

namespace settings {
namespace {

struct EntryName {
  std::string keyPath;
  std::string valueName;
};

EntryName SplitEntryPath() {
  const std::string_view path = kAutostartEntryPath;
  const std::size_t separator = LastPathSeparator(path);
  return {std::string(path.substr(0, separator)), std::string(path.substr(separator + 1))};
}

}  // namespace

std::string ExecutablePath() {
  // The path may be longer than MAX_PATH; a result that fills the buffer may have been cut, so grow it.
  std::string buffer(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      return {};
    }
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    if (buffer.size() >= 32768) {
      return {};
    }
    buffer.resize(buffer.size() * 2);
  }
}

void WriteAutostartEntry() {
  const std::string path = ExecutablePath();
  if (path.empty()) {
    return;  // an empty entry would start nothing; leave the entry as it is
  }
  const EntryName entry = SplitEntryPath();
  RegistryKey runKey;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, entry.keyPath.c_str(), 0, KEY_WRITE, runKey.Receive()) !=
      ERROR_SUCCESS) {
    runKey.Release();
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, entry.keyPath.c_str(), runKey.Receive()) != ERROR_SUCCESS) {
      runKey.Release();
      return;
    }
  }
  RegSetValueExA(runKey.Get(), entry.valueName.c_str(), 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(path.c_str()), static_cast<DWORD>(path.size() + 1));
}

void RemoveAutostartEntry() {
  const EntryName entry = SplitEntryPath();
  bool deleted = false;
  {
    RegistryKey runKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, entry.keyPath.c_str(), 0, KEY_WRITE, runKey.Receive()) ==
        ERROR_SUCCESS) {
      deleted = RegDeleteValueA(runKey.Get(), entry.valueName.c_str()) == ERROR_SUCCESS;
    } else {
      runKey.Release();
    }
  }
  if (!deleted) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAutostartEntryPath);
  }
}

}  // namespace settings

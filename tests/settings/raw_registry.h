// Direct Win32 registry calls for the settings tests: they set up and inspect the registry without going
// through the code under test.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace settings_test {

struct RawValue {
  DWORD type = 0;
  std::string data;
};

inline bool RawKeyExists(HKEY root, const std::string& subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

inline bool RawCreateKey(HKEY root, const std::string& subKey) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

inline bool RawSetValue(HKEY root, const std::string& subKey, const std::string& name, DWORD type,
                        const std::string& data) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const LONG status = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                     static_cast<DWORD>(data.size()));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

// The value as the A functions give it, or nothing when the key or the value is missing.
inline std::optional<RawValue> RawGetValue(HKEY root, const std::string& subKey, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  RawValue value;
  DWORD size = 0;
  LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size);
  if (status == ERROR_SUCCESS) {
    value.data.assign(size, '\0');
    status = RegQueryValueExA(key, name.c_str(), nullptr, &value.type,
                              reinterpret_cast<BYTE*>(value.data.data()), &size);
    value.data.resize(size);
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

inline std::vector<std::string> RawSubKeyNames(HKEY root, const std::string& subKey) {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return names;
  }
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    names.emplace_back(name, length);
  }
  RegCloseKey(key);
  return names;
}

inline void RawDeleteTree(HKEY root, const std::string& subKey) {
  RegDeleteTreeA(root, subKey.c_str());
  RegDeleteKeyA(root, subKey.c_str());
}

inline void RawDeleteValue(HKEY root, const std::string& subKey, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
  }
}

inline std::string Dword(DWORD value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace settings_test

#include "settings/registry_access.h"

#include <algorithm>
#include <string_view>

#include "settings/registry_path.h"
#include "settings/window_messages.h"

namespace settings {
namespace {

// Sub-key and value names are read back through buffers of 256 characters (255 and the zero).
constexpr DWORD kNameBufferSize = 256;
// Exists reads a value's data into a buffer of this size.
constexpr DWORD kExistsBufferSize = 256;

struct NamedRoot {
  const char* name;
  HKEY key;
};

// The only root names a path text may start with, compared byte for byte in this order.
const NamedRoot kNamedRoots[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", HKEY_USERS},
};

HKEY RootForName(std::string_view name) {
  for (const NamedRoot& root : kNamedRoots) {
    if (name == root.name) {
      return root.key;
    }
  }
  return nullptr;
}

HKEY RootForSelector(int selector) {
  switch (selector) {
    case kRootClassesRoot:
      return HKEY_CLASSES_ROOT;
    case kRootCurrentConfig:
      return HKEY_CURRENT_CONFIG;
    case kRootCurrentUser:
      return HKEY_CURRENT_USER;
    case kRootLocalMachine:
      return HKEY_LOCAL_MACHINE;
    case kRootUsers:
      return HKEY_USERS;
    default:
      return nullptr;
  }
}

const BYTE* DataPointer(const std::string& data) {
  return reinterpret_cast<const BYTE*>(data.data());
}
BYTE* BufferPointer(std::string& buffer) {
  return buffer.empty() ? nullptr : reinterpret_cast<BYTE*>(buffer.data());
}

bool SetValue(HKEY key, const std::string& valueName, const std::string& data, DWORD type) {
  if (data.size() > MAXDWORD) {
    return false;
  }
  return RegSetValueExA(key, valueName.c_str(), 0, type, DataPointer(data),
                        static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

std::string TypeDescription(DWORD type) {
  const char* text = nullptr;
  switch (type) {
    case REG_NONE:
      text = "REG_NONE - 字节集，值为：";
      break;
    case REG_SZ:
      text = "REG_SZ - 字符串值，值为：";
      break;
    case REG_EXPAND_SZ:
      text = "REG_REG_EXPAND_SZ - 可扩充字符串值，值为：";
      break;
    case REG_BINARY:
      text = "REG_BINARY - 二进制，值为：";
      break;
    case REG_DWORD:
      text = "REG_DWORD - DWORD，值为：";
      break;
    case REG_MULTI_SZ:
      text = "REG_MULTI_SZ - 多字符串值，值为：";
      break;
    default:
      return {};
  }
  return text + std::to_string(type);
}

std::string UpToFirstZero(const std::string& data) {
  return data.substr(0, data.find('\0'));
}

}  // namespace

RegistryAccess::~RegistryAccess() = default;

std::unique_ptr<RegistryAccess> RegistryAccess::Copy() const {
  return std::make_unique<RegistryAccess>(*this);
}

RegistryKey RegistryAccess::OpenKey(const std::string& path, bool create) const {
  const std::size_t separator = FirstPathSeparator(path);
  if (separator == std::string::npos) {
    return {};
  }
  const HKEY root = RootForName(std::string_view(path).substr(0, separator));
  if (root == nullptr) {
    return {};
  }
  const std::string subKeyPath = path.substr(separator + 1);
  RegistryKey key;
  const LONG status = create ? RegCreateKeyA(root, subKeyPath.c_str(), key.Receive())
                             : RegOpenKeyA(root, subKeyPath.c_str(), key.Receive());
  if (status != ERROR_SUCCESS) {
    key.Release();  // whatever the call left there is no key of ours
    return {};
  }
  return key;
}

int RegistryAccess::EnumSubKeys(const std::string& path, std::vector<std::string>& names) const {
  names.clear();
  const RegistryKey key = OpenKey(path);
  if (!key) {
    return -1;
  }
  for (DWORD index = 0;; ++index) {
    char name[kNameBufferSize] = {};
    if (RegEnumKeyA(key.Get(), index, name, kNameBufferSize) != ERROR_SUCCESS) {
      break;
    }
    names.emplace_back(name);
    HandleWaitingWindowMessages();
  }
  return static_cast<int>(names.size());
}

int RegistryAccess::EnumValues(const std::string& path, std::vector<std::string>& names,
                               std::vector<std::string>& data, std::vector<DWORD>& types) const {
  names.clear();
  data.clear();
  types.clear();
  const RegistryKey key = OpenKey(path);
  if (!key) {
    return -1;
  }
  for (DWORD index = 0;; ++index) {
    char name[kNameBufferSize] = {};
    DWORD nameLength = kNameBufferSize;
    DWORD type = 0;
    DWORD size = 0;
    if (RegEnumValueA(key.Get(), index, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
      break;
    }
    std::string buffer(size, '\0');
    DWORD got = size;
    nameLength = kNameBufferSize;
    if (RegEnumValueA(key.Get(), index, name, &nameLength, nullptr, &type, BufferPointer(buffer), &got) ==
        ERROR_SUCCESS) {
      buffer.resize(std::min(got, size));
      names.emplace_back(name, nameLength);
      data.push_back(std::move(buffer));
      types.push_back(type);
    }
    HandleWaitingWindowMessages();
  }
  return static_cast<int>(names.size());
}

std::string RegistryAccess::DescribeValueType(const std::string& path, const std::string& valueName) const {
  const RegistryKey key = OpenKey(path);
  if (!key) {
    return {};
  }
  for (DWORD index = 0;; ++index) {
    char name[kNameBufferSize] = {};
    DWORD nameLength = kNameBufferSize;
    DWORD type = 0;
    if (RegEnumValueA(key.Get(), index, name, &nameLength, nullptr, &type, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      return {};
    }
    if (std::string_view(name, nameLength) == valueName) {
      return TypeDescription(type);
    }
  }
}

bool RegistryAccess::Exists(const std::string& path, const std::optional<std::string>& valueName) const {
  const RegistryKey key = OpenKey(path);
  if (!valueName) {
    return static_cast<bool>(key);
  }
  if (!key) {
    return false;
  }
  BYTE buffer[kExistsBufferSize] = {};
  DWORD size = kExistsBufferSize;
  return RegQueryValueExA(key.Get(), valueName->c_str(), nullptr, nullptr, buffer, &size) == ERROR_SUCCESS;
}

bool RegistryAccess::Flush(const std::string& path) const {
  const RegistryKey key = OpenKey(path);
  return key && RegFlushKey(key.Get()) == ERROR_SUCCESS;
}

bool RegistryAccess::WriteBytes(const std::string& path, const std::string& valueName,
                                const std::string& data, DWORD type) const {
  const RegistryKey key = OpenKey(path, true);
  return key && SetValue(key.Get(), valueName, data, type);
}

std::string RegistryAccess::ReadBytes(const std::string& path, const std::string& valueName,
                                      DWORD& type) const {
  const RegistryKey key = OpenKey(path);
  if (!key) {
    return {};
  }
  DWORD size = 0;
  RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &size);
  std::string buffer(size, '\0');
  DWORD got = size;
  if (RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type, BufferPointer(buffer), &got) !=
      ERROR_SUCCESS) {
    return {};
  }
  buffer.resize(std::min(got, size));
  return buffer;
}

bool RegistryAccess::WriteUnderRoot(int rootSelector, const std::string& subKeyPath,
                                    const std::string& valueName, const std::string& data, DWORD type) const {
  const HKEY root = RootForSelector(rootSelector);
  if (root == nullptr) {
    return false;
  }
  constexpr REGSAM kAccess = KEY_READ | KEY_WRITE;
  RegistryKey rootKey;
  if (RegOpenKeyExA(root, "", 0, kAccess, rootKey.Receive()) != ERROR_SUCCESS) {
    rootKey.Release();
    return false;
  }
  RegistryKey key;
  if (RegCreateKeyExA(rootKey.Get(), subKeyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kAccess,
                      nullptr, key.Receive(), nullptr) != ERROR_SUCCESS) {
    key.Release();
    return false;
  }
  return SetValue(key.Get(), valueName, data, type);
}

bool RegistryAccess::WriteInteger(const std::string& path, const std::string& valueName,
                                  std::int32_t value) const {
  const auto bits = static_cast<std::uint32_t>(value);
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) {
    bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  }
  return WriteBytes(path, valueName, bytes, REG_DWORD);
}

std::int32_t RegistryAccess::ReadInteger(const std::string& path, const std::string& valueName) const {
  DWORD type = 0;
  std::string bytes = ReadBytes(path, valueName, type);
  bytes.resize(std::max<std::size_t>(bytes.size(), 4), '\0');
  std::uint32_t bits = 0;
  for (int i = 3; i >= 0; --i) {
    bits = (bits << 8) | static_cast<unsigned char>(bytes[i]);
  }
  return static_cast<std::int32_t>(bits);
}

bool RegistryAccess::WriteBinary(const std::string& path, const std::string& valueName,
                                 const std::string& data) const {
  return WriteBytes(path, valueName, data, REG_BINARY);
}

std::string RegistryAccess::ReadBinary(const std::string& path, const std::string& valueName) const {
  DWORD type = 0;
  return ReadBytes(path, valueName, type);
}

bool RegistryAccess::WriteText(const std::string& path, const std::string& valueName,
                               const std::string& text) const {
  return WriteBytes(path, valueName, text, REG_SZ);
}

std::string RegistryAccess::ReadText(const std::string& path, const std::string& valueName) const {
  DWORD type = 0;
  return UpToFirstZero(ReadBytes(path, valueName, type));
}

bool RegistryAccess::WriteMultiText(const std::string& path, const std::string& valueName,
                                    const std::string& text) const {
  std::string data;
  data.reserve(text.size() + 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      data.push_back('\0');
      ++i;
    } else {
      data.push_back(text[i]);
    }
  }
  data.append(2, '\0');
  return WriteBytes(path, valueName, data, REG_MULTI_SZ);
}

std::string RegistryAccess::ReadMultiText(const std::string& path, const std::string& valueName) const {
  DWORD type = 0;
  const std::string data = ReadBytes(path, valueName, type);
  std::string text;
  text.reserve(data.size());
  for (const char byte : data) {
    if (byte == '\0') {
      text += "\r\n";
    } else {
      text.push_back(byte);
    }
  }
  return text;
}

bool RegistryAccess::WriteExpandText(const std::string& path, const std::string& valueName,
                                     const std::string& text) const {
  return WriteBytes(path, valueName, text, REG_EXPAND_SZ);
}

std::string RegistryAccess::ReadExpandText(const std::string& path, const std::string& valueName) const {
  return ReadText(path, valueName);
}

bool RegistryAccess::DeleteKeyTree(const std::string& path) const {
  if (EndsWithPathSeparator(path)) {
    return false;
  }
  const std::size_t separator = LastPathSeparator(path);
  if (separator == std::string::npos) {
    return false;
  }
  // The parent path keeps its "\": for a path with a single "\" that opens the root key itself.
  const RegistryKey parent = OpenKey(path.substr(0, separator + 1));
  if (!parent) {
    return false;
  }
  // Every child name is listed before the first child is deleted, since deleting shifts the indexes.
  std::vector<std::string> children;
  EnumSubKeys(path, children);
  for (const std::string& child : children) {
    DeleteKeyTree(path + "\\" + child);
  }
  return RegDeleteKeyA(parent.Get(), path.c_str() + separator + 1) == ERROR_SUCCESS;
}

bool RegistryAccess::DeleteValue(const std::string& path, const std::string& valueName) const {
  const RegistryKey key = OpenKey(path);
  return key && RegDeleteValueA(key.Get(), valueName.c_str()) == ERROR_SUCCESS;
}

}  // namespace settings

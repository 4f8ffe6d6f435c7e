// Registry operations in which a key is named by one path text, root key name first:
// "HKEY_LOCAL_MACHINE\software\Tobrin". Texts and value data are byte strings (std::string) in code page
// 936, handed to the registry's A functions unchanged.
//
// The class holds nothing: every operation opens the key it needs, does its work and closes the key again.
// Failures are reported only by the result (false, a null key, 0, -1, an empty text or byte string).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/registry_key.h"

namespace settings {

// The five roots that WriteUnderRoot takes by number.
enum RootSelector : int {
  kRootClassesRoot = 1,
  kRootCurrentConfig = 2,
  kRootCurrentUser = 3,
  kRootLocalMachine = 4,
  kRootUsers = 5,
};

class RegistryAccess {
 public:
  RegistryAccess() = default;
  RegistryAccess(const RegistryAccess&) = default;
  RegistryAccess& operator=(const RegistryAccess&) = default;
  virtual ~RegistryAccess();
  // A new instance equal to this one (there is nothing to copy).
  virtual std::unique_ptr<RegistryAccess> Copy() const;

  // The key the path names, opened (and with create, created with every missing key on the way). A null
  // key when the root name is not one of "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
  // "HKEY_USERS" (exactly, upper case), when the path has no "\", or when the registry refuses.
  virtual RegistryKey OpenKey(const std::string& path, bool create = false) const;
  // The names of the key's sub-keys, in enumeration order; their number, or -1 when the key cannot be opened.
  virtual int EnumSubKeys(const std::string& path, std::vector<std::string>& names) const;
  // The key's values as three parallel arrays; their number, or -1 when the key cannot be opened.
  virtual int EnumValues(const std::string& path, std::vector<std::string>& names,
                         std::vector<std::string>& data, std::vector<DWORD>& types) const;
  // "REG_SZ - 字符串值，值为：1" and so on for the value's type; the empty text for any other type, a
  // missing value, a key that cannot be opened or holds no values.
  virtual std::string DescribeValueType(const std::string& path, const std::string& valueName) const;
  // Without a value name: whether the key can be opened. With one: whether the value's data fits a buffer
  // of 256 bytes and can be read into it.
  virtual bool Exists(const std::string& path,
                      const std::optional<std::string>& valueName = std::nullopt) const;
  virtual bool Flush(const std::string& path) const;
  // Writes the value, creating the key when it is missing.
  virtual bool WriteBytes(const std::string& path, const std::string& valueName, const std::string& data,
                          DWORD type) const;
  // The value's data (empty when the key or the value is missing or unreadable); type receives the
  // value's type code when the value was found.
  virtual std::string ReadBytes(const std::string& path, const std::string& valueName, DWORD& type) const;
  // Writes a value below one of the five roots, named by its RootSelector; false for any other number.
  virtual bool WriteUnderRoot(int rootSelector, const std::string& subKeyPath, const std::string& valueName,
                              const std::string& data, DWORD type = REG_SZ) const;
  virtual bool WriteInteger(const std::string& path, const std::string& valueName, std::int32_t value) const;
  // The first four bytes of the value's data, little-endian, whatever its type; shorter data is padded
  // with zero bytes, so a missing value gives 0.
  virtual std::int32_t ReadInteger(const std::string& path, const std::string& valueName) const;
  virtual bool WriteBinary(const std::string& path, const std::string& valueName,
                           const std::string& data) const;
  virtual std::string ReadBinary(const std::string& path, const std::string& valueName) const;
  // REG_SZ data: the text's bytes without a terminating zero.
  virtual bool WriteText(const std::string& path, const std::string& valueName,
                         const std::string& text) const;
  // The data up to its first zero byte, whatever the value's type.
  virtual std::string ReadText(const std::string& path, const std::string& valueName) const;
  // REG_MULTI_SZ data: every CR LF of the text becomes one zero byte, and two zero bytes end it.
  virtual bool WriteMultiText(const std::string& path, const std::string& valueName,
                              const std::string& text) const;
  // The data with every zero byte (the final two included) turned into CR LF.
  virtual std::string ReadMultiText(const std::string& path, const std::string& valueName) const;
  virtual bool WriteExpandText(const std::string& path, const std::string& valueName,
                               const std::string& text) const;
  virtual std::string ReadExpandText(const std::string& path, const std::string& valueName) const;
  // Deletes the key and its whole tree, children first. False, with nothing deleted, for a path that ends
  // in "\" or has none; false when the key itself could not be deleted.
  virtual bool DeleteKeyTree(const std::string& path) const;
  virtual bool DeleteValue(const std::string& path, const std::string& valueName) const;
};

}  // namespace settings

// The autostart entry: the value "Clipboard" (REG_SZ, the executable's full path) of the key
// "software\microsoft\windows\CurrentVersion\Run" of HKEY_LOCAL_MACHINE, which makes Windows start the
// program when a user logs on.
#pragma once

#include <string>

namespace settings {

// The key path and value name of the entry, below HKEY_LOCAL_MACHINE, as one text split at its last "\".
inline constexpr char kAutostartEntryPath[] = "software\\microsoft\\windows\\CurrentVersion\\Run\\Clipboard";

// The full path under which the running executable was started ("" when it cannot be found).
std::string ExecutablePath();

// Writes the entry with the current executable's full path and its terminating zero, overwriting an
// old path. Opens the Run key for writing, or creates it when that fails; does nothing if both fail.
void WriteAutostartEntry();

// Deletes the entry. When the value was not deleted (no Run key, or no such value), a key of the entry's
// name below the Run key is deleted instead, if one exists and has no sub-keys.
void RemoveAutostartEntry();

}  // namespace settings

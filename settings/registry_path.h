// Splitting registry path texts ("HKEY_CURRENT_USER\Software\Tobrin") at their "\" separators.
//
// Paths are code page 936 texts, in which the second byte of a double-byte character can be 0x5C, the
// byte of "\" ("乗" is 0x81 0x5C). Only a 0x5C that is a character of its own separates; the second half
// of a double-byte character never does.
#pragma once

#include <cstddef>
#include <string_view>

namespace settings {

// Position of the first / last separator of the path, or std::string_view::npos when it has none.
std::size_t FirstPathSeparator(std::string_view path);
std::size_t LastPathSeparator(std::string_view path);
// Whether the path's last character is the separator "\".
bool EndsWithPathSeparator(std::string_view path);

}  // namespace settings

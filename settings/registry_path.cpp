#include "settings/registry_path.h"

namespace settings {
namespace {

// A lead byte of code page 936 starts a two-byte character (when a second byte follows it).
bool IsLeadByte(unsigned char byte) {
  return byte >= 0x81 && byte <= 0xFE;
}

// Calls visit(position) for every character of the path that is the single byte "\".
template <typename Visit>
void ForEachSeparator(std::string_view path, Visit visit) {
  std::size_t i = 0;
  while (i < path.size()) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(byte) && i + 1 < path.size()) {
      i += 2;
      continue;
    }
    if (byte == '\\' && !visit(i)) {
      return;
    }
    ++i;
  }
}

}  // namespace

std::size_t FirstPathSeparator(std::string_view path) {
  std::size_t found = std::string_view::npos;
  ForEachSeparator(path, [&](std::size_t at) {
    found = at;
    return false;
  });
  return found;
}

std::size_t LastPathSeparator(std::string_view path) {
  std::size_t found = std::string_view::npos;
  ForEachSeparator(path, [&](std::size_t at) {
    found = at;
    return true;
  });
  return found;
}

bool EndsWithPathSeparator(std::string_view path) {
  return !path.empty() && LastPathSeparator(path) == path.size() - 1;
}

}  // namespace settings

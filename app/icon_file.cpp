#include "app/icon_file.h"

#include <cstdint>
#include <cstdlib>

namespace app {

namespace {

constexpr std::size_t kHeaderBytes = 6;
constexpr std::size_t kEntryBytes = 16;

std::uint32_t Little(std::string_view data, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(data[at + i]);
  }
  return value;
}

}  // namespace

std::optional<IconImage> FindIconImage(std::string_view iconFile, int size) {
  if (iconFile.size() < kHeaderBytes || Little(iconFile, 0, 2) != 0 || Little(iconFile, 2, 2) != 1) {
    return std::nullopt;
  }
  const std::size_t count = Little(iconFile, 4, 2);
  if (count == 0 || iconFile.size() < kHeaderBytes + count * kEntryBytes) {
    return std::nullopt;
  }
  std::optional<IconImage> best;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = kHeaderBytes + i * kEntryBytes;
    const int width = Little(iconFile, entry, 1) == 0 ? 256 : static_cast<int>(Little(iconFile, entry, 1));
    const int height =
        Little(iconFile, entry + 1, 1) == 0 ? 256 : static_cast<int>(Little(iconFile, entry + 1, 1));
    const std::uint64_t length = Little(iconFile, entry + 8, 4);
    const std::uint64_t offset = Little(iconFile, entry + 12, 4);
    if (length == 0 || offset + length > iconFile.size()) {
      return std::nullopt;
    }
    IconImage image{iconFile.substr(offset, length), width, height};
    if (!best || std::abs(width - size) < std::abs(best->width - size)) {
      best = image;
    }
  }
  return best;
}

}  // namespace app

// Reading an icon file (.ico): finding the image of one size in it. Plain C++.
#pragma once

#include <optional>
#include <string_view>

namespace app {

struct IconImage {
  std::string_view bytes;  // the image as stored (a DIB or a PNG), a view into the file's data
  int width = 0;
  int height = 0;
};

// The image of the icon file whose size is exactly `size` x `size`, or else the one closest to it.
// None when the data is not a well-formed icon file (short, wrong header, an entry outside the data).
std::optional<IconImage> FindIconImage(std::string_view iconFile, int size);

}  // namespace app

// MemoryFile: a whole file held in a byte string.
#include <cstring>
#include <limits>

#include "history/jet/file.h"

namespace jet {

Status MemoryFile::ReadAt(uint64_t offset, void* buffer, size_t size) {
  if (offset > bytes_.size() || size > bytes_.size() - offset) {
    return Status::Error("read past the end of the file (offset " + std::to_string(offset) + ", " +
                         std::to_string(size) + " bytes)");
  }
  if (size != 0)
    std::memcpy(buffer, bytes_.data() + offset, size);
  return Status::Ok();
}

Status MemoryFile::WriteAt(uint64_t offset, const void* data, size_t size) {
  if (mode_ != OpenMode::ReadWrite)
    return Status::Error("file is open read-only");
  if (offset > std::numeric_limits<size_t>::max() - size)
    return Status::Error("write offset out of range");
  if (offset + size > bytes_.size())
    bytes_.resize(static_cast<size_t>(offset + size));
  if (size != 0)
    std::memcpy(bytes_.data() + offset, data, size);
  return Status::Ok();
}

Status MemoryFile::Truncate(uint64_t size) {
  if (mode_ != OpenMode::ReadWrite)
    return Status::Error("file is open read-only");
  if (size > std::numeric_limits<size_t>::max() / 2)
    return Status::Error("size out of range");
  bytes_.resize(static_cast<size_t>(size));
  return Status::Ok();
}

}  // namespace jet

// The native file system on POSIX systems. ReadOnly opens take no lock, so they never keep anyone out;
// ReadWrite and Create take an exclusive flock() on the file, so a second writer is refused while
// readers still get in.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "history/jet/file.h"

namespace jet {
namespace {

Status ErrnoStatus(const std::string& what, int error) {
  return Status::Error(what + ": " + std::strerror(error));
}

class PosixFile final : public File {
 public:
  PosixFile(int fd, OpenMode mode) : fd_(fd), mode_(mode) {}
  ~PosixFile() override { ::close(fd_); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  Status ReadAt(uint64_t offset, void* buffer, size_t size) override {
    char* out = static_cast<char*>(buffer);
    while (size > 0) {
      ssize_t n = ::pread(fd_, out, size, static_cast<off_t>(offset));
      if (n < 0) {
        if (errno == EINTR)
          continue;
        return ErrnoStatus("read failed", errno);
      }
      if (n == 0)
        return Status::Error("read past the end of the file (offset " + std::to_string(offset) + ")");
      out += n;
      offset += static_cast<uint64_t>(n);
      size -= static_cast<size_t>(n);
    }
    return Status::Ok();
  }

  Status WriteAt(uint64_t offset, const void* data, size_t size) override {
    if (mode_ != OpenMode::ReadWrite)
      return Status::Error("file is open read-only");
    const char* in = static_cast<const char*>(data);
    while (size > 0) {
      ssize_t n = ::pwrite(fd_, in, size, static_cast<off_t>(offset));
      if (n < 0) {
        if (errno == EINTR)
          continue;
        return ErrnoStatus("write failed", errno);
      }
      in += n;
      offset += static_cast<uint64_t>(n);
      size -= static_cast<size_t>(n);
    }
    return Status::Ok();
  }

  Result<uint64_t> Size() override {
    struct stat st;
    if (::fstat(fd_, &st) != 0)
      return ErrnoStatus("cannot get the file size", errno);
    return static_cast<uint64_t>(st.st_size);
  }

  Status Truncate(uint64_t size) override {
    if (mode_ != OpenMode::ReadWrite)
      return Status::Error("file is open read-only");
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
      return ErrnoStatus("cannot set the file size", errno);
    return Status::Ok();
  }

  Status Flush() override {
    if (mode_ != OpenMode::ReadWrite)
      return Status::Ok();
    if (::fsync(fd_) != 0)
      return ErrnoStatus("flush failed", errno);
    return Status::Ok();
  }

 private:
  int fd_;
  OpenMode mode_;
};

Status LockForWriting(int fd, const std::string& path) {
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK)
      return Status::Error(path + ": the file is open for writing elsewhere");
    return ErrnoStatus(path + ": cannot lock the file", errno);
  }
  return Status::Ok();
}

class PosixFileSystem final : public FileSystem {
 public:
  Result<std::unique_ptr<File>> Open(const std::string& utf8Path, OpenMode mode) override {
    int flags = (mode == OpenMode::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    int fd = ::open(utf8Path.c_str(), flags);
    if (fd < 0)
      return ErrnoStatus(utf8Path, errno);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return Status::Error(utf8Path + ": not a regular file");
    }
    if (mode == OpenMode::ReadWrite) {
      Status locked = LockForWriting(fd, utf8Path);
      if (!locked) {
        ::close(fd);
        return locked;
      }
    }
    return std::unique_ptr<File>(new PosixFile(fd, mode));
  }

  Result<std::unique_ptr<File>> Create(const std::string& utf8Path) override {
    int fd = ::open(utf8Path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
      return ErrnoStatus(utf8Path, errno);
    Status locked = LockForWriting(fd, utf8Path);
    if (locked && ::ftruncate(fd, 0) != 0)
      locked = ErrnoStatus(utf8Path, errno);
    if (!locked) {
      ::close(fd);
      return locked;
    }
    return std::unique_ptr<File>(new PosixFile(fd, OpenMode::ReadWrite));
  }

  bool Exists(const std::string& utf8Path) override {
    struct stat st;
    return ::stat(utf8Path.c_str(), &st) == 0;
  }

  Status Rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0)
      return ErrnoStatus("cannot rename " + from + " to " + to, errno);
    return Status::Ok();
  }

  Status Remove(const std::string& utf8Path) override {
    if (::unlink(utf8Path.c_str()) != 0)
      return ErrnoStatus("cannot remove " + utf8Path, errno);
    return Status::Ok();
  }
};

}  // namespace

FileSystem& FileSystem::Native() {
  static PosixFileSystem fs;
  return fs;
}

}  // namespace jet

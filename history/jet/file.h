// The engine's file layer: every byte the engine reads or writes goes through a File, and every file
// is opened through a FileSystem. The native FileSystem is file_posix.cpp (Linux and the other POSIX
// systems) or file_win.cpp (Windows: CreateFileW with share modes); MemoryFile keeps a whole file in
// memory (fuzzing, tests). Decorators (for example a crash simulator that stops writing after N
// bytes) wrap a File or a FileSystem and pass the calls on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "history/jet/result.h"

namespace jet {

enum class OpenMode {
  // Read access only. Other processes may read and write the file meanwhile; the engine never writes.
  ReadOnly,
  // Read and write access. Other processes may still read, but no other writer is let in: opening
  // fails if another process has the file open for writing or exclusively.
  ReadWrite,
};

class File {
 public:
  virtual ~File() = default;

  // Reads exactly `size` bytes at `offset`. Reading past the end of the file is an error.
  virtual Status ReadAt(uint64_t offset, void* buffer, size_t size) = 0;
  // Writes exactly `size` bytes at `offset`, growing the file if needed. Fails on a ReadOnly file.
  virtual Status WriteAt(uint64_t offset, const void* data, size_t size) = 0;
  virtual Result<uint64_t> Size() = 0;
  // Sets the file's length (cutting or zero-extending it). Fails on a ReadOnly file.
  virtual Status Truncate(uint64_t size) = 0;
  // Makes every completed write durable (fsync / FlushFileBuffers). A no-op on a ReadOnly file.
  virtual Status Flush() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens an existing file with the sharing described at OpenMode.
  virtual Result<std::unique_ptr<File>> Open(const std::string& utf8Path, OpenMode mode) = 0;
  // Creates a new file for ReadWrite, or empties an existing one (no other process may have it open).
  virtual Result<std::unique_ptr<File>> Create(const std::string& utf8Path) = 0;
  virtual bool Exists(const std::string& utf8Path) = 0;
  // Renames `from` to `to`, replacing `to` atomically if it exists.
  virtual Status Rename(const std::string& from, const std::string& to) = 0;
  virtual Status Remove(const std::string& utf8Path) = 0;

  // The operating system's files (file_posix.cpp or file_win.cpp). Lives for the whole program.
  static FileSystem& Native();
};

// A file held in memory. ReadOnly refuses writes; ReadWrite grows the buffer as written.
class MemoryFile final : public File {
 public:
  explicit MemoryFile(std::string bytes, OpenMode mode = OpenMode::ReadOnly)
      : bytes_(std::move(bytes)), mode_(mode) {}

  Status ReadAt(uint64_t offset, void* buffer, size_t size) override;
  Status WriteAt(uint64_t offset, const void* data, size_t size) override;
  Result<uint64_t> Size() override { return static_cast<uint64_t>(bytes_.size()); }
  Status Truncate(uint64_t size) override;
  Status Flush() override { return Status::Ok(); }

  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
  OpenMode mode_;
};

}  // namespace jet

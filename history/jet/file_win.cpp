// The native file system on Windows. Paths are UTF-8 and become UTF-16 for the wide API.
// ReadOnly: GENERIC_READ, sharing read and write, so Jet, Access or our own writer can keep working.
// ReadWrite: GENERIC_READ|GENERIC_WRITE, sharing read only, so readers get in, and the open fails while
// any other process has the file open for writing (or exclusively).
#include <windows.h>

#include <string>

#include "history/jet/file.h"

namespace jet {
namespace {

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty())
    return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                              nullptr, 0);
  if (n <= 0)
    return std::wstring();
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                      n);
  return wide;
}

Status LastErrorStatus(const std::string& what) {
  DWORD error = GetLastError();
  std::string reason;
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      reason = "no such file";
      break;
    case ERROR_ACCESS_DENIED:
      reason = "access denied";
      break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      reason = "the file is in use by another process";
      break;
    case ERROR_HANDLE_EOF:
      reason = "read past the end of the file";
      break;
    default:
      reason = "Windows error " + std::to_string(error);
  }
  return Status::Error(what + ": " + reason);
}

// Owns one file handle.
class WinFile final : public File {
 public:
  WinFile(HANDLE handle, OpenMode mode) : handle_(handle), mode_(mode) {}
  ~WinFile() override { CloseHandle(handle_); }
  WinFile(const WinFile&) = delete;
  WinFile& operator=(const WinFile&) = delete;

  Status ReadAt(uint64_t offset, void* buffer, size_t size) override {
    char* out = static_cast<char*>(buffer);
    while (size > 0) {
      DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
      OVERLAPPED at = {};
      at.Offset = static_cast<DWORD>(offset);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      DWORD got = 0;
      if (!ReadFile(handle_, out, chunk, &got, &at))
        return LastErrorStatus("read failed");
      if (got == 0)
        return Status::Error("read past the end of the file (offset " + std::to_string(offset) + ")");
      out += got;
      offset += got;
      size -= got;
    }
    return Status::Ok();
  }

  Status WriteAt(uint64_t offset, const void* data, size_t size) override {
    if (mode_ != OpenMode::ReadWrite)
      return Status::Error("file is open read-only");
    const char* in = static_cast<const char*>(data);
    while (size > 0) {
      DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
      OVERLAPPED at = {};
      at.Offset = static_cast<DWORD>(offset);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      DWORD put = 0;
      if (!WriteFile(handle_, in, chunk, &put, &at))
        return LastErrorStatus("write failed");
      if (put == 0)
        return Status::Error("write failed: nothing written");
      in += put;
      offset += put;
      size -= put;
    }
    return Status::Ok();
  }

  Result<uint64_t> Size() override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size))
      return LastErrorStatus("cannot get the file size");
    return static_cast<uint64_t>(size.QuadPart);
  }

  Status Truncate(uint64_t size) override {
    if (mode_ != OpenMode::ReadWrite)
      return Status::Error("file is open read-only");
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_)) {
      return LastErrorStatus("cannot set the file size");
    }
    return Status::Ok();
  }

  Status Flush() override {
    if (mode_ != OpenMode::ReadWrite)
      return Status::Ok();
    if (!FlushFileBuffers(handle_))
      return LastErrorStatus("flush failed");
    return Status::Ok();
  }

 private:
  HANDLE handle_;
  OpenMode mode_;
};

class WinFileSystem final : public FileSystem {
 public:
  Result<std::unique_ptr<File>> Open(const std::string& utf8Path, OpenMode mode) override {
    std::wstring path = Widen(utf8Path);
    if (path.empty())
      return Status::Error(utf8Path + ": not a valid UTF-8 path");
    DWORD access = mode == OpenMode::ReadWrite ? (GENERIC_READ | GENERIC_WRITE) : GENERIC_READ;
    DWORD share = mode == OpenMode::ReadWrite ? FILE_SHARE_READ : (FILE_SHARE_READ | FILE_SHARE_WRITE);
    HANDLE h =
        CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
      return LastErrorStatus(utf8Path);
    return std::unique_ptr<File>(new WinFile(h, mode));
  }

  Result<std::unique_ptr<File>> Create(const std::string& utf8Path) override {
    std::wstring path = Widen(utf8Path);
    if (path.empty())
      return Status::Error(utf8Path + ": not a valid UTF-8 path");
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
      return LastErrorStatus(utf8Path);
    return std::unique_ptr<File>(new WinFile(h, OpenMode::ReadWrite));
  }

  bool Exists(const std::string& utf8Path) override {
    std::wstring path = Widen(utf8Path);
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  Status Rename(const std::string& from, const std::string& to) override {
    std::wstring wfrom = Widen(from), wto = Widen(to);
    if (wfrom.empty() || wto.empty())
      return Status::Error("cannot rename: not a valid UTF-8 path");
    if (!MoveFileExW(wfrom.c_str(), wto.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return LastErrorStatus("cannot rename " + from + " to " + to);
    }
    return Status::Ok();
  }

  Status Remove(const std::string& utf8Path) override {
    std::wstring path = Widen(utf8Path);
    if (path.empty() || !DeleteFileW(path.c_str()))
      return LastErrorStatus("cannot remove " + utf8Path);
    return Status::Ok();
  }
};

}  // namespace

FileSystem& FileSystem::Native() {
  static WinFileSystem fs;
  return fs;
}

}  // namespace jet

// Holds a file open exclusively (share mode 0), as another program that has it open would, until a stop
// file appears or a time limit passes.
//
//   file_locker.exe FILE READY_FILE STOP_FILE [SECONDS]
//
// Writes READY_FILE once FILE is open (exit code 1 when it cannot be opened); removes nothing.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::wstring Wide(const char* utf8) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring out(size > 0 ? size - 1 : 0, L'\0');
  if (size > 1)
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out.data(), size);
  return out;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4)
    return 2;
  const std::wstring file = Wide(argv[1]), ready = Wide(argv[2]), stop = Wide(argv[3]);
  const int seconds = argc > 4 ? std::atoi(argv[4]) : 120;
  HANDLE held = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held == INVALID_HANDLE_VALUE)
    return 1;
  HANDLE marker = CreateFileW(ready.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE)
    CloseHandle(marker);
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  while (!Exists(stop) && GetTickCount64() < end)
    Sleep(50);
  CloseHandle(held);
  return 0;
}

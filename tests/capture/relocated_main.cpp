// The test program runs from a folder of its own: the history store keeps "Data.mdb" beside the running
// executable, so the program first copies itself into a fresh temporary folder, runs the copy there
// (same command line, same standard handles) and removes the folder afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kFolderVariable[] = L"QUILLET_CAPTURE_TEST_FOLDER";

void RemoveFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..")
        continue;
      const std::wstring path = folder + L"\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolder(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

int RunRelocated() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"quillet-capture-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount64());
  if (!CreateDirectoryW(folder.c_str(), nullptr))
    return 3;
  std::wstring name = self;
  name = name.substr(name.find_last_of(L"\\/") + 1);
  const std::wstring copy = folder + L"\\" + name;
  if (!CopyFileW(self, copy.c_str(), TRUE))
    return 3;
  SetEnvironmentVariableW(kFolderVariable, folder.c_str());

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  std::wstring commandLine = GetCommandLineW();
  DWORD exitCode = 3;
  if (CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                     &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  RemoveFolder(folder);
  return static_cast<int>(exitCode);
}

}  // namespace

int main(int argc, char** argv) {
  if (GetEnvironmentVariableW(kFolderVariable, nullptr, 0) == 0)
    return RunRelocated();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

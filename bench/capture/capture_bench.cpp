// Timed figures of capture and history load under Wine (printed, never asserted):
//   - time from a clipboard change to the notification reaching the next viewer, with 1 000 and with
//     100 000 records already in "Data.mdb" (and in the list);
//   - the start-up load of 100 000 records into `列表框` (time, peak memory), against the same reading and
//     decoding of the records without the list as the baseline.
// Each figure comes from a process of its own, run from a temporary folder with the scenario's
// "Data.mdb" beside it (the store keeps the file beside the executable).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/history_list.h"
#include "capture/clipboard_monitor.h"
#include "capture/clipboard_text.h"
#include "history/codec/stored_text_codec.h"
#include "history/jet/database.h"
#include "history/store/database_connection.h"
#include "history/store/history_store.h"
#include "history/store/record_set.h"

namespace {

constexpr int kCaptures = 40;

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::wstring Folder() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  return path.substr(0, path.find_last_of(L"\\/"));
}

std::string Utf8Of(const std::wstring& wide) {
  return jet::ToUtf8(std::u16string(wide.begin(), wide.end()));
}

void Report(const char* key, double value) {
  FILE* file = _wfopen((Folder() + L"\\results.txt").c_str(), L"a");
  if (file == nullptr)
    return;
  std::fprintf(file, "%s %.6f\n", key, value);
  std::fclose(file);
}

// A File whose Flush does nothing, so that building a large history does not wait for the disk.
class UnflushedFile final : public jet::File {
 public:
  explicit UnflushedFile(std::unique_ptr<jet::File> inner) : inner_(std::move(inner)) {}
  jet::Status ReadAt(uint64_t o, void* b, size_t s) override { return inner_->ReadAt(o, b, s); }
  jet::Status WriteAt(uint64_t o, const void* d, size_t s) override { return inner_->WriteAt(o, d, s); }
  jet::Result<uint64_t> Size() override { return inner_->Size(); }
  jet::Status Truncate(uint64_t s) override { return inner_->Truncate(s); }
  jet::Status Flush() override { return jet::Status::Ok(); }

 private:
  std::unique_ptr<jet::File> inner_;
};

class UnflushedFileSystem final : public jet::FileSystem {
 public:
  jet::Result<std::unique_ptr<jet::File>> Open(const std::string& p, jet::OpenMode m) override {
    auto file = Native().Open(p, m);
    if (!file)
      return file.status();
    return std::unique_ptr<jet::File>(std::make_unique<UnflushedFile>(std::move(file).value()));
  }
  jet::Result<std::unique_ptr<jet::File>> Create(const std::string& p) override {
    auto file = Native().Create(p);
    if (!file)
      return file.status();
    return std::unique_ptr<jet::File>(std::make_unique<UnflushedFile>(std::move(file).value()));
  }
  bool Exists(const std::string& p) override { return Native().Exists(p); }
  jet::Status Rename(const std::string& f, const std::string& t) override { return Native().Rename(f, t); }
  jet::Status Remove(const std::string& p) override { return Native().Remove(p); }
};

// A history of `records` captures of ordinary size (some 40 characters, Latin and Chinese).
bool BuildHistory(const std::wstring& path, int records) {
  const std::string utf8 = Utf8Of(path);
  if (!jet::CreateHistoryDatabase(utf8, true).ok())
    return false;
  UnflushedFileSystem files;
  auto database = jet::Database::Open(utf8, jet::OpenMode::ReadWrite, &files);
  if (!database)
    return false;
  for (int i = 0; i < records; ++i) {
    const std::string text = "clipboard text number " + std::to_string(i) + " 剪贴板历史记录";
    const std::string stored = EncodeStoredText(text);
    std::vector<jet::Value> row{jet::Value::Text(jet::FromUtf8(std::to_string(i))),
                                jet::Value::Text(u"2020-01-01 12:00:00"),
                                jet::Value::Memo(std::u16string(stored.begin(), stored.end()))};
    if (!database->AppendRow(u"Data", row).ok())
      return false;
  }
  return true;
}

struct MainWindow {
  HWND window = nullptr;
  HWND list = nullptr;
};

MainWindow MakeMainWindow() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "QuilletBenchMainWindow";
  RegisterClassA(&windowClass);
  MainWindow main;
  main.window = CreateWindowExA(0, "QuilletBenchMainWindow", "Quillet", WS_OVERLAPPED | WS_CAPTION, 0, 0, 500,
                                360, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  main.list = Create列表框(main.window);
  AttachMonitor(main.window, main.list);
  return main;
}

void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageA(&message);
}

double PeakMemoryMiB() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<double>(std::max(counters.PeakWorkingSetSize, counters.PeakPagefileUsage)) / 1048576.0;
}

// ---- the scenarios, each in a process of its own ----

std::atomic<double> g_passedOnAt{0};

LRESULT CALLBACK ViewerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DRAWCLIPBOARD) {
    g_passedOnAt = Now();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// From the write of a new text (on another thread, as another program would) to WM_DRAWCLIPBOARD at the
// viewer after the main window, with the history loaded into the list first.
int RunPassOn(const char* key) {
  MainWindow main = MakeMainWindow();
  LoadHistory();
  std::atomic<bool> viewerReady{false};
  std::atomic<bool> stop{false};
  std::vector<double> latencies;
  std::thread writer([&] {
    WNDCLASSA viewerClass{};
    viewerClass.lpfnWndProc = ViewerProcedure;
    viewerClass.hInstance = GetModuleHandleA(nullptr);
    viewerClass.lpszClassName = "QuilletBenchViewer";
    RegisterClassA(&viewerClass);
    HWND viewer = CreateWindowExA(0, "QuilletBenchViewer", "", 0, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    HWND next = SetClipboardViewer(viewer);
    viewerReady = true;
    while (!stop) {  // wait for the main window to join in front of the viewer
      if (GetClipboardViewer() != viewer)
        break;
      Pump();
      Sleep(1);
    }
    for (int i = 0; i < kCaptures && !stop; ++i) {
      g_passedOnAt = 0;
      const double start = Now();
      WriteClipboardText("benchmark capture " + std::to_string(i));
      const double deadline = start + 10;
      while (g_passedOnAt == 0 && Now() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        Pump();
      }
      if (g_passedOnAt != 0)
        latencies.push_back(g_passedOnAt - start);
      for (int settle = 0; settle < 20; ++settle) {  // let the change settle before the next one
        Pump();
        Sleep(1);
      }
    }
    ChangeClipboardChain(viewer, next);
    DestroyWindow(viewer);
    stop = true;
  });
  while (!viewerReady)
    Sleep(1);
  StartMonitoring();
  while (!stop) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    Pump();
  }
  writer.join();
  StopMonitoring();
  if (latencies.empty())
    return 1;
  std::sort(latencies.begin(), latencies.end());
  Report((std::string(key) + "_median_ms").c_str(), latencies[latencies.size() / 2] * 1000);
  Report((std::string(key) + "_p90_ms").c_str(), latencies[latencies.size() * 9 / 10] * 1000);
  Report((std::string(key) + "_rows").c_str(), RowCount(main.list));
  return 0;
}

int RunLoadIntoList() {
  MainWindow main = MakeMainWindow();
  const double before = PeakMemoryMiB();
  const double start = Now();
  LoadHistory();
  Report("load_list_seconds", Now() - start);
  Report("load_list_rows", RowCount(main.list));
  Report("load_list_peak_mib", PeakMemoryMiB());
  Report("load_list_start_mib", before);
  return 0;
}

// The same reading and decoding through the store's components, without the list.
int RunLoadWithoutList() {
  [[maybe_unused]] MainWindow main = MakeMainWindow();  // the same set-up, so the memory figures compare
  const double before = PeakMemoryMiB();
  const double start = Now();
  数据库 connection;
  记录集 records;
  size_t rows = 0;
  size_t bytes = 0;
  if (connection.Open(HistoryDatabasePath(), jet::OpenMode::ReadOnly)) {
    records.Bind(connection);
    records.Open(u"Data");
    if (records.RecordCount() > 0 && records.MoveFirst()) {
      for (;;) {
        bytes += records.ReadField(0).size() + records.ReadField(1).size();
        bytes += DecodeStoredText(records.ReadField(2)).size();
        ++rows;
        records.MoveNext();
        if (records.IsPastLastRecord())
          break;
      }
    }
    records.Close();
    connection.Close();
  }
  Report("load_baseline_seconds", Now() - start);
  Report("load_baseline_rows", static_cast<double>(rows));
  Report("load_baseline_peak_mib", PeakMemoryMiB());
  Report("load_baseline_start_mib", before);
  return bytes > 0 ? 0 : 1;
}

// ---- the driver ----

int RunChild(const std::wstring& exe, const std::wstring& folder, const std::wstring& history,
             const wchar_t* mode) {
  CopyFileW((folder + L"\\" + history).c_str(), (folder + L"\\Data.mdb").c_str(), FALSE);
  std::wstring commandLine = L"\"" + exe + L"\" " + mode;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &process)) {
    return 1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

std::map<std::string, double> ReadResults(const std::wstring& folder) {
  std::map<std::string, double> results;
  FILE* file = _wfopen((folder + L"\\results.txt").c_str(), L"r");
  if (file == nullptr)
    return results;
  char key[128];
  double value;
  while (std::fscanf(file, "%127s %lf", key, &value) == 2)
    results[key] = value;
  std::fclose(file);
  return results;
}

void RemoveFolder(const std::wstring& folder) {
  for (const wchar_t* name :
       {L"capture_bench.exe", L"Data.mdb", L"history-1k.mdb", L"history-100k.mdb", L"results.txt"}) {
    DeleteFileW((folder + L"\\" + name).c_str());
  }
  RemoveDirectoryW(folder.c_str());
}

int Drive() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder =
      std::wstring(temp) + L"quillet-capture-bench-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring exe = folder + L"\\capture_bench.exe";
  CopyFileW(self, exe.c_str(), FALSE);

  std::printf("capture_bench: building the histories (1 000 and 100 000 records)...\n");
  std::fflush(stdout);
  double start = Now();
  if (!BuildHistory(folder + L"\\history-1k.mdb", 1000) ||
      !BuildHistory(folder + L"\\history-100k.mdb", 100000)) {
    std::printf("capture_bench: could not build the histories\n");
    RemoveFolder(folder);
    return 1;
  }
  std::printf("  built in %.1f s\n", Now() - start);
  int status = 0;
  status |= RunChild(exe, folder, L"history-1k.mdb", L"passon passon_1k");
  status |= RunChild(exe, folder, L"history-100k.mdb", L"passon passon_100k");
  status |= RunChild(exe, folder, L"history-100k.mdb", L"load-list");
  status |= RunChild(exe, folder, L"history-100k.mdb", L"load-baseline");
  auto r = ReadResults(folder);
  RemoveFolder(folder);

  std::printf("clipboard change -> notification passed on (median of %d, p90 in brackets):\n", kCaptures);
  std::printf("  1k records:   %8.2f ms  [%.2f]\n", r["passon_1k_median_ms"], r["passon_1k_p90_ms"]);
  std::printf("  100k records: %8.2f ms  [%.2f]\n", r["passon_100k_median_ms"], r["passon_100k_p90_ms"]);
  if (r["passon_1k_median_ms"] > 0) {
    std::printf("  ratio 100k / 1k: %.2f (goal <= 1.5)\n",
                r["passon_100k_median_ms"] / r["passon_1k_median_ms"]);
  }
  std::printf("start-up load of 100k records:\n");
  std::printf(
      "  into the list:        %7.2f s, %6.0f rows, peak memory %7.1f MiB (%.1f MiB before the load)\n",
      r["load_list_seconds"], r["load_list_rows"], r["load_list_peak_mib"], r["load_list_start_mib"]);
  std::printf(
      "  baseline (no list):   %7.2f s, %6.0f rows, peak memory %7.1f MiB (%.1f MiB before the load)\n",
      r["load_baseline_seconds"], r["load_baseline_rows"], r["load_baseline_peak_mib"],
      r["load_baseline_start_mib"]);
  if (r["load_baseline_seconds"] > 0) {
    std::printf("  ratio list / baseline: time %.2f, peak memory %.2f\n",
                r["load_list_seconds"] / r["load_baseline_seconds"],
                r["load_list_peak_mib"] / std::max(r["load_baseline_peak_mib"], 1.0));
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "passon") == 0)
    return RunPassOn(argv[2]);
  if (argc >= 2 && std::strcmp(argv[1], "load-list") == 0)
    return RunLoadIntoList();
  if (argc >= 2 && std::strcmp(argv[1], "load-baseline") == 0)
    return RunLoadWithoutList();
  return Drive();
}

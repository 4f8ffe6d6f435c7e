#include "tests/capture/capture_fixture.h"

#include <algorithm>
#include <cstdio>

#include "app/history_list.h"
#include "capture/clipboard_monitor.h"
#include "capture/clipboard_text.h"
#include "history/jet/database.h"
#include "history/store/history_store.h"

namespace capture_test {

namespace {

std::vector<Message> g_ordinaryChainMessages;
std::vector<Message> g_sentChainMessages;

bool IsChainMessage(UINT message) {
  return message == WM_DRAWCLIPBOARD || message == WM_CHANGECBCHAIN || message == WM_DESTROYCLIPBOARD;
}

LRESULT CALLBACK OrdinaryMainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsChainMessage(message))
    g_ordinaryChainMessages.push_back({window, message, wParam, lParam});
  if (message == WM_APP + 1)
    return 4242;
  return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterClassOnce(const char* name, WNDPROC procedure) {
  WNDCLASSA existing;
  if (GetClassInfoA(GetModuleHandleA(nullptr), name, &existing))
    return;
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = name;
  RegisterClassA(&windowClass);
}

// A File whose Flush does nothing: building a large test history need not wait for the disk.
class UnflushedFile final : public jet::File {
 public:
  explicit UnflushedFile(std::unique_ptr<jet::File> inner) : inner_(std::move(inner)) {}
  jet::Status ReadAt(uint64_t offset, void* buffer, size_t size) override {
    return inner_->ReadAt(offset, buffer, size);
  }
  jet::Status WriteAt(uint64_t offset, const void* data, size_t size) override {
    return inner_->WriteAt(offset, data, size);
  }
  jet::Result<uint64_t> Size() override { return inner_->Size(); }
  jet::Status Truncate(uint64_t size) override { return inner_->Truncate(size); }
  jet::Status Flush() override { return jet::Status::Ok(); }

 private:
  std::unique_ptr<jet::File> inner_;
};

class UnflushedFileSystem final : public jet::FileSystem {
 public:
  jet::Result<std::unique_ptr<jet::File>> Open(const std::string& path, jet::OpenMode mode) override {
    auto file = jet::FileSystem::Native().Open(path, mode);
    if (!file)
      return file.status();
    return std::unique_ptr<jet::File>(std::make_unique<UnflushedFile>(std::move(file).value()));
  }
  jet::Result<std::unique_ptr<jet::File>> Create(const std::string& path) override {
    auto file = jet::FileSystem::Native().Create(path);
    if (!file)
      return file.status();
    return std::unique_ptr<jet::File>(std::make_unique<UnflushedFile>(std::move(file).value()));
  }
  bool Exists(const std::string& path) override { return jet::FileSystem::Native().Exists(path); }
  jet::Status Rename(const std::string& from, const std::string& to) override {
    return jet::FileSystem::Native().Rename(from, to);
  }
  jet::Status Remove(const std::string& path) override { return jet::FileSystem::Native().Remove(path); }
};

std::wstring Wide(const std::string& text, UINT codePage) {
  if (text.empty())
    return {};
  const int units = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
  return wide;
}

std::string Narrow(const std::wstring& wide, UINT codePage) {
  if (wide.empty())
    return {};
  const int bytes = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                        nullptr, nullptr);
  std::string text(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), bytes, nullptr,
                      nullptr);
  return text;
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (done())
      return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline)
      return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 10)),
                              QS_ALLINPUT);
  }
}

void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

// ---- TestMainWindow ----

TestMainWindow::TestMainWindow() {
  RegisterClassOnce("QuilletTestMainWindow", &OrdinaryMainProcedure);
  g_ordinaryChainMessages.clear();
  window_ =
      CreateWindowExA(0, "QuilletTestMainWindow", "Quillet　1.0", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 0,
                      0, 500, 360, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  list_ = Create列表框(window_);
  AttachMonitor(window_, list_);
}

TestMainWindow::~TestMainWindow() {
  if (IsMonitoring())
    StopMonitoring();
  DestroyWindow(window_);
  AttachMonitor(nullptr, nullptr);
}

std::vector<Message> TestMainWindow::ordinaryChainMessages() const {
  return g_ordinaryChainMessages;
}

WNDPROC TestMainWindow::OrdinaryProcedure() {
  return &OrdinaryMainProcedure;
}

// ---- TestViewer ----

TestViewer::TestViewer() {
  RegisterClassOnce("QuilletTestViewer", &TestViewer::Procedure);
  window_ = CreateWindowExA(0, "QuilletTestViewer", "viewer", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  joined_ = true;
  next_ = SetClipboardViewer(window_);
  received_.clear();  // the WM_DRAWCLIPBOARD of joining is not part of what a test looks at
}

TestViewer::~TestViewer() {
  Leave();
  DestroyWindow(window_);
}

void TestViewer::Leave() {
  if (!joined_)
    return;
  joined_ = false;
  ChangeClipboardChain(window_, next_);
}

size_t TestViewer::CountOf(UINT message) const {
  size_t count = 0;
  for (const Message& m : received_)
    count += m.message == message ? 1 : 0;
  return count;
}

LRESULT CALLBACK TestViewer::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<TestViewer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr || !IsChainMessage(message))
    return DefWindowProcA(window, message, wParam, lParam);
  self->received_.push_back({window, message, wParam, lParam});
  switch (message) {
    case WM_DRAWCLIPBOARD:
      if (self->onDrawClipboard)
        self->onDrawClipboard();
      if (self->next_)
        SendMessageA(self->next_, message, wParam, lParam);
      break;
    case WM_CHANGECBCHAIN:
      if (reinterpret_cast<HWND>(wParam) == self->next_) {
        self->next_ = reinterpret_cast<HWND>(lParam);
      } else if (self->next_) {
        SendMessageA(self->next_, message, wParam, lParam);
      }
      break;
    default:
      break;
  }
  return 0;
}

// ---- SentMessageLog ----

SentMessageLog::SentMessageLog() {
  g_sentChainMessages.clear();
  hook_ = SetWindowsHookExA(WH_CALLWNDPROC, &SentMessageLog::Hook, nullptr, GetCurrentThreadId());
}

SentMessageLog::~SentMessageLog() {
  if (hook_)
    UnhookWindowsHookEx(hook_);
}

std::vector<Message> SentMessageLog::To(HWND window, UINT message) const {
  std::vector<Message> found;
  for (const Message& m : g_sentChainMessages) {
    if (m.window == window && m.message == message)
      found.push_back(m);
  }
  return found;
}

LRESULT CALLBACK SentMessageLog::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (IsChainMessage(sent->message)) {
      g_sentChainMessages.push_back({sent->hwnd, sent->message, sent->wParam, sent->lParam});
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// ---- ClipboardWriter ----

ClipboardWriter::ClipboardWriter() {
  wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  thread_ = std::thread([this] { Loop(); });
}

ClipboardWriter::~ClipboardWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  SetEvent(wake_);
  // The writer may still have to answer this thread's messages while it ends.
  PumpUntil([this] { return finished_.load(); }, 30000);
  thread_.join();
  CloseHandle(wake_);
}

void ClipboardWriter::Loop() {
  for (;;) {
    MsgWaitForMultipleObjects(1, &wake_, FALSE, 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageA(&message);
    std::deque<std::function<void()>> work;
    bool stopping;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      work.swap(work_);
      stopping = stopping_;
    }
    for (auto& item : work)
      item();
    if (stopping && work.empty()) {
      finished_ = true;
      return;
    }
  }
}

void ClipboardWriter::Run(std::function<void()> work) {
  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    work_.push_back([work = std::move(work), done] {
      work();
      SetEvent(done);
    });
  }
  SetEvent(wake_);
  PumpUntil([done] { return WaitForSingleObject(done, 0) == WAIT_OBJECT_0; }, 30000);
  CloseHandle(done);
}

void ClipboardWriter::Post(std::function<void()> work) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    work_.push_back(std::move(work));
  }
  SetEvent(wake_);
}

void ClipboardWriter::WriteText(const std::string& text) {
  Run([text] { WriteClipboardText(text); });
}

void ClipboardWriter::WriteNoText() {
  Run([] {
    const UINT format = RegisterClipboardFormatA("QuilletTestNoText");
    if (!OpenClipboard(nullptr))
      return;
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 16);
    if (SetClipboardData(format, block) == nullptr)
      GlobalFree(block);
    CloseClipboard();
  });
}

// ---- rows and records ----

std::vector<Row> ListRows(HWND list) {
  std::vector<Row> rows;
  const int count = RowCount(list);
  for (int row = 0; row < count; ++row) {
    rows.push_back({CellText(list, row, 0), CellText(list, row, 1), CellText(list, row, 2)});
  }
  return rows;
}

std::string DatabasePath() {
  return Utf8(HistoryDatabasePath());
}

void CreateFreshDatabase() {
  RemoveDatabase();
  const jet::Status created = jet::CreateHistoryDatabase(DatabasePath(), true);
  ASSERT_TRUE(created.ok()) << created.message();
}

void RemoveDatabase() {
  const std::wstring path = Wide(DatabasePath(), CP_UTF8);
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
}

std::vector<StoredRecord> StoredRecords() {
  std::vector<StoredRecord> records;
  auto database = jet::Database::Open(DatabasePath(), jet::OpenMode::ReadOnly);
  if (!database)
    return records;
  auto table = database->FindTable(u"Data");
  if (!table)
    return records;
  const jet::Status read = table->ForEachRow([&](const std::vector<jet::Value>& row) {
    StoredRecord record;
    for (size_t i = 0; i < 3 && i < row.size(); ++i) {
      if (!row[i].IsNull())
        record[i] = row[i].ToUtf8();
    }
    records.push_back(record);
    return true;
  });
  EXPECT_TRUE(read.ok()) << read.message();
  return records;
}

void AppendStoredRecords(const std::vector<StoredRecord>& records) {
  UnflushedFileSystem files;
  auto database = jet::Database::Open(DatabasePath(), jet::OpenMode::ReadWrite, &files);
  ASSERT_TRUE(database.ok()) << database.message();
  for (const StoredRecord& record : records) {
    std::vector<jet::Value> values;
    for (size_t i = 0; i < 3; ++i) {
      const jet::ColumnType type = i == 2 ? jet::ColumnType::Memo : jet::ColumnType::Text;
      if (!record[i]) {
        values.push_back(jet::Value::Null(type));
      } else if (i == 2) {
        values.push_back(jet::Value::Memo(jet::FromUtf8(*record[i])));
      } else {
        values.push_back(jet::Value::Text(jet::FromUtf8(*record[i])));
      }
    }
    const jet::Status appended = database->AppendRow(u"Data", values);
    ASSERT_TRUE(appended.ok()) << appended.message();
  }
}

std::string FileBytes(const std::string& utf8Path) {
  FILE* file = _wfopen(Wide(utf8Path, CP_UTF8).c_str(), L"rb");
  if (file == nullptr)
    return {};
  std::string bytes;
  char buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
    bytes.append(buffer, got);
  fclose(file);
  return bytes;
}

void WriteFileBytes(const std::string& utf8Path, const std::string& bytes) {
  FILE* file = _wfopen(Wide(utf8Path, CP_UTF8).c_str(), L"wb");
  ASSERT_NE(file, nullptr) << utf8Path;
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

std::string FixturePath(const std::string& name) {
  return std::string("Z:") + QUILLET_FIXTURE_DIR + "/" + name;
}

std::string Utf8(const std::string& text) {
  return Narrow(Wide(text, 936), CP_UTF8);
}
std::string Cp936(const std::string& utf8) {
  return Narrow(Wide(utf8, CP_UTF8), 936);
}

bool LooksLikeCaptureTime(const std::string& text) {
  static const char kPattern[] = "dddd-dd-dd dd:dd:dd";
  if (text.size() != sizeof kPattern - 1)
    return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kPattern[i] == 'd' ? !digit : text[i] != kPattern[i])
      return false;
  }
  return true;
}

}  // namespace capture_test

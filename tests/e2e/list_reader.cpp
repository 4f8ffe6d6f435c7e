// Reads Quillet's window and history list from outside, as an accessibility tool would: finds the
// top-level window "Quillet　1.0" and its list view, and reads the list through the list view's own
// messages, with the buffers placed in Quillet's address space (VirtualAllocEx/ReadProcessMemory).
//
//   list_reader.exe count          the number of rows
//   list_reader.exe rows [FIRST [END [STEP]]]
//                                  one JSON line per row from FIRST (default 0) up to END (default: all),
//                                  every STEP-th row (default 1): {"row":N,"id":..,"time":..,"text":..}
//   list_reader.exe rect ROW       screen rectangle of the row's label cell: "LEFT TOP RIGHT BOTTOM"
//   list_reader.exe window         screen rectangle of the window, then of its client area, then of the list
//
// Texts are printed as UTF-8. Exit code 0 on success, 1 when the window or list is not there, 2 on bad
// arguments, 3 when the program does not answer within a few seconds.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT kAnswerTimeoutMs = 5000;

// An open handle, closed when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ != nullptr)
      CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// A block of memory inside another process, freed when it goes out of scope.
class RemoteBlock {
 public:
  RemoteBlock(HANDLE process, size_t size)
      : process_(process),
        size_(size),
        address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  ~RemoteBlock() {
    if (address_ != nullptr)
      VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;
  char* address() const { return static_cast<char*>(address_); }
  size_t size() const { return size_; }

 private:
  HANDLE process_;
  size_t size_;
  void* address_;
};

std::string Utf8(const std::wstring& text) {
  if (text.empty())
    return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                      nullptr);
  return out;
}

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kAnswerTimeoutMs, &answer)) {
    return false;
  }
  result = static_cast<LRESULT>(answer);
  return true;
}

struct Target {
  HWND window = nullptr;
  HWND list = nullptr;
};

Target FindTarget() {
  Target target;
  target.window = FindWindowW(nullptr,
                              L"Quillet\x3000"
                              L"1.0");
  if (target.window != nullptr)
    target.list = FindWindowExW(target.window, nullptr, WC_LISTVIEWW, nullptr);
  return target;
}

// The whole text of one cell, read with LVM_GETITEMTEXTW into a buffer in the list's process; the
// buffer is kept between calls and grows until the text fits.
class CellReader {
 public:
  CellReader(HWND list, HANDLE process) : list_(list), process_(process) {}

  bool Read(int row, int column, std::wstring& text) {
    for (;;) {
      if (!block_ || block_->address() == nullptr)
        return false;
      const size_t chars = (block_->size() - sizeof(LVITEMW)) / sizeof(wchar_t);
      LVITEMW item{};
      item.iSubItem = column;
      item.pszText = reinterpret_cast<wchar_t*>(block_->address() + sizeof(LVITEMW));
      item.cchTextMax = static_cast<int>(chars);
      if (!WriteProcessMemory(process_, block_->address(), &item, sizeof item, nullptr))
        return false;
      LRESULT length = 0;
      if (!Send(list_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(block_->address()), length))
        return false;
      if (static_cast<size_t>(length) + 1 < chars) {
        text.assign(static_cast<size_t>(length), L'\0');
        return length == 0 ||
               ReadProcessMemory(process_, item.pszText, text.data(), length * sizeof(wchar_t), nullptr);
      }
      if (chars >= (size_t{1} << 26))
        return false;
      block_ = std::make_unique<RemoteBlock>(process_, sizeof(LVITEMW) + chars * 4 * sizeof(wchar_t));
    }
  }

 private:
  HWND list_;
  HANDLE process_;
  std::unique_ptr<RemoteBlock> block_ =
      std::make_unique<RemoteBlock>(process_, sizeof(LVITEMW) + 16384 * sizeof(wchar_t));
};

int Count(const Target& target) {
  LRESULT count = 0;
  if (!Send(target.list, LVM_GETITEMCOUNT, 0, 0, count))
    return 3;
  std::printf("%ld\n", static_cast<long>(count));
  return 0;
}

int Rows(const Target& target, int first, int end, int step) {
  DWORD processId = 0;
  GetWindowThreadProcessId(target.list, &processId);
  Handle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
  if (process.get() == nullptr)
    return 1;
  LRESULT count = 0;
  if (!Send(target.list, LVM_GETITEMCOUNT, 0, 0, count))
    return 3;
  CellReader reader(target.list, process.get());
  if (end < 0 || end > count)
    end = static_cast<int>(count);
  for (int row = first; row < end; row += step) {
    std::wstring cells[3];
    for (int column = 0; column < 3; ++column) {
      if (!reader.Read(row, column, cells[column]))
        return 3;
    }
    std::printf("{\"row\":%d,\"id\":%s,\"time\":%s,\"text\":%s}\n", row, JsonString(Utf8(cells[0])).c_str(),
                JsonString(Utf8(cells[1])).c_str(), JsonString(Utf8(cells[2])).c_str());
  }
  return 0;
}

int RowRect(const Target& target, int row) {
  DWORD processId = 0;
  GetWindowThreadProcessId(target.list, &processId);
  Handle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
  if (process.get() == nullptr)
    return 1;
  RemoteBlock block(process.get(), sizeof(RECT));
  if (block.address() == nullptr)
    return 1;
  RECT rect{};
  rect.left = LVIR_LABEL;
  if (!WriteProcessMemory(process.get(), block.address(), &rect, sizeof rect, nullptr))
    return 1;
  LRESULT ok = 0;
  if (!Send(target.list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(block.address()), ok))
    return 3;
  if (!ok || !ReadProcessMemory(process.get(), block.address(), &rect, sizeof rect, nullptr))
    return 1;
  MapWindowPoints(target.list, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
  std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
  return 0;
}

int WindowRects(const Target& target) {
  RECT window{}, client{}, list{};
  GetWindowRect(target.window, &window);
  GetClientRect(target.window, &client);
  MapWindowPoints(target.window, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
  GetWindowRect(target.list, &list);
  std::printf("%ld %ld %ld %ld\n%ld %ld %ld %ld\n%ld %ld %ld %ld\n", window.left, window.top, window.right,
              window.bottom, client.left, client.top, client.right, client.bottom, list.left, list.top,
              list.right, list.bottom);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2)
    return 2;
  const std::string command = argv[1];
  const Target target = FindTarget();
  if (target.window == nullptr || target.list == nullptr) {
    std::fprintf(stderr, "list_reader: no window \"Quillet 1.0\" with a list view\n");
    return 1;
  }
  int result = 2;
  if (command == "count") {
    result = Count(target);
  } else if (command == "rows") {
    const int step = argc > 4 ? std::atoi(argv[4]) : 1;
    result = step < 1
                 ? 2
                 : Rows(target, argc > 2 ? std::atoi(argv[2]) : 0, argc > 3 ? std::atoi(argv[3]) : -1, step);
  } else if (command == "rect" && argc > 2) {
    result = RowRect(target, std::atoi(argv[2]));
  } else if (command == "window") {
    result = WindowRects(target);
  }
  std::fflush(stdout);
  return result;
}

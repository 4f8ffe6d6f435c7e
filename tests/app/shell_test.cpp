// The shell in-process under Wine: the program's start-up is run for real (window, tray icon, switches
// from the registry, history) and the window is driven through its messages: menu commands, close
// requests, the tray icon's callback message, the list's double-click, the notification area's
// "TaskbarCreated". The clipboard is the real one.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/history_list.h"
#include "app/main_window.h"
#include "app/menu_model.h"
#include "app/popup_menu.h"
#include "app/program.h"
#include "app/tray_codes.h"
#include "app/tray_icon.h"
#include "capture/clipboard_monitor.h"

namespace app {
namespace {

using namespace std::chrono_literals;

// Handles this thread's waiting messages until `done` holds or `limit` has passed.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 3000ms) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (done && done()) {
      return true;
    }
    if (std::chrono::steady_clock::now() >= end) {
      return false;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}
void Pump(std::chrono::milliseconds time) {
  PumpUntil(nullptr, time);
}

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) {
    return "<clipboard could not be opened>";
  }
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
      text = bytes;
      GlobalUnlock(data);
    }
  } else {
    text = "<no CF_TEXT>";
  }
  CloseClipboard();
  return text;
}

// Puts a text on the clipboard from another thread, as another program would.
void PutOnClipboardElsewhere(const std::string& text) {
  std::atomic<bool> done{false};
  std::thread writer([&text, &done] {
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
      memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
      GlobalUnlock(block);
      SetClipboardData(CF_TEXT, block);
      CloseClipboard();
    }
    done = true;
  });
  // The viewer (this thread) is sent WM_DRAWCLIPBOARD while the writer works: keep handling messages.
  PumpUntil([&done] { return done.load(); }, 5000ms);
  writer.join();
}

void StoreAutoMonitorSwitch(DWORD value) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "software\\Tobrin", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "自动监视", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

// Whether the tray holds our icon: NIM_MODIFY of an icon that is not there fails.
bool TrayHasIcon(HWND window) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = kTrayIconId;
  data.uFlags = NIF_TIP;
  strcpy(data.szTip, "Quillet");
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

struct ItemState {
  std::string text;
  bool checked;
  bool greyed;
  UINT id;
  bool operator==(const ItemState&) const = default;
};
std::ostream& operator<<(std::ostream& out, const ItemState& item) {
  return out << item.text << (item.checked ? " checked" : "") << (item.greyed ? " greyed" : "") << " #"
             << item.id;
}

std::vector<ItemState> ReadPopup(HMENU popup) {
  std::vector<ItemState> items;
  const int count = GetMenuItemCount(popup);
  for (int i = 0; i < count; ++i) {
    char text[64] = {};
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_FTYPE;
    info.dwTypeData = text;
    info.cch = sizeof text;
    GetMenuItemInfoA(popup, i, TRUE, &info);
    EXPECT_EQ(info.fType & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW), 0u);
    items.push_back({text, (info.fState & MFS_CHECKED) != 0, (info.fState & MFS_GRAYED) != 0, info.wID});
  }
  return items;
}

std::vector<ItemState> ExpectedItems(const char* windowText, bool monitoring) {
  return {{windowText, false, false, kToggleWindowCommand},
          {"开始监视", false, monitoring, kStartMonitoringCommand},
          {"停止监视", false, !monitoring, kStopMonitoringCommand},
          {"自动监视", monitoring, false, kAutoMonitorCommand},
          {"开机启动", false, false, kStartAtBootCommand},
          {"清空配置", false, false, kClearConfigurationCommand},
          {"退出程序", false, false, kExitCommand}};
}

// Keeps one icon of another window in the tray for the whole run. Wine hides its tray window when the
// last icon goes, and that hide costs 2 s each time; with this icon there, removing ours is quick.
class OtherTrayIcon : public ::testing::Environment {
 public:
  void SetUp() override {
    window_ = CreateWindowExA(0, "STATIC", "other", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    NOTIFYICONDATAA data = Data();
    data.uFlags = NIF_ICON;
    data.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
    Shell_NotifyIconA(NIM_ADD, &data);
  }
  void TearDown() override {
    NOTIFYICONDATAA data = Data();
    Shell_NotifyIconA(NIM_DELETE, &data);
    DestroyWindow(window_);
  }

 private:
  NOTIFYICONDATAA Data() const {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = 1;
    return data;
  }
  HWND window_ = nullptr;
};
const auto* const kOtherTrayIcon = ::testing::AddGlobalTestEnvironment(new OtherTrayIcon);

class Shell : public ::testing::Test {
 protected:
  void Start(bool autoMonitor) {
    StoreAutoMonitorSwitch(autoMonitor ? 1 : 0);
    window_ = StartProgram(GetModuleHandleA(nullptr));
    ASSERT_NE(window_, nullptr);
    hwnd_ = window_->handle();
    list_ = window_->historyList();
    Pump(50ms);
  }
  void SetUp() override { Start(false); }
  void TearDown() override {
    if (IsMonitoring()) {
      StopMonitoring();
    }
    MainWindow::DestroyForTests();
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "software\\Tobrin");
    Pump(20ms);
  }

  // A menu command as the popup sends it.
  void Choose(int command) {
    PostMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    Pump(30ms);
  }
  void TrayMouse(UINT mouseMessage) {
    PostMessageA(hwnd_, kTrayCallbackMessage, kTrayIconId, mouseMessage);
    Pump(30ms);
  }
  std::vector<ItemState> PopupNow() {
    MenuHandle popup = BuildPopupMenu(window_->menu());
    return ReadPopup(popup.get());
  }
  int AddRow(const std::string& text) {
    const int row = AppendEmptyRow(list_);
    SetCellText(list_, row, 0, std::to_string(row));
    SetCellText(list_, row, 1, "2026-12-11 15:00:00");
    SetCellText(list_, row, 2, text);
    return row;
  }
  void Select(int row) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    if (row >= 0) {
      item.state = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageA(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
  }
  // A left double-click on the list at a point of its client area (the first click has selected).
  void DoubleClickList(POINT at) {
    SendMessageA(list_, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageA(list_, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    Pump(30ms);
  }
  POINT RowPoint(int row) {
    RECT rect{};
    rect.left = LVIR_LABEL;
    SendMessageA(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
    return {rect.left + 5, (rect.top + rect.bottom) / 2};
  }

  MainWindow* window_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND list_ = nullptr;
};

TEST_F(Shell, WindowAsCreated) {
  char title[64] = {};
  GetWindowTextA(hwnd_, title, sizeof title);
  EXPECT_EQ(std::string(title), std::string("Quillet\xA1\xA1"
                                            "1.0"));
  RECT outer{};
  GetWindowRect(hwnd_, &outer);
  EXPECT_EQ(outer.right - outer.left, 495);
  EXPECT_EQ(outer.bottom - outer.top, 357);
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 495) / 2);
  EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 357) / 2);
  const LONG_PTR style = GetWindowLongPtrA(hwnd_, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);  // fixed border
  EXPECT_FALSE(GetWindowLongPtrA(hwnd_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(IsWindowVisible(hwnd_));
  EXPECT_EQ(GetMenu(hwnd_), nullptr);  // no menu bar: 功能菜单 only shows as the tray popup
  EXPECT_EQ(GetParent(list_), hwnd_);
  RECT place{};
  GetWindowRect(list_, &place);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&place), 2);
  EXPECT_EQ(place.left, 8);
  EXPECT_EQ(place.top, 8);
  EXPECT_EQ(place.right - place.left, 472);
  EXPECT_EQ(place.bottom - place.top, 312);
  EXPECT_TRUE(TrayHasIcon(hwnd_));
}

TEST_F(Shell, MenuAfterStartWithMonitoringOff) {
  EXPECT_FALSE(IsMonitoring());
  EXPECT_EQ(PopupNow(), ExpectedItems("显示窗口", false));
}

TEST_F(Shell, MenuAfterStartWithAutomaticMonitoringOn) {
  TearDown();
  Start(true);
  EXPECT_TRUE(IsMonitoring());
  EXPECT_EQ(PopupNow(), ExpectedItems("显示窗口", true));
}

TEST_F(Shell, StartAndStopCommandsFollowInThePopup) {
  Choose(kStartMonitoringCommand);
  EXPECT_TRUE(IsMonitoring());
  auto expected = ExpectedItems("显示窗口", true);
  expected[3].checked = false;  // the automatic-monitoring switch is not touched
  EXPECT_EQ(PopupNow(), expected);
  Choose(kStopMonitoringCommand);
  EXPECT_FALSE(IsMonitoring());
  EXPECT_EQ(PopupNow(), ExpectedItems("显示窗口", false));
}

// One step of the show/hide sequence and what holds afterwards.
struct Step {
  const char* what;
  std::function<void(Shell&, HWND)> act;
  bool visible;
  const char* itemText;
};

TEST_F(Shell, ToggleAndCloseRequestSequence) {
  auto choose = [](Shell&, HWND w) { PostMessageA(w, WM_COMMAND, kToggleWindowCommand, 0); };
  auto close = [](Shell&, HWND w) { PostMessageA(w, WM_CLOSE, 0, 0); };
  auto closeBox = [](Shell&, HWND w) { PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0); };
  auto trayDouble = [](Shell&, HWND w) {
    // a double-click arrives as code 1, then 2, then 1 again
    for (UINT m : {WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) {
      PostMessageA(w, kTrayCallbackMessage, kTrayIconId, m);
    }
  };
  auto trayClick = [](Shell&, HWND w) { PostMessageA(w, kTrayCallbackMessage, kTrayIconId, WM_LBUTTONUP); };
  const Step steps[] = {
      {"item 1 while shown", choose, false, "显示窗口"},
      {"item 1 while hidden", choose, true, "隐藏窗口"},
      {"close request while shown", close, false, "显示窗口"},
      {"close request while hidden", close, true, "隐藏窗口"},
      {"close box while shown", closeBox, false, "显示窗口"},
      {"single tray click while hidden", trayClick, false, "显示窗口"},
      {"tray double-click while hidden", trayDouble, true, "隐藏窗口"},
      {"tray double-click while shown", trayDouble, true, "隐藏窗口"},
      {"item 1 again", choose, false, "显示窗口"},
  };
  EXPECT_TRUE(IsWindowVisible(hwnd_));
  EXPECT_EQ(window_->menu().windowItem.text, "显示窗口");  // the template's text, although shown
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act(*this, hwnd_);
    Pump(50ms);
    EXPECT_TRUE(IsWindow(hwnd_));  // never destroyed
    EXPECT_EQ(IsWindowVisible(hwnd_) != FALSE, step.visible);
    EXPECT_EQ(window_->menu().windowItem.text, step.itemText);
    EXPECT_EQ(PopupNow()[0].text, step.itemText);
  }
  EXPECT_TRUE(TrayHasIcon(hwnd_));
}

TEST_F(Shell, TrayDoubleClickKeepsAMinimisedWindowMinimised) {
  ShowWindow(hwnd_, SW_MINIMIZE);
  Pump(50ms);
  TrayMouse(WM_LBUTTONDBLCLK);
  EXPECT_TRUE(IsIconic(hwnd_));
  EXPECT_EQ(window_->menu().windowItem.text, "隐藏窗口");
}

TEST_F(Shell, CloseRequestLeavesMonitoringOn) {
  Choose(kStartMonitoringCommand);
  PostMessageA(hwnd_, WM_CLOSE, 0, 0);
  Pump(50ms);
  EXPECT_FALSE(IsWindowVisible(hwnd_));
  EXPECT_TRUE(IsMonitoring());
  const int before = RowCount(list_);
  PutOnClipboardElsewhere("captured while hidden");
  EXPECT_TRUE(PumpUntil([&] { return RowCount(list_) == before + 1; }));
  EXPECT_EQ(CellText(list_, before, 2), "captured while hidden");
}

// What the popup looked like while it was open, seen from a timer inside its loop.
struct SeenPopup {
  bool open = false;
  RECT rect{};
  std::vector<ItemState> items;
};
SeenPopup g_seen;
UINT_PTR g_timer;

void CALLBACK LookAtPopup(HWND, UINT, UINT_PTR, DWORD) {
  KillTimer(nullptr, g_timer);
  HWND popup = FindWindowA("#32768", nullptr);
  if (popup != nullptr && IsWindowVisible(popup)) {
    g_seen.open = true;
    GetWindowRect(popup, &g_seen.rect);
    g_seen.items = ReadPopup(reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0)));
  }
  EndMenu();
}

struct PopupCase {
  UINT mouseMessage;
  bool opens;
};
class TrayPopup : public Shell, public ::testing::WithParamInterface<PopupCase> {};

TEST_P(TrayPopup, OpensAtThePointerPlusThreeWithTheItemsState) {
  Choose(kStartMonitoringCommand);
  Choose(kToggleWindowCommand);  // hidden now, item 1 reads "显示窗口"
  Choose(kToggleWindowCommand);  // shown, "隐藏窗口"
  SetCursorPos(300, 200);
  Pump(30ms);
  POINT pointer{};
  GetCursorPos(&pointer);
  g_seen = {};
  g_timer = SetTimer(nullptr, 0, 300, LookAtPopup);
  TrayMouse(GetParam().mouseMessage);
  PumpUntil([] { return g_timer == 0 || !FindWindowA("#32768", nullptr) || g_seen.open; }, 500ms);
  Pump(400ms);
  KillTimer(nullptr, g_timer);
  EXPECT_EQ(g_seen.open, GetParam().opens);
  if (GetParam().opens) {
    EXPECT_EQ(g_seen.rect.left, pointer.x + 3);
    EXPECT_EQ(g_seen.rect.top, pointer.y + 3);
    auto expected = ExpectedItems("隐藏窗口", true);
    expected[3].checked = false;
    EXPECT_EQ(g_seen.items, expected);
  }
  // Closing the popup without a choice changes nothing.
  EXPECT_TRUE(IsWindowVisible(hwnd_));
  EXPECT_TRUE(IsMonitoring());
}

INSTANTIATE_TEST_SUITE_P(Codes, TrayPopup,
                         ::testing::Values(PopupCase{WM_RBUTTONUP, true}, PopupCase{WM_CONTEXTMENU, true},
                                           PopupCase{WM_LBUTTONUP, false}, PopupCase{WM_RBUTTONDOWN, false},
                                           PopupCase{WM_MOUSEMOVE, false}));

TEST_F(Shell, SetTrayIconChangesAndRemovesAndDestroysThePreviousHandle) {
  TrayIcon& tray = window_->tray();
  const HICON first = tray.ShownIcon();
  ASSERT_NE(first, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(first, &info));
  EXPECT_EQ(info.fIcon, TRUE);
  BITMAP bitmap{};
  GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  EXPECT_EQ(bitmap.bmWidth, 16);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);

  tray.SetTrayIcon(ApplicationIconFile(), "Quillet again");  // modify
  const HICON second = tray.ShownIcon();
  EXPECT_NE(second, first);
  EXPECT_TRUE(TrayHasIcon(hwnd_));
  EXPECT_FALSE(GetIconInfo(first, &info)) << "the previous icon handle is destroyed";

  tray.SetTrayIcon("not an icon file", "Quillet");  // no handle can be made: the shown icon is removed
  EXPECT_EQ(tray.ShownIcon(), nullptr);
  EXPECT_FALSE(TrayHasIcon(hwnd_));
  EXPECT_FALSE(GetIconInfo(second, &info));

  tray.SetTrayIcon({}, "");  // nothing shown, nothing to add
  EXPECT_FALSE(TrayHasIcon(hwnd_));
  tray.SetTrayIcon(ApplicationIconFile(), std::string(100, 'Q'));  // added again, tip cut to 62 bytes
  EXPECT_TRUE(TrayHasIcon(hwnd_));
}

TEST_F(Shell, TrayIconComesBackWhenTheNotificationAreaIsRecreated) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = hwnd_;
  data.uID = kTrayIconId;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));  // the shell restarted: its icons are gone
  ASSERT_FALSE(TrayHasIcon(hwnd_));
  SendMessageA(hwnd_, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(TrayHasIcon(hwnd_));
  // Also while monitoring (the monitor's procedure passes the message on), and with the icon still there.
  Choose(kStartMonitoringCommand);
  Shell_NotifyIconA(NIM_DELETE, &data);
  SendMessageA(hwnd_, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(TrayHasIcon(hwnd_));
  SendMessageA(hwnd_, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(TrayHasIcon(hwnd_));
}

std::string LongMultiLineText() {
  std::string text;
  for (int line = 0; text.size() < 10 * 1024; ++line) {
    text += "第" + std::to_string(line) + "行 line of the copied text, 剪贴板历史\r\n";
  }
  text.resize(10 * 1024);
  if (static_cast<unsigned char>(text.back()) >= 0x80) {  // do not end in half a character
    text.back() = '.';
  }
  return text;
}

struct CopyCase {
  const char* name;
  bool monitoring;
  std::string text;
};
class CopyBack : public Shell, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(CopyBack, DoubleClickPutsTheRowTextOnTheClipboard) {
  const CopyCase& c = GetParam();
  if (c.monitoring) {
    Choose(kStartMonitoringCommand);
  }
  AddRow("first row");
  const int row = AddRow(c.text);
  AddRow("third row");
  PutOnClipboardElsewhere("something else");
  Pump(100ms);
  const int rows = RowCount(list_);
  const auto menuBefore = PopupNow();

  Select(row);
  DoubleClickList(RowPoint(row));
  EXPECT_TRUE(PumpUntil([&] { return ClipboardText() == c.text; }));
  EXPECT_EQ(ClipboardText().size(), c.text.size());
  Pump(200ms);
  EXPECT_EQ(RowCount(list_), rows) << "the copied text is not recorded again";
  EXPECT_EQ(IsMonitoring(), c.monitoring);
  EXPECT_EQ(PopupNow(), menuBefore);

  // Monitoring (when on) is back in the chain: the next change made elsewhere is recorded.
  PutOnClipboardElsewhere("after the copy-back");
  if (c.monitoring) {
    EXPECT_TRUE(PumpUntil([&] { return RowCount(list_) == rows + 1; }));
    EXPECT_EQ(CellText(list_, rows, 2), "after the copy-back");
  } else {
    Pump(200ms);
    EXPECT_EQ(RowCount(list_), rows);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, CopyBack,
                         ::testing::Values(CopyCase{"MonitoringOff", false, "复制回去 copy me back"},
                                           CopyCase{"MonitoringOn", true, "复制回去 copy me back"},
                                           CopyCase{"MultiLine10KiBOff", false, LongMultiLineText()},
                                           CopyCase{"MultiLine10KiBOn", true, LongMultiLineText()},
                                           CopyCase{"SameTextAsAnotherRow", true, "first row"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Shell, DoubleClickWithNoRowSelectedLeavesTheClipboardAsItWas) {
  for (bool monitoring : {false, true}) {
    SCOPED_TRACE(monitoring ? "monitoring on" : "monitoring off");
    if (monitoring) {
      Choose(kStartMonitoringCommand);
    }
    AddRow("a row");
    PutOnClipboardElsewhere(monitoring ? "the user's text, on" : "the user's text, off");
    Pump(100ms);
    const int rows = RowCount(list_);
    Select(-1);
    DoubleClickList({200, 290});  // the empty area below the rows
    Pump(200ms);
    EXPECT_EQ(ClipboardText(), monitoring ? "the user's text, on" : "the user's text, off");
    EXPECT_EQ(RowCount(list_), rows);
    EXPECT_EQ(IsMonitoring(), monitoring);
  }
}

TEST_F(Shell, DoubleClickOnAnEmptyListLeavesTheClipboardAsItWas) {
  ASSERT_EQ(RowCount(list_), 0);
  PutOnClipboardElsewhere("still here");
  DoubleClickList({100, 100});
  Pump(100ms);
  EXPECT_EQ(ClipboardText(), "still here");
}

}  // namespace
}  // namespace app

// What the capture tests share: a hidden window standing in for the main window with `列表框` as its
// child, viewer windows placed after it in the clipboard viewer chain, a thread that writes the real
// clipboard, bounded waits that keep handling window messages, and "Data.mdb" read and written through
// the engine.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace capture_test {

// Handles window messages until `done` holds or `timeoutMs` passed; returns whether `done` held.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);
// Handles the messages that are waiting now and those arriving within `ms`.
void PumpFor(DWORD ms);

struct Message {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// The stand-in for the main window: hidden, with `列表框` as its child, attached to the monitor.
// Its ordinary procedure records every clipboard-chain message that reaches it and answers WM_APP + 1
// with 4242. Monitoring is stopped when it goes.
class TestMainWindow {
 public:
  TestMainWindow();
  ~TestMainWindow();
  HWND window() const { return window_; }
  HWND list() const { return list_; }
  // The clipboard-chain messages that reached the ordinary procedure.
  std::vector<Message> ordinaryChainMessages() const;
  static WNDPROC OrdinaryProcedure();

 private:
  HWND window_ = nullptr;
  HWND list_ = nullptr;
};

// A well-behaved clipboard viewer of the calling thread: joins the chain when made, passes every chain
// message on as the protocol asks, records what it receives, and leaves the chain when it goes (or on Leave).
class TestViewer {
 public:
  TestViewer();
  ~TestViewer();
  HWND window() const { return window_; }
  HWND next() const { return next_; }
  void Leave();
  // Everything received, in order.
  const std::vector<Message>& received() const { return received_; }
  size_t CountOf(UINT message) const;
  // Called when WM_DRAWCLIPBOARD arrives, before it is passed on.
  std::function<void()> onDrawClipboard;

 private:
  static LRESULT CALLBACK Procedure(HWND, UINT, WPARAM, LPARAM);
  HWND window_ = nullptr;
  HWND next_ = nullptr;
  bool joined_ = false;
  std::vector<Message> received_;
};

// Records the clipboard-chain messages that are sent to windows of this thread (a WH_CALLWNDPROC hook).
class SentMessageLog {
 public:
  SentMessageLog();
  ~SentMessageLog();
  std::vector<Message> To(HWND window, UINT message) const;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  HHOOK hook_ = nullptr;
};

// A thread of its own that writes the clipboard when asked and keeps handling its messages meanwhile
// (a thread that owns clipboard data must, or the readers' OpenClipboard stalls).
class ClipboardWriter {
 public:
  ClipboardWriter();
  ~ClipboardWriter();
  // Runs `work` on the writer's thread and waits for it, handling this thread's messages meanwhile.
  void Run(std::function<void()> work);
  // Puts `text` on the clipboard as CF_TEXT (WriteClipboardText).
  void WriteText(const std::string& text);
  // Puts data of a private format only, no text.
  void WriteNoText();
  // Starts `work` on the writer's thread and returns at once.
  void Post(std::function<void()> work);

 private:
  void Loop();
  std::mutex mutex_;
  std::deque<std::function<void()>> work_;
  HANDLE wake_ = nullptr;
  bool stopping_ = false;
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

// One row of the list: ID, time, text (code page 936).
using Row = std::array<std::string, 3>;
std::vector<Row> ListRows(HWND list);

// One record of table "Data", each field as its UTF-8 text, or nullopt for NULL.
using StoredRecord = std::array<std::optional<std::string>, 3>;

// HistoryDatabasePath() as UTF-8 for the engine.
std::string DatabasePath();
// A fresh Data.mdb with the empty table "Data", replacing any file there.
void CreateFreshDatabase();
void RemoveDatabase();
// The records of table "Data" read back with the engine; empty when the file cannot be read.
std::vector<StoredRecord> StoredRecords();
// Appends records through the engine, without flushing after each (quick for many records).
void AppendStoredRecords(const std::vector<StoredRecord>& records);
// The bytes of the file ("" when it cannot be read).
std::string FileBytes(const std::string& utf8Path);
void WriteFileBytes(const std::string& utf8Path, const std::string& bytes);

// The path of one of the Access-made files of the fixture folder, as Wine reaches it.
std::string FixturePath(const std::string& name);

// The UTF-8 form of a code page 936 text, and back.
std::string Utf8(const std::string& text);
std::string Cp936(const std::string& utf8);

// True for "YYYY-MM-DD HH:MM:SS".
bool LooksLikeCaptureTime(const std::string& text);

}  // namespace capture_test

// A File decorator that simulates a crash: it passes the first k-1 writes, truncations and flushes
// to the file it wraps, then carries out the k-th (a write possibly torn: only its whole 512-byte
// sectors before its middle reach the file), and fails every later one as if the process had died.
// Used by the tests that sweep a crash over every write point of an append.
#pragma once

#include <cstdint>
#include <memory>

#include "history/jet/file.h"

namespace jet {

struct CrashPlan {
  uint64_t stopAt = UINT64_MAX;  // the 1-based operation that is the last one to reach the file
  bool tearLast = false;         // the last write reaches the file only in part
  uint64_t operations = 0;       // writes, truncations and flushes seen so far
  bool crashed() const { return operations >= stopAt; }
};

class CrashFile final : public File {
 public:
  CrashFile(std::unique_ptr<File> inner, std::shared_ptr<CrashPlan> plan)
      : inner_(std::move(inner)), plan_(std::move(plan)) {}

  Status ReadAt(uint64_t offset, void* buffer, size_t size) override { return inner_->ReadAt(offset, buffer, size); }
  Status WriteAt(uint64_t offset, const void* data, size_t size) override;
  Result<uint64_t> Size() override { return inner_->Size(); }
  Status Truncate(uint64_t size) override;
  Status Flush() override;

 private:
  // Counts one operation; false when the process is already "dead".
  bool Admit(bool& last);
  std::unique_ptr<File> inner_;
  std::shared_ptr<CrashPlan> plan_;
};

}  // namespace jet

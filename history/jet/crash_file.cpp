#include "history/jet/crash_file.h"

namespace jet {
namespace {
constexpr uint64_t kSector = 512;
Status Crashed() { return Status::Error("simulated crash"); }
}  // namespace

bool CrashFile::Admit(bool& last) {
  if (plan_->crashed()) return false;
  ++plan_->operations;
  last = plan_->operations == plan_->stopAt;
  return true;
}

Status CrashFile::WriteAt(uint64_t offset, const void* data, size_t size) {
  bool last = false;
  if (!Admit(last)) return Crashed();
  if (!last || !plan_->tearLast) {
    Status s = inner_->WriteAt(offset, data, size);
    return last ? Crashed() : s;
  }
  // Torn: the sectors wholly before the middle of the write made it, the rest did not.
  uint64_t middle = offset + size / 2;
  uint64_t keepEnd = middle / kSector * kSector;
  if (keepEnd > offset) (void)inner_->WriteAt(offset, data, static_cast<size_t>(keepEnd - offset));
  return Crashed();
}

Status CrashFile::Truncate(uint64_t size) {
  bool last = false;
  if (!Admit(last)) return Crashed();
  Status s = inner_->Truncate(size);
  return last ? Crashed() : s;
}

Status CrashFile::Flush() {
  bool last = false;
  if (!Admit(last)) return Crashed();
  Status s = inner_->Flush();
  return last ? Crashed() : s;
}

}  // namespace jet

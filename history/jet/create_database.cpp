// CreateHistoryDatabase: the fresh "Data.mdb", built in memory, written under a temporary name beside
// the target, flushed, and renamed into place, so the target is either absent, the old file (with
// force) or the complete new one.
#include "history/jet/create_layout.h"
#include "history/jet/database.h"

namespace jet {

Status CreateHistoryDatabase(const std::string& utf8Path, bool force, FileSystem* fs) {
  if (fs == nullptr) fs = &FileSystem::Native();
  if (utf8Path.empty()) return Status::Error("no file name given");
  if (!force && fs->Exists(utf8Path)) return Status::Error(utf8Path + ": the file exists (use force to replace it)");
  writer::BlankLayout layout;
  layout.tableCreated = writer::OleDateNow();
  const std::string image = writer::BuildBlankDatabase(layout);
  const std::string temp = utf8Path + ".new";
  {
    auto file = fs->Create(temp);
    if (!file) return file.status();
    Status s = (*file)->WriteAt(0, image.data(), image.size());
    if (s) s = (*file)->Flush();
    if (!s) {
      file->reset();
      (void)fs->Remove(temp);
      return s.WithContext(temp);
    }
  }
  // Another look just before the rename: a file that appeared meanwhile is not replaced without force.
  if (!force && fs->Exists(utf8Path)) {
    (void)fs->Remove(temp);
    return Status::Error(utf8Path + ": the file exists (use force to replace it)");
  }
  Status renamed = fs->Rename(temp, utf8Path);
  if (!renamed) {
    (void)fs->Remove(temp);
    return renamed;
  }
  return Status::Ok();
}

}  // namespace jet

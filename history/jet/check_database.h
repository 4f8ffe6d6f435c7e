// A structural check of a Jet 4.0 file, independent of the reader: every page a table or column map
// names is a page of the right kind, no page is in two maps, the global page map agrees with the maps
// and the file length, the row counts agree with the rows, and every long-value chain ends.
//
// Findings come in two kinds. Damage: something a reader or Jet could trip over or that loses data.
// Notes: pages that belong to nothing (what an interrupted write leaves, and what Compact recovers)
// and a row count one short of the rows (an append interrupted before its last step).
#pragma once

#include <string>
#include <vector>

#include "history/jet/file.h"
#include "history/jet/result.h"

namespace jet {

struct CheckReport {
  std::vector<std::string> damage;
  std::vector<std::string> notes;
  uint32_t pages = 0;
  uint32_t tables = 0;
  uint64_t rows = 0;
  bool clean() const { return damage.empty(); }
};

// Fails only when the file cannot be read at all (not a Jet 4 file, I/O error); everything else is
// a finding.
Result<CheckReport> CheckDatabase(File& file);
Result<CheckReport> CheckDatabaseFile(const std::string& utf8Path, FileSystem* fs = nullptr);

}  // namespace jet

// Appending one row to a table of an open Jet 4.0 file, in the crash-safe order: new pages first (the
// tail of a long-value chain before its head), then the global page map, then the maps that link the
// new pages, then the row on an existing page (its bytes, then one small header write), then the
// table's row count. Every step is flushed before the next begins. Nothing is written before the
// whole append has been planned and checked, so a refused value leaves the file untouched.
#pragma once

#include <cstdint>
#include <vector>

#include "history/jet/database.h"
#include "history/jet/file.h"
#include "history/jet/result.h"

namespace jet::writer {

struct AppendOptions {
  bool flush = true;  // false only for measuring what the flushes cost
};

// Appends `values` (one per column, in column-number order; missing trailing values are NULL) to the
// table whose definition starts on `tdefPage`.
Status AppendRowToFile(File& file, uint32_t tdefPage, const std::vector<Value>& values,
                       const AppendOptions& options = {});

// The same through an open ReadWrite Database, by table name.
Status AppendRowWithOptions(Database& db, std::u16string_view table, const std::vector<Value>& values,
                            const AppendOptions& options);

// The largest file Jet 4 handles.
constexpr uint64_t kMaxFileSize = 0x80000000ull;

}  // namespace jet::writer

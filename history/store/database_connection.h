// `数据库`: the connection of the history store to "Data.mdb", over the Jet engine. It holds the open
// file between its Open and its Close; the store opens and closes it within each of its operations.
#pragma once

#include <optional>
#include <string>

#include "history/jet/database.h"

class 数据库 {
 public:
  // Closes the connection if it is open, then opens the file at `path` (code page 936). ReadWrite takes
  // read and write access and denies other writers, so it fails while another process holds the file
  // open for writing; ReadOnly shares the file with every other reader and writer. Fails also for a file
  // that is missing, not a Jet 4.0 database, password-protected or damaged. True only if the open succeeded.
  bool Open(const std::string& path, jet::OpenMode mode);
  // Closes the file if it is open; the connection can be opened again afterwards.
  void Close();
  bool IsOpen() const { return database_.has_value(); }

  // The open engine database; null when closed.
  jet::Database* engine() { return database_ ? &*database_ : nullptr; }

 private:
  std::optional<jet::Database> database_;
};

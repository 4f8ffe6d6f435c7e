// `记录集`: the record set of the history store, a static view of one table of the connection it is bound
// to. Reading moves through the table's records in table order; a new record is built with AddNew and
// WriteField and stored by Update. Records are never changed or deleted.
//
// Positions run from the first record to the place after the last one ("past the end"); before the first
// record there is one more place, reached by MovePrevious from the first.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "history/jet/database.h"

class 数据库;

class 记录集 {
 public:
  // The next Open uses this connection. True (both components exist).
  bool Bind(数据库& connection);
  // Closes the record set if it is open, then opens the table `source` of the bound connection (a table
  // source, not a query). The current record is the first one, or past the end when there is none.
  // True if the open succeeded.
  bool Open(std::u16string_view source);
  // Closes the record set when it is open; a pending new record is dropped.
  void Close();
  bool IsOpen() const { return table_.has_value(); }

  // A new, empty record becomes the current one. False when the record set is not open.
  bool AddNew();
  // Sets the field at `position` of the new record to `text` (code page 936), or to NULL when the text is
  // empty. False when there is no new record or no such field.
  bool WriteField(int position, const std::string& text);
  // Stores the new record at the end of the table. If the table refuses it, the new record is cancelled
  // and nothing is stored. False when nothing was stored.
  bool Update();
  // Drops a pending new record.
  void CancelUpdate();

  // False when the move failed (not open, no records, already past the end / before the first record).
  bool MoveFirst();
  bool MoveNext();
  bool MovePrevious();

  // The field at `position` of the current record as text (code page 936): NULL reads as "", and so does a
  // position that is not a field, a closed record set and a record set past its last record.
  std::string ReadField(int position);
  // The number of records, -1 when the record set is not open.
  long RecordCount() const;
  // MoveNext is tried; if it fails, true. If it succeeds, MovePrevious moves back and the answer is false.
  bool IsPastLastRecord();

 private:
  using Record = std::vector<jet::Value>;
  // The record at `index` in table order, read on demand; null when the table has no such record.
  const Record* RecordAt(long index);
  // Starts reading the table from its first record again.
  void Rewind();

  数据库* connection_ = nullptr;
  std::optional<jet::Table> table_;
  std::optional<jet::RowCursor> cursor_;
  bool cursorAtEnd_ = false;
  // The records read last, the one before the current record included, starting at index windowStart_.
  std::deque<Record> window_;
  long windowStart_ = 0;
  // -1: before the first record; otherwise the index of the current record (past the end when no record).
  long position_ = -1;
  // The record being built between AddNew and Update.
  std::optional<Record> pending_;
  // The record stored by the last Update, which is then the current one.
  std::optional<Record> stored_;
};

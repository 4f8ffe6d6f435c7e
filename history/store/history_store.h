// The history store: the clipboard history kept in table "Data" of the database "Data.mdb" beside the
// executable, one record per capture (field 0 the ID, field 1 the time, field 2 the stored form of the
// text). Each operation opens the file, does its work and closes it; nothing stays open between them.
// Failures are silent: an operation that cannot open or write the file leaves it and the list as they are.
//
// Both operations work on the list given to AttachHistoryList (app/history_list.h).
#pragma once

#include <string>

// Stores one capture whose row the recorder has just appended: field 0 the row count minus one, field 1
// FormatTimestamp(nullopt, 1, 0), field 2 EncodeStoredText(text). The file is opened for reading and
// writing, so one that another process holds open for writing is not touched.
void AppendHistoryRecord(const std::string& text);

// Appends one row per record of table "Data", in the table's order: cell 0 and cell 1 as stored, cell 2
// DecodeStoredText of field 2. An empty table gives no rows. The file is only read (it is opened read-only,
// sharing it with any other reader or writer). Window messages are handled while the stored texts decode;
// captures that arrive meanwhile are held back (IsHistoryLoading) and recorded once the load has ended.
void LoadHistory();

// The directory of the running executable followed by "\Data.mdb" (code page 936).
std::string HistoryDatabasePath();

// True while LoadHistory runs.
bool IsHistoryLoading();
// The procedure LoadHistory calls as its very last step (the capture recorder's, to record the captures
// it held back). Null by default.
void SetAfterHistoryLoad(void (*afterLoad)());

// The capture recorder: one new clipboard text becomes one row at the bottom of the history list (its ID,
// the capture time, the text unchanged) and then one record of the history database.
#pragma once

#include <string>

// Appends the row (ID: the row count minus one as "%.13g"; time: FormatTimestamp(nullopt, 1, 0); the text
// unchanged) and then calls AppendHistoryRecord(text). If the list refuses the row, nothing more is done.
// While the history is loading, the capture is held back and recorded, row and record, right after the
// load ends, in the order the captures arrived.
void RecordCapture(const std::string& text);

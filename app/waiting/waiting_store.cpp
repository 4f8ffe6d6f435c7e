// Minimal stand-ins (see README.md).
#include "history/store/history_store.h"

void AppendHistoryRecord(const std::string&) {}
void LoadHistory() {}
std::string HistoryDatabasePath() { return {}; }


#pragma once
#include <string>
void AppendHistoryRecord(const std::string& text);
void LoadHistory();
std::string HistoryDatabasePath();

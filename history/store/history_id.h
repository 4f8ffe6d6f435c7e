// The ID of a history row: its zero-based position, written as plain decimal text through a double with
// thirteen significant digits ("%.13g"): "0", "12".
#pragma once

#include <cstdio>
#include <string>

inline std::string HistoryIdText(int position) {
  char text[32];
  std::snprintf(text, sizeof text, "%.13g", static_cast<double>(position));
  return text;
}

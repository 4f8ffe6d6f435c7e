// The bytes of a new Jet 4.0 database, laid out as the Jet 4.0 engine lays out a blank database
// (header, global page map, the four system tables with their catalog rows, permission rows, catalog
// indexes and usage maps), optionally with the empty history table "Data" added as Jet adds a table.
#pragma once

#include <cstdint>
#include <string>

namespace jet::writer {

struct BlankLayout {
  uint16_t codePage = 936;     // the database's default code page
  uint16_t sortOrder = 0x0804;  // LCID of the default sort order (Chinese PRC)
  bool historyTable = true;    // add the table "Data": ID Text(255), 时间 Text(255), 文本 Memo
  double tableCreated = 0;     // OLE date of the "Data" catalog row; 0 = the database's creation date
};

// Page numbers of the layout.
constexpr uint32_t kHistoryTdefPage = 16;
constexpr uint32_t kCatalogDataPage = 14;
constexpr uint32_t kAceDataPage = 15;
constexpr uint32_t kMapPage = 6;

// The whole file: 16 pages for the blank database, 17 with the history table.
std::string BuildBlankDatabase(const BlankLayout& layout);

// The current time as an OLE date (days since 1899-12-30, UTC).
double OleDateNow();

}  // namespace jet::writer

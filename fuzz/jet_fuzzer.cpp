// libFuzzer target: the input is a whole .mdb file. It is opened from memory and every row of every table
// is read and turned into text, as the history store and quillet-db would. Any crash, sanitizer report,
// hang or runaway allocation is a finding; an error result is the expected outcome for damaged input.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "history/jet/database.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto db = jet::Database::Open(
      std::make_unique<jet::MemoryFile>(std::string(reinterpret_cast<const char*>(data), size)),
      jet::OpenMode::ReadOnly);
  if (!db)
    return 0;
  for (const auto& name : db->AllTableNames()) {
    auto table = db->FindTable(name);
    if (!table)
      continue;
    (void)table->ColumnIndex(u"Name");
    jet::RowCursor rows = table->Rows();
    std::vector<jet::Value> row;
    while (true) {
      auto more = rows.Next(row);
      if (!more || !*more)
        break;
      for (const auto& value : row)
        (void)value.ToUtf8();
    }
  }
  return 0;
}

#include "history/store/database_connection.h"

#include "history/store/code_page_936.h"

bool 数据库::Open(const std::string& path, jet::OpenMode mode) {
  Close();
  auto opened = jet::Database::Open(jet::ToUtf8(Utf16FromText(path)), mode);
  if (!opened)
    return false;
  database_.emplace(std::move(opened).value());
  return true;
}

void 数据库::Close() {
  database_.reset();
}

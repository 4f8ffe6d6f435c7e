// One pass over a table's rows: owned pages ascending, slots in order, deleted rows skipped, overflow
// rows followed.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "history/jet/database.h"
#include "history/jet/engine.h"
#include "history/jet/page_format.h"
#include "history/jet/tdef.h"

namespace jet::internal {

class RowScan {
 public:
  RowScan(std::shared_ptr<Engine> engine, std::shared_ptr<const TableDef> def);

  // As RowCursor::Next.
  Result<bool> Next(std::vector<Value>& row);

 private:
  Status Fail(Status error);
  Status LoadPage();

  std::shared_ptr<Engine> engine_;
  std::shared_ptr<const TableDef> def_;
  bool started_ = false;
  bool finished_ = false;
  std::vector<uint32_t> pages_;
  size_t pageIndex_ = 0;
  uint16_t slot_ = 0;
  uint16_t slotCount_ = 0;  // of the current page; 0 when it is not one of the table's data pages
  PageCache dataPages_;
  const PageBuffer* page_ = nullptr;  // the current data page, inside dataPages_
  PageBuffer overflow_{};
  PageCache longValues_;
};

}  // namespace jet::internal

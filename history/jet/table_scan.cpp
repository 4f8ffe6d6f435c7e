// Reading a table's rows in table order.
#include "history/jet/table_scan.h"

#include <algorithm>

#include "history/jet/data_page.h"
#include "history/jet/row.h"
#include "history/jet/usage_map.h"

namespace jet::internal {

RowScan::RowScan(std::shared_ptr<Engine> engine, std::shared_ptr<const TableDef> def)
    : engine_(std::move(engine)), def_(std::move(def)) {}

Status RowScan::Fail(Status error) {
  finished_ = true;
  return error;
}

// Loads pages_[pageIndex_]; a page that is not a data page of this table (freed, reused) has no rows.
Status RowScan::LoadPage() {
  uint32_t number = pages_[pageIndex_];
  slot_ = 0;
  slotCount_ = 0;
  auto page = dataPages_.Get(*engine_, number);
  if (!page)
    return page.status();
  page_ = *page;
  if (!IsDataPage(*page_) || DataPageOwner(*page_) != def_->page)
    return Status::Ok();
  auto count = DataPageRowCount(*page_, number);
  if (!count)
    return count.status();
  slotCount_ = *count;
  return Status::Ok();
}

Result<bool> RowScan::Next(std::vector<Value>& row) {
  if (finished_)
    return false;
  if (!started_) {
    started_ = true;
    auto pages = ReadUsageMap(*engine_, def_->ownedPages);
    if (!pages)
      return Fail(pages.status().WithContext("owned pages of table " + ToUtf8(def_->name)));
    pages_ = std::move(*pages);
    pageIndex_ = 0;
    if (pages_.empty()) {
      finished_ = true;
      return false;
    }
    Status r = LoadPage();
    if (!r)
      return Fail(r);
  }
  while (true) {
    if (slot_ >= slotCount_) {
      if (++pageIndex_ >= pages_.size()) {
        finished_ = true;
        return false;
      }
      Status r = LoadPage();
      if (!r)
        return Fail(r);
      continue;
    }
    uint32_t pageNumber = pages_[pageIndex_];
    uint16_t index = slot_++;
    auto slot = DataPageRow(*page_, pageNumber, index, false);
    if (!slot)
      return Fail(slot.status());
    if (slot->deleted)
      continue;

    const uint8_t* bytes = page_->data() + slot->start;
    size_t length = slot->length();
    uint32_t rowPage = pageNumber;
    if (slot->overflow) {
      // Follow the pointer (possibly several hops) to the page where the row lives.
      std::vector<uint32_t> visited{RowPointer{pageNumber, static_cast<uint8_t>(index)}.Raw()};
      const PageBuffer* at = page_;
      RowSlot current = *slot;
      while (current.overflow) {
        if (current.length() < 4) {
          return Fail(Status::Error(PageError(rowPage, "overflow row pointer too short")));
        }
        RowPointer target = RowPointer::FromRaw(Get32(at->data() + current.start));
        if (std::find(visited.begin(), visited.end(), target.Raw()) != visited.end() || visited.size() > 64) {
          return Fail(Status::Error(PageError(rowPage, "overflow row pointers loop")));
        }
        visited.push_back(target.Raw());
        Status r = engine_->ReadPage(target.page, overflow_);
        if (!r)
          return Fail(r);
        if (!IsDataPage(overflow_) || DataPageOwner(overflow_) != def_->page) {
          return Fail(
              Status::Error(PageError(target.page, "overflow row target is not a data page of this table")));
        }
        auto next = DataPageRow(overflow_, target.page, target.row, true);
        if (!next)
          return Fail(next.status());
        current = *next;
        at = &overflow_;
        rowPage = target.page;
      }
      bytes = at->data() + current.start;
      length = current.length();
    }
    Status decoded = DecodeRow(*engine_, *def_, bytes, length, rowPage, longValues_, row);
    if (!decoded)
      return Fail(decoded);
    return true;
  }
}

}  // namespace jet::internal

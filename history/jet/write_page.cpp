#include "history/jet/write_page.h"

namespace jet::writer {

std::string Utf16Bytes(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) AppendU16(out, c);
  return out;
}

DataPage::DataPage(uint32_t owner) : bytes_(kPageSize, '\0') {
  bytes_[0] = 0x01;
  bytes_[1] = 0x01;
  PutU16(bytes_, 2, kEmptyDataPageFree);
  PutU32(bytes_, 4, owner);
}

int DataPage::AddRow(std::string_view row) {
  uint16_t count = RowCount();
  int free = FreeAfterRow(FreeSpace(), static_cast<uint32_t>(row.size()));
  if (free < 0 || count >= kMaxRowsPerPage) return -1;
  uint32_t end = count == 0 ? kPageSize : (GetU16(bytes_, kDataPageHeader + 2 * (count - 1)) & 0x1FFF);
  uint32_t start = end - static_cast<uint32_t>(row.size());
  bytes_.replace(start, row.size(), row);
  PutU16(bytes_, kDataPageHeader + 2 * count, start);
  PutU16(bytes_, 12, count + 1);
  PutU16(bytes_, 2, static_cast<uint32_t>(free));
  return count;
}

std::string InlineMapRow(uint32_t startPage, const std::vector<uint32_t>& set, uint32_t bitmapBytes) {
  std::string row(5 + bitmapBytes, '\0');
  PutU32(row, 1, startPage);
  for (uint32_t page : set) {
    uint32_t bit = page - startPage;
    row[5 + bit / 8] = static_cast<char>(static_cast<uint8_t>(row[5 + bit / 8]) | (1u << (bit % 8)));
  }
  return row;
}

bool RowSpanOf(std::string_view page, uint32_t row, RowSpan& span) {
  if (page.size() != kPageSize) return false;
  uint32_t count = GetU16(page, 12);
  if (row >= count || kDataPageHeader + 2 * count > kPageSize) return false;
  uint16_t entry = GetU16(page, kDataPageHeader + 2 * row);
  span.flags = entry & 0xC000;
  span.start = entry & 0x1FFF;
  span.end = row == 0 ? kPageSize : (GetU16(page, kDataPageHeader + 2 * (row - 1)) & 0x1FFF);
  return span.start >= kDataPageHeader + 2 * count && span.start <= span.end && span.end <= kPageSize;
}

}  // namespace jet::writer

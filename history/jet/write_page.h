// Byte-level building blocks of the writer: little-endian fields, data pages with their row-offset
// table, and inline usage-map rows. Everything works on std::string buffers (one page = 4096 bytes),
// the same byte container the File layer and MemoryFile use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jet::writer {

constexpr uint32_t kPageSize = 4096;
constexpr uint32_t kDataPageHeader = 14;        // type, 01, free, owner, 4 unknown bytes, row count
constexpr uint32_t kEmptyDataPageFree = kPageSize - kDataPageHeader;  // 4082
constexpr uint32_t kMaxRowsPerPage = 255;       // index entries keep the row number in one byte
constexpr uint32_t kMaxRowSize = 4060;          // the largest row Jet 4 accepts
constexpr uint32_t kInlineMapBitmapBytes = 64;  // a 69-byte inline usage map covers 512 pages
constexpr uint32_t kInlineMapRowSize = 5 + kInlineMapBitmapBytes;
constexpr uint32_t kReferenceMapPageBits = (kPageSize - 4) * 8;  // 32736 pages per bitmap page
constexpr uint32_t kLvalTag = 0x4C41564C;       // "LVAL" at offset 4 of a long-value page

inline uint16_t GetU16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}
inline uint32_t GetU32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(GetU16(b, at)) | (static_cast<uint32_t>(GetU16(b, at + 2)) << 16);
}
inline uint32_t GetU24(std::string_view b, size_t at) {
  return static_cast<uint32_t>(GetU16(b, at)) | (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16);
}
inline void PutU8(std::string& b, size_t at, uint32_t v) { b[at] = static_cast<char>(v & 0xFF); }
inline void PutU16(std::string& b, size_t at, uint32_t v) {
  PutU8(b, at, v);
  PutU8(b, at + 1, v >> 8);
}
inline void PutU32(std::string& b, size_t at, uint32_t v) {
  PutU16(b, at, v);
  PutU16(b, at + 2, v >> 16);
}
inline void AppendU8(std::string& b, uint32_t v) { b.push_back(static_cast<char>(v & 0xFF)); }
inline void AppendU16(std::string& b, uint32_t v) {
  AppendU8(b, v);
  AppendU8(b, v >> 8);
}
inline void AppendU32(std::string& b, uint32_t v) {
  AppendU16(b, v);
  AppendU16(b, v >> 16);
}
inline void AppendDouble(std::string& b, double v) {
  uint64_t bits;
  static_assert(sizeof bits == sizeof v);
  __builtin_memcpy(&bits, &v, sizeof bits);
  AppendU32(b, static_cast<uint32_t>(bits));
  AppendU32(b, static_cast<uint32_t>(bits >> 32));
}
// UCS-2LE bytes of a UTF-16 string.
std::string Utf16Bytes(std::u16string_view text);

// A (page, row) reference as stored in TDEFs and long-value headers: row byte, then a 3-byte page.
struct RowRef {
  uint32_t page = 0;
  uint8_t row = 0;
  uint32_t Packed() const { return (page << 8) | row; }
  static RowRef FromPacked(uint32_t v) { return RowRef{v >> 8, static_cast<uint8_t>(v & 0xFF)}; }
  bool operator==(const RowRef&) const = default;
};

// A data page (type 0x01) under construction: rows go from the end of the page towards the header.
class DataPage {
 public:
  explicit DataPage(uint32_t owner);  // owner: TDEF page, 0 for map-only pages, kLvalTag, 1 for page 1
  // Adds a row; returns its slot number, or -1 when the page has no room (or 255 rows already).
  int AddRow(std::string_view row);
  uint16_t FreeSpace() const { return GetU16(bytes_, 2); }
  uint16_t RowCount() const { return GetU16(bytes_, 12); }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// Free space left after adding a row of `rowLength` bytes to a page with `free` bytes, or -1.
inline int FreeAfterRow(uint32_t free, uint32_t rowLength) {
  return free >= rowLength + 2 ? static_cast<int>(free - rowLength - 2) : -1;
}

// An inline usage-map row: type 0, start page, bitmap. `set` lists the pages whose bit is 1.
std::string InlineMapRow(uint32_t startPage, const std::vector<uint32_t>& set,
                         uint32_t bitmapBytes = kInlineMapBitmapBytes);

// Row boundaries of slot `row` of a data page (start inclusive, end exclusive; flags stripped).
struct RowSpan {
  uint32_t start = 0;
  uint32_t end = 0;
  uint16_t flags = 0;  // 0x8000 deleted, 0x4000 overflow pointer
};
// False when the slot or its offsets do not fit the page.
bool RowSpanOf(std::string_view page, uint32_t row, RowSpan& span);

}  // namespace jet::writer

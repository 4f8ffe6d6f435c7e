// Page-level constants and bounds-checked little-endian access, shared by the reading and writing halves.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "history/jet/result.h"

namespace jet::internal {

constexpr uint32_t kPageSize = 4096;

// Page types (byte 0 of a page).
constexpr uint8_t kPageHeader = 0x00;
constexpr uint8_t kPageData = 0x01;  // data rows, long values ("LVAL"), usage-map rows
constexpr uint8_t kPageTableDef = 0x02;
constexpr uint8_t kPageIndexNode = 0x03;
constexpr uint8_t kPageIndexLeaf = 0x04;
constexpr uint8_t kPageUsageMap = 0x05;  // bitmap page of a reference usage map

// Data page header.
constexpr uint32_t kDataFreeSpaceOffset = 2;
constexpr uint32_t kDataOwnerOffset = 4;  // TDEF page of the owning table, or "LVAL"
constexpr uint32_t kDataRowCountOffset = 12;
constexpr uint32_t kDataRowTableOffset = 14;
constexpr uint32_t kLongValueTag = 0x4C41564C;  // "LVAL" read as a little-endian u32

// Row offset entries.
constexpr uint16_t kRowOffsetMask = 0x1FFF;
constexpr uint16_t kRowDeleted = 0x8000;
constexpr uint16_t kRowOverflow = 0x4000;

// The MSysObjects table definition is always on page 2.
constexpr uint32_t kCatalogPage = 2;
constexpr uint32_t kTablesContainerId = 0x0F000001;

using PageBuffer = std::array<uint8_t, kPageSize>;

inline uint16_t Get16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t Get24(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
}
inline uint32_t Get32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t Get64(const uint8_t* p) {
  return Get32(p) | (static_cast<uint64_t>(Get32(p + 4)) << 32);
}
inline void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A row pointer: (page << 8) | row, stored as 1 byte of row and 3 bytes of page.
struct RowPointer {
  uint32_t page = 0;
  uint8_t row = 0;

  static RowPointer FromRaw(uint32_t raw) { return {raw >> 8, static_cast<uint8_t>(raw & 0xFF)}; }
  uint32_t Raw() const { return (page << 8) | row; }
  bool operator==(const RowPointer&) const = default;
  bool operator<(const RowPointer& o) const { return Raw() < o.Raw(); }
};

inline std::string PageError(uint32_t page, const std::string& what) {
  return "page " + std::to_string(page) + ": " + what;
}

}  // namespace jet::internal

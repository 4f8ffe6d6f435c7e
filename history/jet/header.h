// Page 0: the database header, partly stored XOR-ed with an RC4 keystream.
#pragma once

#include <cstdint>
#include <string>

#include "history/jet/page_format.h"
#include "history/jet/result.h"

namespace jet::internal {

constexpr uint32_t kHeaderMaskStart = 0x18;
constexpr uint32_t kHeaderMaskLength = 128;

struct HeaderInfo {
  uint32_t version = 0;      // 1 = Jet 4
  uint16_t codePage = 0;     // 1252, 936, ...
  uint32_t databaseKey = 0;  // non-zero: pages are RC4-encrypted
  uint16_t build = 0;        // engine build that made the file
  uint16_t sortOrder = 0;    // LCID of the default sort order
  double created = 0;        // OLE date
  std::u16string password;   // empty when no database password is set
};

// XORs bytes 0x18..0x97 of page 0 with the header keystream (decodes and encodes alike).
void ApplyHeaderMask(uint8_t* page0);

// Decodes page 0 (as stored) and checks that the file is one this engine may open: Jet 4, no
// database password, not encrypted.
Result<HeaderInfo> ParseHeader(const PageBuffer& page0);

}  // namespace jet::internal

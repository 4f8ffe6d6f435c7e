// Page 0: the database header.
#include "history/jet/header.h"

#include <array>
#include <cmath>
#include <cstring>

namespace jet::internal {
namespace {

// The first 128 bytes of RC4 keyed with C7 DA 39 6B.
std::array<uint8_t, kHeaderMaskLength> MakeHeaderKeystream() {
  const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
  uint8_t s[256];
  for (int i = 0; i < 256; ++i)
    s[i] = static_cast<uint8_t>(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % 4]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  std::array<uint8_t, kHeaderMaskLength> out{};
  for (uint32_t n = 0, i = 0, j = 0; n < kHeaderMaskLength; ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    out[n] = s[(s[i] + s[j]) & 0xFF];
  }
  return out;
}

const std::array<uint8_t, kHeaderMaskLength>& HeaderKeystream() {
  static const std::array<uint8_t, kHeaderMaskLength> stream = MakeHeaderKeystream();
  return stream;
}

}  // namespace

void ApplyHeaderMask(uint8_t* page0) {
  const auto& stream = HeaderKeystream();
  for (uint32_t i = 0; i < kHeaderMaskLength; ++i)
    page0[kHeaderMaskStart + i] ^= stream[i];
}

Result<HeaderInfo> ParseHeader(const PageBuffer& stored) {
  PageBuffer page = stored;
  const uint8_t* p = page.data();
  if (p[0] != 0x00 || p[1] != 0x01 || p[2] != 0x00 || p[3] != 0x00) {
    return Status::Error(PageError(0, "not a Jet database (bad header signature)"));
  }
  if (std::memcmp(p + 4, "Standard Jet DB\0", 16) != 0) {
    if (std::memcmp(p + 4, "Standard ACE DB\0", 16) == 0) {
      return Status::Error(PageError(0, "an Access 2007 or later database (ACE), not Jet 4"));
    }
    return Status::Error(PageError(0, "not a Jet database (no \"Standard Jet DB\" signature)"));
  }
  HeaderInfo info;
  info.version = Get32(p + 0x14);
  if (info.version != 1) {
    std::string which = info.version == 0 ? "Jet 3" : "version " + std::to_string(info.version);
    return Status::Error(PageError(0, "a " + which + " database; only Jet 4 files are supported"));
  }
  ApplyHeaderMask(page.data());
  info.codePage = Get16(p + 0x3C);
  info.databaseKey = Get32(p + 0x3E);
  info.build = Get16(p + 0x6A);
  info.sortOrder = Get16(p + 0x6E);
  uint64_t dateBits = Get64(p + 0x72);
  std::memcpy(&info.created, &dateBits, sizeof info.created);
  if (info.databaseKey != 0)
    return Status::Error(PageError(0, "the database is encrypted"));

  // The password field is XOR-ed with the int32 of the creation date, repeated.
  uint8_t mask[4] = {0, 0, 0, 0};
  if (std::isfinite(info.created) && info.created > -2147483648.0 && info.created < 2147483648.0) {
    int32_t whole = static_cast<int32_t>(info.created);  // truncates toward zero
    Put32(mask, static_cast<uint32_t>(whole));
  }
  bool passwordSet = false;
  for (uint32_t i = 0; i < 40; i += 2) {
    uint16_t unit =
        static_cast<uint16_t>((p[0x42 + i] ^ mask[i % 4]) | ((p[0x43 + i] ^ mask[(i + 1) % 4]) << 8));
    if (unit == 0)
      break;
    info.password.push_back(static_cast<char16_t>(unit));
    passwordSet = true;
  }
  if (passwordSet)
    return Status::Error(PageError(0, "the database has a password"));
  return info;
}

}  // namespace jet::internal

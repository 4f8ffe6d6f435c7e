// Jet 4 text values: UCS-2LE, or the "compressed unicode" form that starts with FF FE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace jet::internal {

std::u16string DecodeText(const uint8_t* bytes, size_t length);

}  // namespace jet::internal

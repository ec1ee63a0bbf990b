#pragma once

#include "base/bytes.h"

#include <array>
#include <cstdint>
#include <string>

namespace ks {

// The SHA-256 digest of `bytes`.
std::array<std::uint8_t, 32> sha256(ByteView bytes);
// The same as 64 lower-case hexadecimal digits.
std::string sha256Hex(ByteView bytes);

} // namespace ks

#pragma once

#include "base/bytes.h"

#include <string>

namespace ks {

// The SHA-256 digest of `bytes` as 64 lower-case hexadecimal digits.
std::string sha256Hex(ByteView bytes);

} // namespace ks

#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ks {

using UuidBytes = std::array<std::uint8_t, 16>;

// `bytes` with their version nibble set to `version` and the RFC 4122 variant, in the
// canonical upper-case text form: 36 characters, hyphenated 8-4-4-4-12.
std::string uuidText(UuidBytes bytes, int version);

} // namespace ks

#pragma once

#include <string>

namespace ks {

// A new random (version 4, RFC 4122 variant) UUID in canonical upper-case text form:
// 36 characters, hyphenated 8-4-4-4-12.
std::string makeUUID();

} // namespace ks

#pragma once

#include "base/bytes.h"

#include <string>
#include <string_view>

namespace ks {

// The stable UUID of a display, upper-case 8-4-4-4-12: made from the monitor's EDID, so that
// it follows the monitor from port to port, or from the output's name when it has no EDID.
// A SHA-256 name-based UUID (RFC 9562 version 8).
std::string displayUuid(ByteView edid, std::string_view outputName);

} // namespace ks

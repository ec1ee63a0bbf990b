#include "system/display_uuid.h"

#include "base/sha256.h"
#include "base/uuid_text.h"

#include <algorithm>

namespace ks {

std::string displayUuid(ByteView edid, std::string_view outputName) {
    std::string input = edid.empty() ? "output:" + std::string(outputName) : "edid:";
    if (!edid.empty())
        input.append(asText(edid));
    const auto digest = sha256(asBytes(input));
    UuidBytes bytes{};
    std::copy_n(digest.begin(), bytes.size(), bytes.begin());
    return uuidText(bytes, 8);
}

} // namespace ks

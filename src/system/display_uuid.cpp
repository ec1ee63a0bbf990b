#include "system/display_uuid.h"

#include "base/sha256.h"

#include <array>
#include <cstdint>

namespace ks {

std::string displayUuid(ByteView edid, std::string_view outputName) {
    std::string input = edid.empty() ? "output:" + std::string(outputName) : "edid:";
    if (!edid.empty())
        input.append(asText(edid));
    const std::string digest = sha256Hex(asBytes(input));

    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(std::stoi(digest.substr(i * 2, 2), nullptr, 16));
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x80); // version 8
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80); // variant 10

    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text.push_back('-');
        text.push_back(kHex[bytes[i] >> 4]);
        text.push_back(kHex[bytes[i] & 0xF]);
    }
    return text;
}

} // namespace ks

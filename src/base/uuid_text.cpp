#include "base/uuid_text.h"

namespace ks {

std::string uuidText(UuidBytes bytes, int version) {
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | ((version & 0x0F) << 4));
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text.push_back('-');
        text.push_back(kHex[bytes[i] >> 4]);
        text.push_back(kHex[bytes[i] & 0x0F]);
    }
    return text;
}

} // namespace ks

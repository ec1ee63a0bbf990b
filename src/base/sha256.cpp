#include "base/sha256.h"

#include <openssl/evp.h>

namespace ks {

std::array<std::uint8_t, 32> sha256(ByteView bytes) {
    std::array<std::uint8_t, 32> digest{};
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr);
    return digest;
}

std::string sha256Hex(ByteView bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(64);
    for (const std::uint8_t byte : sha256(bytes)) {
        hex.push_back(kHex[byte >> 4]);
        hex.push_back(kHex[byte & 0xF]);
    }
    return hex;
}

} // namespace ks

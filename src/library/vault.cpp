#include "library/vault.h"

#include "base/sha256.h"

namespace ks::Vault {

namespace {

std::string shortDigest(std::string_view text) {
    return sha256Hex(asBytes(text)).substr(0, 32);
}

} // namespace

std::string blobName(std::string_view text) {
    return shortDigest(text) + ".dat";
}

std::string archiveName(std::string_view packID) {
    return shortDigest("archive/" + std::string(packID)) + ".pack";
}

} // namespace ks::Vault

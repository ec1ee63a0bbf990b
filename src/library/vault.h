#pragma once

#include <string>
#include <string_view>

namespace ks::Vault {

inline constexpr std::string_view libraryDirName = "wp";
inline constexpr std::string_view indexFileName = "index.dat";

// The first 32 hex digits of SHA-256(text), then ".dat".
std::string blobName(std::string_view text);
// The first 32 hex digits of SHA-256("archive/" + packID), then ".pack".
std::string archiveName(std::string_view packID);

} // namespace ks::Vault

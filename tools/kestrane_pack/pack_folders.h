#pragma once

#include "library_writer.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ks::pack {

// The packs in `source`, one per folder in name order, each with its pictures in name order
// (every one checked to decode) and every pack marked as shipped. None, with `error` naming
// the offending file or folder, when any of it cannot be used.
std::optional<std::vector<tools::SourcePack>> readPackFolders(const std::filesystem::path& source,
                                                              std::string& error);

} // namespace ks::pack

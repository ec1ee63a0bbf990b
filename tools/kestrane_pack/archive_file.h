#pragma once

#include "library/pack_archive.h"

#include <optional>
#include <string>
#include <vector>

namespace ks::pack {

// The entries of the archive at `path`; none, after a message, when it cannot be read or is
// not a well-formed archive.
std::optional<std::vector<PackArchive::Entry>> readArchive(const std::string& path);

} // namespace ks::pack

#pragma once

#include "base/bytes.h"
#include "library/pack.h"

#include <optional>
#include <string>
#include <vector>

namespace ks {

// Reads an index document strictly: a missing required key or a value of the wrong JSON
// type anywhere makes the whole document unreadable (none). Unknown keys are ignored.
std::optional<std::vector<Pack>> parseLibraryIndex(ByteView document);

// Writes packs as an index document that parseLibraryIndex reads back unchanged.
std::string serializeLibraryIndex(const std::vector<Pack>& packs);

} // namespace ks

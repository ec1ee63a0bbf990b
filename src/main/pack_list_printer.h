#pragma once

#include "library/pack.h"

#include <string>
#include <vector>

namespace ks {

// The lines "--list-packs" prints: one per pack in library order, then the totals.
std::vector<std::string> packListLines(const std::vector<Pack>& packs);

} // namespace ks

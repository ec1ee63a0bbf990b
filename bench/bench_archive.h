#pragma once

#include "base/bytes.h"

#include <cstddef>

namespace ks::bench {

// A pack archive of about `megabytes` MB made of 2 MB entries of pseudo-random bytes.
Bytes makeArchive(std::size_t megabytes);

} // namespace ks::bench

#pragma once

#include "base/bytes.h"

#include <filesystem>
#include <string>

namespace ks::bench {

// Photo-like test pictures (fine noise over broad gradients, which compresses like a
// photograph), made once and kept in `dir` for later runs.
std::filesystem::path photoLikePicture(const std::filesystem::path& dir, const std::string& format,
                                       int width, int height);

} // namespace ks::bench

#pragma once

#include "base/bytes.h"

#include <filesystem>
#include <string>

namespace ks::bench {

// Photo-like test pictures (fine noise over broad gradients, which compresses like a
// photograph), made once and kept in `dir` for later runs.
std::filesystem::path photoLikePicture(const std::filesystem::path& dir, const std::string& format,
                                       int width, int height);

// A pack archive of about `megabytes` MB made of 2 MB entries of pseudo-random bytes.
Bytes makeArchive(std::size_t megabytes);

// The process's peak resident set size so far, in bytes.
std::size_t peakRss();

} // namespace ks::bench

#pragma once

#include "base/bytes.h"

#include <filesystem>
#include <optional>

namespace ks {

// The whole content of a file, or none when it cannot be read.
std::optional<Bytes> readWholeFile(const std::filesystem::path& path);

// Replaces `path` with `bytes` so that a crash leaves either the old file or the new one:
// the bytes go to a temporary file in the same folder, which is flushed to disk and then
// renamed over the target. False (and the old file untouched) on any failure.
bool replaceFileAtomically(const std::filesystem::path& path, ByteView bytes);

} // namespace ks

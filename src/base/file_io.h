#pragma once

#include "base/bytes.h"

#include <cstddef>
#include <filesystem>
#include <optional>

namespace ks {

inline constexpr std::size_t kDefaultReadLimit = std::size_t{1} << 30;

// The whole content of a regular file, or none when it cannot be read, is not a regular file
// or holds more than `maxBytes`.
std::optional<Bytes> readWholeFile(const std::filesystem::path& path,
                                   std::size_t maxBytes = kDefaultReadLimit);

// Replaces `path` with `bytes` so that a crash leaves either the old file or the new one:
// the bytes go to a temporary file in the same folder, which is flushed to disk and then
// renamed over the target. False (and the old file untouched) on any failure.
bool replaceFileAtomically(const std::filesystem::path& path, ByteView bytes);

// Deletes the temporary files that writers of `path` killed half-way left beside it: those of
// processes that have ended. A live writer's temporary may still be renamed into place.
void removeAbandonedTemporaries(const std::filesystem::path& path);

} // namespace ks

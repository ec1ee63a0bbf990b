#pragma once

#include "system/display_request.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace ks {

// The running system as the wallpaper writer sees it. The number is 15.0 (the store path,
// with its fallback); KESTRANE_SYSTEM_VERSION=major.minor overrides it, so end-to-end tests
// reach every branch. The text, "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-…", changes
// with every system or kernel update.
SystemVersion linuxSystemVersion();

// The same from given sources (tests): an os-release file, a kernel release and the
// override's value.
SystemVersion linuxSystemVersion(const std::filesystem::path& osRelease,
                                 std::string_view kernelRelease,
                                 std::optional<std::string_view> override);

} // namespace ks

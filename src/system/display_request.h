#pragma once

#include "base/file_url.h"
#include "platform/display.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ks {

// The same request keyed by display UUID, as the wallpaper store keeps it.
struct DisplayUuidPicture {
    std::string uuid;
    FileUrl url;
};
using DisplayList = std::vector<DisplayUuidPicture>;

// The running system as the wallpaper writer sees it: a version number compared with its
// thresholds, and a text that changes with every system update.
struct SystemVersion {
    int major = 0;
    int minor = 0;
    std::string text;

    bool atLeast(int otherMajor, int otherMinor = 0) const {
        return major != otherMajor ? major > otherMajor : minor >= otherMinor;
    }
};

} // namespace ks

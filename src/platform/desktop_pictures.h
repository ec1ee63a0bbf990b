#pragma once

#include "platform/screens.h"

#include <filesystem>
#include <optional>

namespace ks {

// What each display's desktop shows now, as a picture file.
class DesktopPictures {
public:
    virtual ~DesktopPictures() = default;
    // None when the desktop shows no picture file there or cannot tell.
    virtual std::optional<std::filesystem::path> currentPicture(const PlatformScreen& screen) = 0;
};

} // namespace ks

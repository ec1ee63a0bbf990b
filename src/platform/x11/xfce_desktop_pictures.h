#pragma once

#include "platform/desktop_pictures.h"

namespace ks {

// What Xfce's desktop shows on a display: the last-image of its monitor's first workspace in
// the xfce4-desktop channel, read with xfconf-query at each call. Where no property has the
// display's output name (xfdesktop names some monitors by their model), the first monitor's
// picture answers.
class XfceDesktopPictures final : public DesktopPictures {
public:
    std::optional<std::filesystem::path> currentPicture(const PlatformScreen& screen) override;
};

} // namespace ks

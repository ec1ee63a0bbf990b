#pragma once

#include "platform/desktop_pictures.h"

#include <string>

namespace ks {

// What KDE Plasma shows on a display: the Image of the desktop whose screen has the display's
// geometry, asked of plasmashell with a script (through dbus-send, as the agent's Plasma
// backend sets it) at each call. Without such a desktop, the first one's picture answers.
class PlasmaDesktopPictures final : public DesktopPictures {
public:
    // The script: one line per desktop on a screen, "X Y WIDTH HEIGHT IMAGE" with IMAGE
    // percent-encoded, so that nothing in a name can break the line or dbus-send's quotes.
    static const std::string& script();

    std::optional<std::filesystem::path> currentPicture(const PlatformScreen& screen) override;
};

} // namespace ks

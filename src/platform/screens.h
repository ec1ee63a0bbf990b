#pragma once

#include "platform/display.h"

#include <optional>
#include <string>
#include <vector>

namespace ks {

// A rectangle in the desktop's logical coordinates (device-independent pixels).
struct ScreenFrame {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const ScreenFrame&, const ScreenFrame&) = default;
};

// One display as the application sees it.
struct PlatformScreen {
    ScreenFrame frame;
    // Device pixels per logical pixel.
    double scale = 1;
    DisplayHandle display;
    // Upper-case 8-4-4-4-12, the key of the display in the wallpaper store; none when the
    // platform cannot tell.
    std::optional<std::string> uuid;
};

// The displays attached now.
class Screens {
public:
    virtual ~Screens() = default;
    // In the platform's order; the first is the main display.
    virtual std::vector<PlatformScreen> screens() const = 0;
};

} // namespace ks

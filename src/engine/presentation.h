#pragma once

#include "library/wallpaper.h"

#include <optional>
#include <utility>
#include <vector>

namespace ks {

// One change as the engine plans it: which wallpaper is current, what each display shows,
// and how long the cross-fade lasts.
struct PresentationRequest {
    Wallpaper current;
    // (display index, wallpaper) for every display that has a wallpaper, in display order.
    std::vector<std::pair<int, Wallpaper>> screens;
    // Every display gets its own picture; otherwise `current` goes everywhere.
    bool perDisplay = false;
    // None: the configured cross-fade.
    std::optional<double> fade;
};

// What puts pictures on the desktops: covers, decoding, the file cache and the system
// wallpaper writer. The engine decides what to show; this decides how.
class Presentation {
public:
    virtual ~Presentation() = default;

    // Displays in the platform's current order; display i is index i of a request.
    virtual int screenCount() const = 0;
    virtual void present(const PresentationRequest& request) = 0;
    // Makes one cover per display after the arrangement changed.
    virtual void rebuildCovers() = 0;
    // Gives a Space just brought forward the last applied picture, when the system writer
    // reaches only the Space in front; otherwise nothing.
    virtual void reapplyForActiveSpace() = 0;
    // Remembers the user's own wallpaper, the first time only.
    virtual void captureOriginalWallpaper() = 0;
};

} // namespace ks

#pragma once

#include "library/image.h"
#include "library/wallpaper.h"

#include <memory>
#include <optional>
#include <string>
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

// What the presentation asks of the rotation it shows, and tells it.
class PresentationClient {
public:
    virtual ~PresentationClient() = default;
    // Whether a change prepared for the wallpaper with `key` is still wanted on screen: the
    // user may have moved on, or put their own wallpaper back, while it was prepared.
    virtual bool wantsChange(const std::string& key) const = 0;
    virtual bool isShowingOriginal() const = 0;
    // A change reached the displays, or the user's own wallpaper came back.
    virtual void presentationChanged() = 0;
};

// What puts pictures on the desktops: covers, decoding, the file cache and the system
// wallpaper writer. The engine decides what to show; this decides how.
class Presentation {
public:
    virtual ~Presentation() = default;

    // The rotation asking; held weakly.
    virtual void attach(std::weak_ptr<PresentationClient> client) = 0;
    // Displays in the platform's current order; display i is index i of a request.
    virtual int screenCount() const = 0;
    virtual void present(const PresentationRequest& request) = 0;
    // Makes one cover per display after the arrangement changed.
    virtual void rebuildCovers() = 0;
    // Gives a workspace just brought forward the last applied picture, when the system
    // writer reaches only the workspace in front; otherwise nothing.
    virtual void reapplyForActiveSpace() = 0;

    // The user's own wallpaper: remembered the first time only, and put back on request.
    virtual void captureOriginalWallpaper() = 0;
    virtual bool hasOriginalWallpaper() const = 0;
    virtual void restoreOriginalWallpaper() = 0;

    // The small picture of what is on screen, for the menu; none before the first change.
    virtual std::optional<Image> currentThumbnail() const = 0;
    // The cross-fade of the last change, in seconds.
    virtual double currentFade() const = 0;
};

} // namespace ks

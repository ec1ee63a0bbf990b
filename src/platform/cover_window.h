#pragma once

#include "library/image.h"
#include "platform/screens.h"

#include <memory>

namespace ks {

// A borderless window over one display, above the desktop picture and below everything
// else, that takes no input. It shows a picture between the moment a change starts and the
// moment the desktop has taken the new picture, and cross-fades from the old to the new one.
// Hidden windows keep their last picture: it is where the next cross-fade starts.
class CoverWindow {
public:
    virtual ~CoverWindow() = default;

    virtual bool isVisible() const = 0;
    // Whether it was ever given a picture.
    virtual bool hasPicture() const = 0;
    // Device pixels per logical pixel of the display it covers.
    virtual double backingScale() const = 0;
    // Puts `image` on top, filling the window and cropped; with `fadeSeconds` above 0.01 it
    // fades in over the previous picture with an ease-in-out curve, otherwise it replaces
    // it at once.
    virtual void show(const Image& image, double fadeSeconds) = 0;
    // Moves the window to `frame` and shows it.
    virtual void raise(const ScreenFrame& frame) = 0;
    virtual void lower() = 0;
};

// Makes the covers, or none where the desktop animates its own wallpaper changes and a
// window over it would hide that.
class CoverWindows {
public:
    virtual ~CoverWindows() = default;
    // Null when this desktop gets no covers.
    virtual std::unique_ptr<CoverWindow> make(const PlatformScreen& screen) = 0;
};

} // namespace ks

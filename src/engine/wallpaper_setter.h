#pragma once

#include "base/file_url.h"
#include "platform/display.h"

namespace ks {

// What puts a picture file on the desktop of every display and every workspace: the system
// wallpaper writer in the application.
class WallpaperSetter {
public:
    virtual ~WallpaperSetter() = default;
    // Returns at once. `perDisplay` empty: `primary` everywhere.
    virtual void set(const FileUrl& primary, const PerDisplayRequest& perDisplay) = 0;
    // True when a set reaches only the workspace in front.
    virtual bool appliesToCurrentSpaceOnly() const = 0;
};

} // namespace ks

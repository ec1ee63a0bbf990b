#pragma once

#include "platform/display.h"

#include <optional>
#include <string>
#include <vector>

namespace ks {

// What the wallpaper writer needs from the desktop: its displays, their UUIDs, and the
// per-screen picture call that reaches only the workspace in front.
class Desktop {
public:
    virtual ~Desktop() = default;

    // The current displays, in the platform's order.
    virtual std::vector<DisplayHandle> screens() = 0;
    // The UUID of the display with this id: upper-case 8-4-4-4-12; none when it has none.
    virtual std::optional<std::string> displayUuid(std::uint32_t number) = 0;
    // Puts `image` on one display, scaled to fill it. False when that failed.
    virtual bool setDesktopPicture(const DisplayHandle& screen, const FileUrl& image) = 0;
};

// The desktop's wallpaper agent, the process that reads the store and shows it.
class WallpaperAgent {
public:
    virtual ~WallpaperAgent() = default;

    // Runs the agent once and waits for it. Its exit status, none when it could not start.
    virtual std::optional<int> run() = 0;
    // Sends SIGTERM to the agent processes of this session: the ones working on the same
    // store.
    virtual void terminateRunning() = 0;
};

} // namespace ks

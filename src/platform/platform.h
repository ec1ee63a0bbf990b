#pragma once

#include "platform/appearance.h"
#include "platform/cover_window.h"
#include "platform/desktop.h"
#include "platform/desktop_pictures.h"
#include "platform/hot_keys.h"
#include "platform/login_items.h"
#include "platform/power_source.h"
#include "platform/screens.h"
#include "platform/system_events.h"

#include <memory>
#include <vector>

namespace ks {

class MainLoop;
class NotificationCenter;

// The operating-system services of one platform, each behind its interface, owned together.
struct Platform {
    std::unique_ptr<Screens> screens;
    std::unique_ptr<CoverWindows> covers;
    std::unique_ptr<DesktopPictures> desktopPictures;
    std::unique_ptr<PowerSource> power;
    std::unique_ptr<SystemAppearance> appearance;
    std::unique_ptr<LoginItems> loginItems;
    // Always there; without a way to grab keys every registration fails.
    std::unique_ptr<HotKeys> hotKeys;
    // What the wallpaper writer works through.
    std::unique_ptr<Desktop> desktop;
    std::unique_ptr<WallpaperAgent> agent;
    std::vector<std::unique_ptr<SystemEventSource>> eventSources;
};

// The platform being built, posting its events into `center` on `loop`. Call on the main
// thread once the toolkit's application object exists.
Platform makePlatform(MainLoop& loop, NotificationCenter& center);

} // namespace ks

#include "platform/platform.h"

#include "agent/backend_choice.h"
#include "platform/linux/agent_process.h"
#include "platform/linux/clock_change_source.h"
#include "platform/linux/sysfs_power_source.h"
#include "platform/linux/time_zone_source.h"
#include "platform/linux/xdg_autostart.h"
#include "platform/qt/logind_wake_source.h"
#include "platform/qt/portal_appearance.h"
#include "platform/qt/qt_cover_windows.h"
#include "platform/qt/qt_screen_source.h"
#include "platform/qt/qt_screens.h"
#include "platform/x11/desktop_picture_choice.h"
#include "platform/x11/x11_desktop.h"
#include "platform/x11/x11_hot_keys.h"
#include "platform/x11/x11_workspace_source.h"

#include <QGuiApplication>

#include <cstdlib>

namespace ks {

namespace {

// Covers need a window system that lets a window sit just above the desktop picture (X11,
// and not XWayland, whose windows all sit above a Wayland desktop's), and a desktop that
// does not animate its own wallpaper changes, which they would hide.
bool coversWanted() {
    const SessionFacts session = sessionFromEnvironment();
    return QGuiApplication::platformName() == QStringLiteral("xcb") && !isWaylandSession(session) &&
           !desktopAnimatesChanges(session);
}

// Key grabs need an X server that sees every key. In a Wayland session the X server is
// XWayland, which sees only keys typed into X11 windows: a grab there would succeed and then
// hardly ever fire, so the keys are reported unavailable instead. Elsewhere $DISPLAY decides,
// also when Qt runs on another platform.
std::unique_ptr<HotKeys> makeHotKeys(MainLoop& loop) {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland && *wayland)
        return std::make_unique<X11HotKeys>(loop, std::nullopt, true);
    return std::make_unique<X11HotKeys>(loop);
}

} // namespace

std::unique_ptr<LoginItems> makeLoginItems() {
    return std::make_unique<XdgAutostartLoginItems>();
}

Platform makePlatform(MainLoop& loop, NotificationCenter& center) {
    Platform platform;
    platform.screens = std::make_unique<QtScreens>();
    platform.covers = std::make_unique<QtCoverWindows>(coversWanted());
    auto appearance = std::make_unique<PortalAppearance>(center);
    platform.desktopPictures = makeDesktopPictures(*appearance);
    platform.appearance = std::move(appearance);
    platform.power = std::make_unique<SysfsPowerSource>();
    platform.loginItems = makeLoginItems();
    platform.hotKeys = makeHotKeys(loop);
    platform.desktop = std::make_unique<X11Desktop>();
    platform.agent = std::make_unique<AgentProcess>();
    platform.eventSources.push_back(std::make_unique<LogindWakeSource>(center));
    platform.eventSources.push_back(std::make_unique<QtScreenSource>(loop, center));
    platform.eventSources.push_back(std::make_unique<ClockChangeSource>(loop, center));
    platform.eventSources.push_back(std::make_unique<TimeZoneSource>(loop, center));
    if (QGuiApplication::platformName() == QStringLiteral("xcb"))
        platform.eventSources.push_back(std::make_unique<X11WorkspaceSource>(loop, center));
    return platform;
}

} // namespace ks

#include "engine/presentation.h"
#include "engine/wallpaper_engine.h"
#include "settings/settings_store.h"

#include <algorithm>

namespace ks {

namespace {

// A burst of setting changes (a pack browser click can assign several) makes one rebuild.
constexpr Seconds kContentDebounce{0.5};
// The desktop finishes switching its look before we read it.
constexpr Seconds kAppearanceDelay{0.3};
// Displays come and go in bursts while they are plugged in or woken.
constexpr Seconds kScreensDelay{1.0};

} // namespace

void WallpaperEngine::contentChanged() {
    // Assigning cancels the pending rebuild.
    m_rebuildWork =
        m_loop.postAfter(kContentDebounce, weakly(&WallpaperEngine::rebuildAfterContentChange));
}

void WallpaperEngine::rebuildAfterContentChange() {
    const auto previous = currentWallpaper();
    rebuildPlaylist();
    // The picture on screen still rotates: keep it and only follow it in the new order.
    if (!(previous && moveTo(*previous)) && !m_paused)
        showCurrent(std::nullopt);
    restartTimer();
}

void WallpaperEngine::systemAppearanceChanged() {
    if (m_settings.appearance() != AppearanceFilter::system)
        return;
    // Not coalesced: every change of look gets its own step, each reading the look anew.
    std::erase_if(m_appearanceSteps, [](const Timer& step) { return !step.isActive(); });
    m_appearanceSteps.push_back(
        m_loop.postAfter(kAppearanceDelay, weakly(&WallpaperEngine::rebuildAfterAppearanceChange)));
}

void WallpaperEngine::rebuildAfterAppearanceChange() {
    const auto previous = currentWallpaper();
    rebuildPlaylist();
    if (previous && moveTo(*previous))
        return;
    // While paused the playlist still follows the look, so that resuming does not rotate
    // wallpapers of the other one; the screen is left alone.
    if (m_paused)
        return;
    showCurrent(std::nullopt);
    restartTimer();
}

void WallpaperEngine::screensChanged() {
    if (m_screenRebuildPending)
        return;
    m_screenRebuildPending = true;
    m_screenRebuild = m_loop.postAfter(kScreensDelay, [weak = weak_from_this()] {
        auto self = weak.lock();
        if (!self)
            return;
        self->m_screenRebuildPending = false;
        self->m_presentation.rebuildCovers();
        if (!self->m_paused)
            self->showCurrent(std::nullopt);
    });
}

void WallpaperEngine::activeSpaceChanged() {
    m_presentation.reapplyForActiveSpace();
}

} // namespace ks

#include "engine/presentation.h"
#include "engine/smart_shuffle.h"
#include "engine/wallpaper_engine.h"
#include "settings/settings_store.h"

#include <algorithm>

namespace ks {

namespace {

// A user's step answers at once with a short fade, whatever the configured one.
constexpr double kManualFade = 0.75;

} // namespace

std::optional<Wallpaper> WallpaperEngine::wallpaper(int screen) const {
    if (m_playlist.empty() || screen < 0)
        return std::nullopt;
    const std::size_t offset =
        m_settings.perDisplayWallpapers() ? static_cast<std::size_t>(screen) : 0;
    return m_playlist[(m_index + offset) % m_playlist.size()];
}

std::optional<Wallpaper> WallpaperEngine::currentWallpaper() const {
    return wallpaper(0);
}

void WallpaperEngine::showCurrent(std::optional<double> fade) {
    const auto current = currentWallpaper();
    if (!current)
        return;
    m_settings.setLastShownKey(current->key());
    m_isShowingOriginal = false;

    PresentationRequest request{*current, {}, false, fade};
    const int screens = m_presentation.screenCount();
    for (int i = 0; i < screens; ++i) {
        if (auto w = wallpaper(i))
            request.screens.emplace_back(i, std::move(*w));
    }
    if (request.screens.empty())
        return;
    request.perDisplay = m_settings.perDisplayWallpapers() && request.screens.size() >= 2;
    m_presentation.present(request);
}

void WallpaperEngine::advance(bool manual) {
    if (m_playlist.empty()) {
        restartTimer();
        return;
    }
    if (!manual && (m_paused || (m_settings.pauseOnBattery() && m_isOnBattery()))) {
        restartTimer();
        return;
    }
    if (++m_index >= m_playlist.size()) {
        m_index = 0;
        // A new round in a new order; the wallpaper just shown does not open it.
        if (m_settings.shuffle())
            m_playlist = smartShuffled(std::move(m_playlist), m_settings.lastShownKey(), m_rng);
    }
    showCurrent(manual ? std::optional(kManualFade) : std::nullopt);
    restartTimer();
}

void WallpaperEngine::retreat() {
    if (m_playlist.empty())
        return;
    m_index = (m_index + m_playlist.size() - 1) % m_playlist.size();
    showCurrent(kManualFade);
    restartTimer();
}

void WallpaperEngine::show(const Wallpaper& w) {
    // A wallpaper from outside the rotation is slipped in at the current position, so the
    // next step goes on to the one that was current.
    if (!moveTo(w)) {
        const std::size_t at = std::min(m_index, m_playlist.size());
        m_playlist.insert(m_playlist.begin() + static_cast<std::ptrdiff_t>(at), w);
    }
    showCurrent(std::nullopt);
    restartTimer();
}

void WallpaperEngine::setPaused(bool paused) {
    m_paused = paused;
    if (paused) {
        m_timer.cancel();
        m_dueDate.reset();
    } else {
        restartTimer();
    }
}

} // namespace ks

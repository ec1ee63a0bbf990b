#include "engine/wallpaper_engine.h"

#include "engine/presentation.h"
#include "settings/settings_store.h"

namespace ks {

namespace {

std::uint64_t freshSeed() {
    std::random_device device;
    return (std::uint64_t{device()} << 32) ^ device();
}

} // namespace

std::shared_ptr<WallpaperEngine> WallpaperEngine::create(EngineDependencies dependencies) {
    std::shared_ptr<WallpaperEngine> engine(new WallpaperEngine(std::move(dependencies)));
    // Not in the constructor: the handlers hold the engine weakly, and there is no weak
    // pointer to it before the shared pointer exists.
    engine->observeNotifications();
    engine->m_presentation.attach(engine);
    return engine;
}

WallpaperEngine::WallpaperEngine(EngineDependencies dependencies)
    : m_library(dependencies.library), m_settings(dependencies.settings), m_loop(dependencies.loop),
      m_center(dependencies.center), m_presentation(dependencies.presentation),
      m_appearance(dependencies.appearance), m_isOnBattery(std::move(dependencies.isOnBattery)),
      m_isAvailable(std::move(dependencies.isAvailable)),
      m_rng(dependencies.seed ? *dependencies.seed : freshSeed()) {
    if (!m_isOnBattery)
        m_isOnBattery = [] { return false; };
    if (!m_isAvailable)
        m_isAvailable = [](const Wallpaper& w) { return w.blobURL().has_value(); };
}

// Members are destroyed in reverse order: the observations go first, then the pending
// steps and the timer, so nothing can reach a half-destroyed engine.
WallpaperEngine::~WallpaperEngine() = default;

std::function<void()> WallpaperEngine::weakly(void (WallpaperEngine::*member)()) {
    return [weak = weak_from_this(), member] {
        if (auto self = weak.lock())
            ((*self).*member)();
    };
}

void WallpaperEngine::observeNotifications() {
    const std::pair<std::string_view, void (WallpaperEngine::*)()> handlers[] = {
        {kContentChanged, &WallpaperEngine::contentChanged},
        {kTimingChanged, &WallpaperEngine::timingChanged},
        {kScreenParametersChanged, &WallpaperEngine::screensChanged},
        {kSystemDidWake, &WallpaperEngine::systemWoke},
        {kActiveSpaceChanged, &WallpaperEngine::activeSpaceChanged},
        {kSystemClockChanged, &WallpaperEngine::clockChanged},
        {kSystemTimeZoneChanged, &WallpaperEngine::clockChanged},
        {kAppearanceChanged, &WallpaperEngine::systemAppearanceChanged},
    };
    for (const auto& [name, member] : handlers)
        m_observations.push_back(m_center.addObserver(name, weakly(member)));
}

namespace {

constexpr std::string_view kCurrentChanged = "currentChanged";

} // namespace

NotificationCenter::Observation WallpaperEngine::observeCurrent(std::function<void()> observer) {
    return m_currentObservers.addObserver(kCurrentChanged, std::move(observer));
}

void WallpaperEngine::presentationChanged() {
    m_currentObservers.post(kCurrentChanged);
}

bool WallpaperEngine::wantsChange(const std::string& key) const {
    const auto current = currentWallpaper();
    return current && current->key() == key && !m_isShowingOriginal;
}

void WallpaperEngine::restoreOriginalWallpaper() {
    if (!m_settings.originalWallpaperPath())
        return;
    setPaused(true);
    m_isShowingOriginal = true;
    m_presentation.restoreOriginalWallpaper();
}

void WallpaperEngine::start() {
    m_presentation.captureOriginalWallpaper();
    m_presentation.rebuildCovers();
    rebuildPlaylist();
    if (const auto& last = m_settings.lastShownKey()) {
        for (std::size_t i = 0; i < m_playlist.size(); ++i) {
            if (m_playlist[i].key() == *last) {
                m_index = i;
                break;
            }
        }
    }
    showCurrent(std::nullopt);
    restartTimer();
}

} // namespace ks

#pragma once

#include "base/clock.h"
#include "base/main_loop.h"
#include "base/notification_center.h"
#include "engine/presentation.h"
#include "library/wallpaper.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <vector>

namespace ks {

class Library;
class SettingsStore;
class SystemAppearance;

// Everything the engine works with, handed in so that tests can give it fakes. The
// references must outlive the engine.
struct EngineDependencies {
    const Library& library;
    SettingsStore& settings;
    MainLoop& loop;
    NotificationCenter& center;
    Presentation& presentation;
    const SystemAppearance& appearance;
    // Empty: never on battery.
    std::function<bool()> isOnBattery;
    // Empty: the wallpaper's blob is shipped or downloaded.
    std::function<bool(const Wallpaper&)> isAvailable;
    // Empty: a fresh seed from the system, so every order is possible on every run.
    std::optional<std::uint64_t> seed;
};

// The rotation: which wallpapers take part and in which order, which one each display shows,
// and when the next one comes. Lives on the main thread; owned by a shared pointer so that
// its deferred steps can hold it weakly.
class WallpaperEngine : public PresentationClient,
                        public std::enable_shared_from_this<WallpaperEngine> {
public:
    // Registers the observers; shows nothing and arms no timer until `start`.
    static std::shared_ptr<WallpaperEngine> create(EngineDependencies dependencies);
    WallpaperEngine(const WallpaperEngine&) = delete;
    WallpaperEngine& operator=(const WallpaperEngine&) = delete;
    ~WallpaperEngine() override;

    // Once, at launch: resumes on the wallpaper shown last when it still rotates.
    void start();

    std::optional<Wallpaper> currentWallpaper() const;
    // What display `screen` shows: its own neighbour in the playlist with per-display
    // wallpapers, the current wallpaper otherwise; none for an empty playlist.
    std::optional<Wallpaper> wallpaper(int screen) const;
    const std::vector<Wallpaper>& playlist() const { return m_playlist; }
    std::size_t index() const { return m_index; }

    // `manual`: the user asked, so pause and battery do not hold the change back.
    void advance(bool manual);
    void retreat();
    void show(const Wallpaper& w);
    bool paused() const { return m_paused; }
    void setPaused(bool paused);

    // When the timer fires next; none without a timer.
    std::optional<SysTime> nextChangeDate() const;

    // The user's own wallpaper is on screen (the rotation is paused then).
    bool isShowingOriginal() const override { return m_isShowingOriginal; }
    // The small picture of what is on screen, for the menu.
    std::optional<Image> currentThumbnail() const { return m_presentation.currentThumbnail(); }
    // The cross-fade of the last presented change, in seconds.
    double currentFade() const { return m_presentation.currentFade(); }
    bool hasOriginalWallpaper() const { return m_presentation.hasOriginalWallpaper(); }
    // Pauses the rotation and puts the user's own wallpaper back on every display.
    void restoreOriginalWallpaper();
    // Calls `observer` after each presented change and after a restore.
    [[nodiscard]] NotificationCenter::Observation observeCurrent(std::function<void()> observer);

    // What the presentation asks.
    bool wantsChange(const std::string& key) const override;
    void presentationChanged() override;

private:
    explicit WallpaperEngine(EngineDependencies dependencies);
    void observeNotifications();

    // Playlist.
    void rebuildPlaylist();
    std::vector<Wallpaper> rotationCandidates() const;
    // Moves `index` to the first entry equal to `w`; false when there is none.
    bool moveTo(const Wallpaper& w);

    // Putting the current wallpaper on the displays; none means the configured fade.
    void showCurrent(std::optional<double> fade);

    // Reactions to notifications.
    void contentChanged();
    void rebuildAfterContentChange();
    void systemAppearanceChanged();
    void rebuildAfterAppearanceChange();
    void screensChanged();
    void activeSpaceChanged();
    void timingChanged();
    void clockChanged();
    void systemWoke();

    // Timing.
    void restartTimer();
    void timerFired();

    // Wraps a member in a callback that does nothing once the engine is gone.
    std::function<void()> weakly(void (WallpaperEngine::*member)());

    const Library& m_library;
    SettingsStore& m_settings;
    MainLoop& m_loop;
    NotificationCenter& m_center;
    Presentation& m_presentation;
    const SystemAppearance& m_appearance;
    std::function<bool()> m_isOnBattery;
    std::function<bool(const Wallpaper&)> m_isAvailable;
    std::mt19937_64 m_rng;

    Timer m_timer;
    // The wall-clock moment the armed timer stands for. The loop measures waits in
    // monotonic time, which stops while the machine sleeps.
    std::optional<SysTime> m_dueDate;
    // The date of the daily change that just fired, so the next one is never the same day's.
    std::optional<SysTime> m_dailyFiredFor;
    std::vector<Wallpaper> m_playlist;
    std::size_t m_index = 0;
    Timer m_rebuildWork;
    bool m_screenRebuildPending = false;
    Timer m_screenRebuild;
    std::vector<Timer> m_appearanceSteps;
    bool m_paused = false;
    bool m_isShowingOriginal = false;
    NotificationCenter m_currentObservers;
    std::vector<NotificationCenter::Observation> m_observations;
};

} // namespace ks

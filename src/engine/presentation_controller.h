#pragma once

#include "base/clock.h"
#include "base/main_loop.h"
#include "base/task_queue.h"
#include "engine/presentation.h"
#include "engine/wallpaper_file_cache.h"
#include "platform/cover_window.h"
#include "platform/desktop_pictures.h"
#include "platform/screens.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ks {

class SettingsStore;
class WallpaperSetter;

inline constexpr std::string_view kRenderQueueLabel = "local.kestrane.wallpapers.render";
// The longer side of the menu's picture of the current wallpaper.
inline constexpr int kThumbnailPixel = 560;
// No desktop picture a user keeps comes near this; a larger file is not worth reading.
inline constexpr std::size_t kMaxPictureBytes = std::size_t{512} << 20;

// Everything the presentation works with; the references must outlive it.
struct PresentationDependencies {
    MainLoop& loop;
    // Serial: reads blobs, writes the file cache, decodes pictures at display size.
    TaskQueue& renderQueue;
    // Decodes the thumbnail of the user's own wallpaper.
    TaskQueue& utilityQueue;
    SettingsStore& settings;
    const Screens& screens;
    CoverWindows& covers;
    DesktopPictures& desktopPictures;
    WallpaperSetter& writer;
    std::filesystem::path cacheFolder;
};

// Puts the rotation's wallpaper on every display as a cross-fade: pictures are decoded at
// display size and written to the file cache on the render queue; on the main thread the
// covers go up showing the old picture, the desktop picture is set underneath, the covers
// fade to the new picture and come down once the desktop had time to take it. The newest
// change always wins: steps of an older one find a newer transition token and do nothing.
class PresentationController final : public Presentation,
                                     public std::enable_shared_from_this<PresentationController> {
public:
    static std::shared_ptr<PresentationController> create(PresentationDependencies dependencies);
    PresentationController(const PresentationController&) = delete;
    PresentationController& operator=(const PresentationController&) = delete;

    void attach(std::weak_ptr<PresentationClient> client) override { m_client = std::move(client); }
    int screenCount() const override;
    void present(const PresentationRequest& request) override;
    void rebuildCovers() override;
    void reapplyForActiveSpace() override;
    void captureOriginalWallpaper() override;
    bool hasOriginalWallpaper() const override;
    void restoreOriginalWallpaper() override;
    std::optional<Image> currentThumbnail() const override { return m_thumbnail; }
    double currentFade() const override { return m_fade; }

    // Keeps the covers up at least `by` from now, when they are up: the system writer is
    // applying the picture once more.
    void extendCoverHold(Seconds by);

    // The last request handed to the system writer.
    struct Applied {
        FileUrl primary;
        PerDisplayRequest perDisplay;
    };
    const std::optional<Applied>& lastApplied() const { return m_lastApplied; }
    const WallpaperFileCache& cache() const { return m_cache; }

    // What one display needs for a change.
    struct ScreenPlan {
        int index = 0;
        PlatformScreen screen;
        // The longer side in device pixels.
        int maxPixel = 0;
        // The display's current picture, asked for only while its cover has none.
        std::optional<std::filesystem::path> outgoing;
    };
    // One display's prepared change.
    struct Frame {
        ScreenPlan plan;
        FileUrl url;
        std::optional<Image> image;
        std::optional<Image> outgoing;
    };

private:
    explicit PresentationController(PresentationDependencies dependencies);

    struct Rendered {
        std::vector<Frame> frames;
        std::optional<Image> thumbnail;
    };
    struct Change {
        long token = 0;
        long id = 0;
        bool perDisplay = false;
        double fade = 0;
        std::vector<Frame> frames;
        std::optional<Image> thumbnail;
    };

    std::vector<ScreenPlan> screenPlans() const;
    // On the render queue: reads only what it is given.
    static Rendered render(const WallpaperFileCache& cache, const std::string& currentKey,
                           const std::vector<std::pair<ScreenPlan, Wallpaper>>& pairs);
    void handOver(long id, const std::string& currentKey, Rendered rendered, bool perDisplay,
                  std::optional<double> fade);
    void raiseCovers(Change change);
    void applyChange(const Change& change);
    void scheduleUncover(long token);
    void lowerCovers();
    void cleanupCache(std::set<std::string> keeping);
    CoverWindow* cover(int index) const;
    MonoTime now() const { return m_deps.loop.clock().monotonicNow(); }

    PresentationDependencies m_deps;
    WallpaperFileCache m_cache;
    std::weak_ptr<PresentationClient> m_client;
    // One per display, in screen order; null where the desktop gets no cover.
    std::vector<std::unique_ptr<CoverWindow>> m_covers;
    long m_transitionToken = 0;
    MonoTime m_coverHoldUntil{};
    std::optional<Applied> m_lastApplied;
    std::optional<Image> m_thumbnail;
    double m_fade = 0;
    // The cache files of changes between their render and their change step, by change;
    // a cleanup must not take them from under a newer change.
    std::map<long, std::set<std::string>> m_inFlight;
    long m_nextChangeID = 0;
    // The change step waiting for its covers, and its change.
    Timer m_changeStep;
    long m_pendingChangeID = -1;
    Timer m_uncoverStep;
};

} // namespace ks

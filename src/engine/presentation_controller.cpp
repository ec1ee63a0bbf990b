#include "engine/presentation_controller.h"

#include "base/file_io.h"
#include "base/log.h"
#include "engine/wallpaper_setter.h"
#include "library/decode_image.h"
#include "library/image_resize.h"
#include "settings/settings_store.h"

#include <algorithm>
#include <cmath>

namespace ks {

namespace {

// The desktop gets the new picture this long after the covers went up, so they are on
// screen before anything underneath changes.
constexpr Seconds kRaiseDelay{0.1};
// Covers stay up at least this long after the change step, or the fade and this margin.
constexpr Seconds kMinimumHold{2.0};
constexpr Seconds kHoldAfterFade{0.5};
constexpr Seconds kUncoverSlack{0.05};

// The menu's picture, from the picture decoded for a display when that is large enough: a
// second decode of a large photo would cost nearly as much as the first.
std::optional<Image> thumbnailOf(ByteView bytes, const std::optional<Image>& decoded) {
    if (decoded && std::max(decoded->width, decoded->height) >= kThumbnailPixel)
        return shrinkImage(*decoded, kThumbnailPixel);
    return decodeImage(bytes, kThumbnailPixel);
}

std::set<std::string> fileNames(const std::vector<PresentationController::Frame>& frames) {
    std::set<std::string> names;
    for (const auto& frame : frames)
        names.insert(frame.url.path().filename().string());
    return names;
}

} // namespace

std::shared_ptr<PresentationController>
PresentationController::create(PresentationDependencies dependencies) {
    return std::shared_ptr<PresentationController>(
        new PresentationController(std::move(dependencies)));
}

PresentationController::PresentationController(PresentationDependencies dependencies)
    : m_deps(std::move(dependencies)), m_cache(m_deps.cacheFolder) {}

int PresentationController::screenCount() const {
    return static_cast<int>(m_deps.screens.screens().size());
}

CoverWindow* PresentationController::cover(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_covers.size())
        return nullptr;
    return m_covers[static_cast<std::size_t>(index)].get();
}

std::vector<PresentationController::ScreenPlan> PresentationController::screenPlans() const {
    std::vector<ScreenPlan> plans;
    const auto screens = m_deps.screens.screens();
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const PlatformScreen& screen = screens[i];
        ScreenPlan plan{static_cast<int>(i), screen, 0, std::nullopt};
        const double longer = std::max(screen.frame.width, screen.frame.height) * screen.scale;
        plan.maxPixel = static_cast<int>(std::clamp(longer, 0.0, 1e7));
        // A cover that shows a picture already starts its fade from it.
        const CoverWindow* view = cover(plan.index);
        if (view && !view->hasPicture())
            plan.outgoing = m_deps.desktopPictures.currentPicture(screen);
        plans.push_back(std::move(plan));
    }
    return plans;
}

void PresentationController::present(const PresentationRequest& request) {
    const auto plans = screenPlans();
    std::vector<std::pair<ScreenPlan, Wallpaper>> pairs;
    std::set<std::string> names;
    for (const auto& [index, wallpaper] : request.screens) {
        if (index < 0 || static_cast<std::size_t>(index) >= plans.size())
            continue;
        pairs.emplace_back(plans[static_cast<std::size_t>(index)], wallpaper);
        names.insert(WallpaperFileCache::fileName(wallpaper));
    }
    if (pairs.empty())
        return;
    const long id = m_nextChangeID++;
    m_inFlight[id] = std::move(names);
    const bool perDisplay = request.perDisplay && pairs.size() >= 2;
    m_deps.renderQueue.async([weak = weak_from_this(), loop = &m_deps.loop, cache = m_cache, id,
                              key = request.current.key(), pairs = std::move(pairs), perDisplay,
                              fade = request.fade] {
        if (weak.expired())
            return;
        Rendered rendered = render(cache, key, pairs);
        loop->post([weak, id, key, perDisplay, fade, rendered = std::move(rendered)]() mutable {
            if (auto self = weak.lock())
                self->handOver(id, key, std::move(rendered), perDisplay, fade);
        });
    });
}

PresentationController::Rendered
PresentationController::render(const WallpaperFileCache& cache, const std::string& currentKey,
                               const std::vector<std::pair<ScreenPlan, Wallpaper>>& pairs) {
    Rendered rendered;
    std::map<std::string, Image> decoded;
    for (const auto& [plan, wallpaper] : pairs) {
        auto entry = cache.write(wallpaper);
        if (!entry) {
            // The display keeps what it shows.
            logLine("Presentation: " + wallpaper.key() +
                    " is not shown: its picture could not be read or copied into the "
                    "wallpaper cache " +
                    cache.folder().string());
            continue;
        }
        const std::string key = wallpaper.key();
        if (!decoded.count(key)) {
            // Once per wallpaper, at the size of the largest display that shows it.
            int largest = 0;
            for (const auto& [other, w] : pairs)
                if (w.key() == key)
                    largest = std::max(largest, other.maxPixel);
            if (auto image = decodeImage(entry->bytes, largest))
                decoded.emplace(key, std::move(*image));
        }
        Frame frame{plan, std::move(entry->url), std::nullopt, std::nullopt};
        if (const auto found = decoded.find(key); found != decoded.end())
            frame.image = found->second;
        if (key == currentKey && !rendered.thumbnail)
            rendered.thumbnail = thumbnailOf(entry->bytes, frame.image);
        if (plan.outgoing) {
            if (const auto bytes = readWholeFile(*plan.outgoing, kMaxPictureBytes))
                frame.outgoing = decodeImage(*bytes, plan.maxPixel);
        }
        rendered.frames.push_back(std::move(frame));
    }
    return rendered;
}

void PresentationController::handOver(long id, const std::string& currentKey, Rendered rendered,
                                      bool perDisplay, std::optional<double> fade) {
    const auto client = m_client.lock();
    // The user moved on, or put their own wallpaper back, while this was prepared.
    if (!client || !client->wantsChange(currentKey) || rendered.frames.empty()) {
        m_inFlight.erase(id);
        return;
    }
    Change change{++m_transitionToken,
                  id,
                  perDisplay,
                  fade.value_or(m_deps.settings.crossfadeSeconds()),
                  std::move(rendered.frames),
                  std::move(rendered.thumbnail)};
    raiseCovers(std::move(change));
}

void PresentationController::raiseCovers(Change change) {
    bool raised = false;
    for (const Frame& frame : change.frames) {
        CoverWindow* view = cover(frame.plan.index);
        // A cover still up from the previous change fades on from what it shows.
        if (!view || !frame.image || view->isVisible())
            continue;
        if (!view->hasPicture())
            view->show(frame.outgoing ? *frame.outgoing : *frame.image, 0);
        view->raise(frame.plan.screen.frame);
        raised = true;
    }
    // A change superseded before its step never gets there.
    if (m_pendingChangeID >= 0)
        m_inFlight.erase(m_pendingChangeID);
    m_pendingChangeID = change.id;
    m_changeStep = m_deps.loop.postAfter(raised ? kRaiseDelay : Seconds(0),
                                         [weak = weak_from_this(), change = std::move(change)] {
                                             if (auto self = weak.lock())
                                                 self->applyChange(change);
                                         });
}

void PresentationController::applyChange(const Change& change) {
    m_inFlight.erase(change.id);
    if (m_pendingChangeID == change.id)
        m_pendingChangeID = -1;
    if (change.token != m_transitionToken)
        return;
    PerDisplayRequest perDisplay;
    if (change.perDisplay) {
        for (const Frame& frame : change.frames)
            perDisplay.push_back({frame.plan.screen.display, frame.url});
    }
    const FileUrl& primary = change.frames.front().url;
    m_lastApplied = Applied{primary, perDisplay};
    m_deps.writer.set(primary, perDisplay);
    cleanupCache(fileNames(change.frames));
    for (const Frame& frame : change.frames) {
        if (CoverWindow* view = cover(frame.plan.index); view && frame.image)
            view->show(*frame.image, change.fade);
    }
    if (change.thumbnail)
        m_thumbnail = change.thumbnail;
    m_fade = change.fade;
    if (const auto client = m_client.lock())
        client->presentationChanged();
    m_coverHoldUntil =
        now() + toSteady(std::max(kMinimumHold, Seconds(change.fade) + kHoldAfterFade));
    scheduleUncover(change.token);
}

void PresentationController::cleanupCache(std::set<std::string> keeping) {
    // Files of changes still on their way to the desktop stay too.
    for (const auto& [id, names] : m_inFlight)
        keeping.insert(names.begin(), names.end());
    // On the render queue, after every write already queued there, so a file being written
    // for a newer change is never deleted half-way.
    m_deps.renderQueue.async(
        [cache = m_cache, keeping = std::move(keeping)] { cache.cleanup(keeping); });
}

void PresentationController::scheduleUncover(long token) {
    const Seconds remaining =
        std::max(Seconds(0), std::chrono::duration_cast<Seconds>(m_coverHoldUntil - now()));
    m_uncoverStep =
        m_deps.loop.postAfter(remaining + kUncoverSlack, [weak = weak_from_this(), token] {
            auto self = weak.lock();
            if (!self || self->m_transitionToken != token)
                return;
            if (self->now() >= self->m_coverHoldUntil)
                self->lowerCovers();
            else
                self->scheduleUncover(token);
        });
}

void PresentationController::lowerCovers() {
    for (const auto& view : m_covers)
        if (view)
            view->lower();
}

void PresentationController::extendCoverHold(Seconds by) {
    const bool anyUp = std::any_of(m_covers.begin(), m_covers.end(),
                                   [](const auto& view) { return view && view->isVisible(); });
    if (anyUp)
        m_coverHoldUntil = std::max(m_coverHoldUntil, now() + toSteady(by));
}

void PresentationController::rebuildCovers() {
    m_covers.clear();
    for (const PlatformScreen& screen : m_deps.screens.screens())
        m_covers.push_back(m_deps.covers.make(screen));
}

void PresentationController::reapplyForActiveSpace() {
    if (m_lastApplied && m_deps.writer.appliesToCurrentSpaceOnly())
        m_deps.writer.set(m_lastApplied->primary, m_lastApplied->perDisplay);
}

} // namespace ks

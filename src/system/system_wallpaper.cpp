#include "system/system_wallpaper.h"

#include "base/file_io.h"
#include "base/log.h"
#include "settings/user_defaults.h"
#include "system/wallpaper_store.h"

#include <plist/plist.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace ks {

namespace {

constexpr Seconds kCheckDelay{1.5};

std::mutex g_sharedMutex;
std::shared_ptr<SystemWallpaper> g_shared;

plist_t dictItem(const void* node, const std::string& key) {
    const auto dict = static_cast<plist_t>(const_cast<void*>(node));
    if (!dict || plist_get_node_type(dict) != PLIST_DICT)
        return nullptr;
    return plist_dict_get_item(dict, key.c_str());
}

} // namespace

std::shared_ptr<SystemWallpaper> SystemWallpaper::create(SystemWallpaperDependencies dependencies) {
    return std::shared_ptr<SystemWallpaper>(new SystemWallpaper(std::move(dependencies)));
}

SystemWallpaper::SystemWallpaper(SystemWallpaperDependencies dependencies)
    : m_deps(std::move(dependencies)) {
    if (!m_deps.now) {
        const Clock* clock = &m_deps.loop.clock();
        m_deps.now = [clock] { return clock->now(); };
    }
}

SystemWallpaper* SystemWallpaper::shared() {
    std::lock_guard lock(g_sharedMutex);
    return g_shared.get();
}

void SystemWallpaper::setShared(std::shared_ptr<SystemWallpaper> writer) {
    std::lock_guard lock(g_sharedMutex);
    g_shared = std::move(writer);
}

bool SystemWallpaper::storeRejected() const {
    const auto rejectedOn = m_deps.defaults.stringValue(kStoreRejectedOnKey);
    return rejectedOn && *rejectedOn == m_deps.version.text;
}

bool SystemWallpaper::appliesToCurrentSpaceOnly() const {
    return !m_deps.version.atLeast(14) || storeRejected();
}

void SystemWallpaper::setOnReapply(std::function<void()> callback) {
    m_onReapply = std::move(callback);
}

void SystemWallpaper::set(const FileUrl& primary, const PerDisplayRequest& perDisplay) {
    if (appliesToCurrentSpaceOnly()) {
        legacySet(primary, perDisplay);
        return;
    }
    DisplayList displays;
    for (const auto& [display, url] : perDisplay) {
        if (!display.number)
            continue;
        if (auto uuid = m_deps.desktop.displayUuid(*display.number))
            displays.push_back({std::move(*uuid), url});
    }
    m_deps.queue.async([weak = weak_from_this(), primary, displays = std::move(displays)] {
        if (auto self = weak.lock()) {
            self->writeStore(primary, displays, ++self->m_generation, true);
            releaseOnMain(std::move(self));
        }
    });
}

// The writer owns a timer of the main loop, which only the main thread may cancel; so the
// queue never drops what may be the last reference to it.
void SystemWallpaper::releaseOnMain(std::shared_ptr<SystemWallpaper> self) {
    MainLoop& loop = self->m_deps.loop;
    loop.post([self = std::move(self)] {});
}

void SystemWallpaper::writeStore(const FileUrl& primary, const DisplayList& displays,
                                 long generation, bool verify) {
    const PlistPtr store = loadStore(m_deps.storeFile);
    updateStore(store.get(), primary, displays, m_deps.version, m_deps.now());

    std::string error;
    std::error_code folderError;
    const auto bytes = binaryPropertyList(store.get());
    if (!bytes) {
        error = "the store could not be serialised as a binary property list";
    } else if (std::filesystem::create_directories(m_deps.storeFile.parent_path(), folderError);
               folderError) {
        error = m_deps.storeFile.parent_path().string() + ": " + folderError.message();
    } else if (!replaceFileAtomically(m_deps.storeFile, *bytes)) {
        error = m_deps.storeFile.string() + ": " + std::strerror(errno);
    }
    if (!error.empty()) {
        logLine("SystemWallpaper: couldn't write wallpaper store: " + error);
        return;
    }

    restartAgent();
    if (verify)
        scheduleCheck({generation, primary, displays}, CheckStep::first);
}

void SystemWallpaper::restartAgent() {
    const auto status = m_deps.agent.run();
    if (!status || *status != 0)
        m_deps.agent.terminateRunning();
}

// The delay runs on the main loop, so that tests move it in virtual time; the check itself
// runs on the queue, the only place that reads the store and the generation.
void SystemWallpaper::scheduleCheck(Request request, CheckStep step) {
    m_deps.loop.post([weak = weak_from_this(), request = std::move(request), step]() mutable {
        const auto self = weak.lock();
        if (!self)
            return;
        self->m_checkTimer =
            self->m_deps.loop.postAfter(kCheckDelay, [weak, request = std::move(request), step] {
                if (const auto self = weak.lock())
                    self->m_deps.queue.async([weak, request, step] {
                        if (auto self = weak.lock()) {
                            self->runCheck(request, step);
                            releaseOnMain(std::move(self));
                        }
                    });
            });
    });
}

void SystemWallpaper::runCheck(const Request& request, CheckStep step) {
    if (step == CheckStep::second && m_deps.version.atLeast(26))
        return;
    if (request.generation != m_generation || agentTookStore(request))
        return;

    if (step == CheckStep::first) {
        writeStore(request.primary, request.displays, request.generation, false);
        m_deps.loop.post([weak = weak_from_this(), request] {
            const auto self = weak.lock();
            if (!self)
                return;
            if (self->m_onReapply)
                self->m_onReapply();
            self->scheduleCheck(request, CheckStep::second);
        });
        return;
    }

    const std::string& version = m_deps.version.text;
    logLine("SystemWallpaper: the wallpaper agent rejected our store on " + version +
            " — falling back to NSWorkspace");
    m_deps.loop.post([weak = weak_from_this(), request, version] {
        const auto self = weak.lock();
        if (!self)
            return;
        self->m_deps.defaults.set(kStoreRejectedOnKey, version);
        self->legacySet(request.primary, self->legacyScreens(request.displays));
    });
}

bool SystemWallpaper::agentTookStore(const Request& request) const {
    const PlistPtr store = loadStore(m_deps.storeFile);
    std::optional<std::string> shown;
    std::string expected;
    if (request.displays.empty()) {
        shown = url(dictItem(store.get(), "AllSpacesAndDisplays"));
        expected = request.primary.absoluteString();
    } else {
        const auto& first = request.displays.front();
        shown = url(dictItem(dictItem(store.get(), "Displays"), first.uuid));
        expected = first.url.absoluteString();
    }
    return shown && *shown == expected;
}

void SystemWallpaper::legacySet(const FileUrl& primary, const PerDisplayRequest& perDisplay) {
    for (const auto& screen : m_deps.desktop.screens()) {
        const FileUrl* image = &primary;
        for (const auto& pair : perDisplay) {
            // Two screens without a number count as the same one.
            if (pair.display.number == screen.number) {
                image = &pair.url;
                break;
            }
        }
        m_deps.desktop.setDesktopPicture(screen, *image);
    }
}

PerDisplayRequest SystemWallpaper::legacyScreens(const DisplayList& displays) {
    PerDisplayRequest screens;
    for (const auto& [uuid, url] : displays) {
        for (const auto& screen : m_deps.desktop.screens()) {
            if (screen.number && m_deps.desktop.displayUuid(*screen.number) == uuid) {
                screens.push_back({screen, url});
                break;
            }
        }
    }
    return screens;
}

} // namespace ks

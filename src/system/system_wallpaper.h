#pragma once

#include "base/main_loop.h"
#include "base/task_queue.h"
#include "platform/desktop.h"
#include "system/display_request.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace ks {

class UserDefaults;

inline constexpr std::string_view kSystemWallpaperQueueLabel =
    "local.kestrane.wallpapers.system-wallpaper";
inline constexpr std::string_view kStoreRejectedOnKey = "wallpaperStoreRejectedOn";

struct SystemWallpaperDependencies {
    std::filesystem::path storeFile;
    MainLoop& loop;
    // Serial; every store write and check runs on it.
    TaskQueue& queue;
    // Read and written on the main thread only.
    UserDefaults& defaults;
    // Listed and asked on the caller's thread (the main thread in the application).
    Desktop& desktop;
    // Run on `queue`.
    WallpaperAgent& agent;
    SystemVersion version;
    // "LastSet"/"LastUse" dates; the loop's wall clock when unset.
    std::function<SysTime()> now;
};

// Puts a picture on the desktop of every display and every workspace: it rewrites the
// wallpaper agent's store and restarts the agent, then checks twice, 1.5 s apart, that the
// agent took the store. When the agent keeps rejecting it, the rejection is remembered for
// the running system version and the per-screen call is used from then on.
class SystemWallpaper : public std::enable_shared_from_this<SystemWallpaper> {
public:
    static std::shared_ptr<SystemWallpaper> create(SystemWallpaperDependencies dependencies);
    // The application's writer, set once by the process entry; null before.
    static SystemWallpaper* shared();
    static void setShared(std::shared_ptr<SystemWallpaper> writer);

    // Returns at once. `perDisplay` empty: `primary` everywhere.
    void set(const FileUrl& primary, const PerDisplayRequest& perDisplay);
    // True when a picture set reaches only the workspace in front, so the caller must set it
    // again when the workspace changes.
    bool appliesToCurrentSpaceOnly() const;
    bool storeRejected() const;
    // Called on the main thread after the first failed check has rewritten the store.
    void setOnReapply(std::function<void()> callback);

    // The per-screen path: every current screen gets its picture from `perDisplay` (the first
    // pair naming it), else `primary`. Failures are dropped per screen.
    void legacySet(const FileUrl& primary, const PerDisplayRequest& perDisplay);
    // Maps display UUIDs back to the current screens; displays no longer attached drop out.
    PerDisplayRequest legacyScreens(const DisplayList& displays);

    // Builds and writes the store, restarts the agent, and with `verify` schedules the
    // checks. Runs on the queue.
    void writeStore(const FileUrl& primary, const DisplayList& displays, long generation,
                    bool verify);
    void restartAgent();

private:
    // One request as its checks see it.
    struct Request {
        long generation = 0;
        FileUrl primary;
        DisplayList displays;
    };
    enum class CheckStep { first, second };

    explicit SystemWallpaper(SystemWallpaperDependencies dependencies);

    // Arms the check 1.5 s from now on the main loop, which submits it to the queue.
    void scheduleCheck(Request request, CheckStep step);
    void runCheck(const Request& request, CheckStep step);
    static void releaseOnMain(std::shared_ptr<SystemWallpaper> self);
    // Whether the agent shows what `request` wrote: the first display's picture, or the
    // picture everywhere when it named none.
    bool agentTookStore(const Request& request) const;

    SystemWallpaperDependencies m_deps;
    // Touched only on the queue.
    long m_generation = 0;
    // Main thread only.
    std::function<void()> m_onReapply;
    Timer m_checkTimer;
};

} // namespace ks

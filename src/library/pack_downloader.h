#pragma once

#include "base/clock.h"
#include "base/notification_center.h"
#include "library/library.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ks {

class HttpClient;
class MainLoop;
class TaskQueue;

inline constexpr std::string_view kPackDownloadFailed =
    "Couldn't download your packs. Check your connection and try again.";

// Fetches the archives of the packs whose blobs are missing, one pack after another on the
// download queue, and publishes the run's state for the settings window. The state changes
// on the main thread only; `observe` hears of every change.
class PackDownloader {
public:
    using Pause = std::function<void(Seconds)>;

    // `pause` is the wait between attempts, on the download queue. `baseURL` is the pack
    // server (scheme and host); `timeout` bounds each request's inactivity. The loop, the
    // centre, the queue and the client must outlive every run started here: a run still on the
    // queue uses them after the downloader itself is gone.
    PackDownloader(MainLoop& loop, NotificationCenter& center, TaskQueue& downloadQueue,
                   HttpClient& http, Pause pause, std::string baseURL,
                   Seconds timeout = Seconds(60));
    ~PackDownloader();
    PackDownloader(const PackDownloader&) = delete;
    PackDownloader& operator=(const PackDownloader&) = delete;

    // The application's downloader; null when it has none (no pack server is configured).
    static PackDownloader* shared();
    static void setShared(PackDownloader* downloader);

    // Keeps a copy of the catalogue the runs work through.
    void configure(const Library& library);
    // Starts a run when some pack lacks blobs and none is running. Main thread only.
    void downloadMissingPacks();

    static bool isAvailable(const Wallpaper& wallpaper);
    static bool isFullyDownloaded(const Pack& pack);

    bool isDownloading() const;
    double progress() const;
    const std::optional<std::string>& lastError() const;
    // Calls `onChange` on the main thread after any of the three values above changed.
    [[nodiscard]] NotificationCenter::Observation observe(std::function<void()> onChange);

    struct State;

private:
    std::shared_ptr<State> m_state;
};

} // namespace ks

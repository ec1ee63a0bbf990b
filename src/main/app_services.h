#pragma once

#include "base/concurrent_queue.h"
#include "base/main_loop.h"
#include "base/notification_center.h"
#include "base/serial_queue.h"
#include "library/library.h"
#include "main/interruptible_sleep.h"
#include "platform/platform.h"

#include <memory>

namespace ks {

class CurlHttpClient;
class HotKeyCenter;
class PackDownloader;
class PresentationController;
class SettingsStore;
class SystemWallpaper;
class SystemWallpaperSetter;
class ThumbnailCache;
class Updater;
class UserDefaults;
class WallpaperEngine;

// The one place that builds the application's services, in a fixed order, and owns them:
// the queues, the defaults database and the settings store, the library, the system
// wallpaper writer, the presentation, the engine, the pack downloader and the hot keys. The
// process-wide accessors (SettingsStore::shared() and the others) read these instances while
// it lives. Everything here lives on the main thread.
class AppServices {
public:
    // `loop` and the platform's services must outlive the queues' work; the loop must
    // outlive this.
    AppServices(MainLoop& loop, NotificationCenter& center, Platform platform);
    ~AppServices();
    AppServices(const AppServices&) = delete;
    AppServices& operator=(const AppServices&) = delete;

    MainLoop& loop() { return m_loop; }
    NotificationCenter& center() { return m_center; }
    Platform& platform() { return m_platform; }
    Library& library() { return m_library; }
    SettingsStore& settings() { return *m_settings; }
    ThumbnailCache& thumbnails() { return *m_thumbnails; }
    SystemWallpaper& writer() { return *m_writer; }
    PresentationController& presentation() { return *m_presentation; }
    WallpaperEngine& engine() { return *m_engine; }
    // Null when no pack server is configured.
    PackDownloader* downloader() { return m_downloader.get(); }
    // Null when no update feed is configured.
    Updater* updater() { return m_updater.get(); }
    HotKeyCenter& hotKeys() { return *m_hotKeys; }

private:
    MainLoop& m_loop;
    NotificationCenter& m_center;
    Platform m_platform;
    // Before the queues, so that the download queue's thread has ended when it goes.
    std::unique_ptr<CurlHttpClient> m_http;
    // The update check's own: small answers, and a limit on the whole request.
    std::unique_ptr<CurlHttpClient> m_updateHttp;
    // Queues first, so that they are destroyed last among the services: work still on them
    // at quit reaches only what outlives them.
    SerialQueue m_renderQueue;
    ConcurrentQueue m_utilityQueue;
    SerialQueue m_systemWallpaperQueue;
    SerialQueue m_downloadQueue;
    ConcurrentQueue m_thumbnailQueue;
    SerialQueue m_updateQueue;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<ThumbnailCache> m_thumbnails;
    Library m_library;
    std::shared_ptr<SystemWallpaper> m_writer;
    std::unique_ptr<SystemWallpaperSetter> m_setter;
    std::shared_ptr<PresentationController> m_presentation;
    std::shared_ptr<WallpaperEngine> m_engine;
    std::shared_ptr<InterruptibleSleep> m_downloadPause = std::make_shared<InterruptibleSleep>();
    std::unique_ptr<PackDownloader> m_downloader;
    std::unique_ptr<Updater> m_updater;
    // Goes first, before the platform's hot keys it registers with and before what its
    // handlers reach.
    std::unique_ptr<HotKeyCenter> m_hotKeys;
};

} // namespace ks

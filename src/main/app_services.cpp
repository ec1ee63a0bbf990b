#include "main/app_services.h"

#include "base/locations.h"
#include "base/log.h"
#include "engine/presentation_controller.h"
#include "engine/wallpaper_engine.h"
#include "library/config.h"
#include "library/curl_http_client.h"
#include "library/pack_downloader.h"
#include "library/thumbnail_cache.h"
#include "library/updater.h"
#include "main/hot_key_center.h"
#include "main/system_wallpaper_setter.h"
#include "platform/linux/system_version.h"
#include "settings/settings_store.h"
#include "settings/user_defaults.h"
#include "system/system_wallpaper.h"
#include "system/wallpaper_store.h"

namespace ks {

namespace {

// The writer re-applies a store the agent did not take; the covers wait for it.
constexpr Seconds kReapplyHold{1.5};

} // namespace

AppServices::AppServices(MainLoop& loop, NotificationCenter& center, Platform platform)
    : m_loop(loop), m_center(center), m_platform(std::move(platform)),
      m_renderQueue(std::string(kRenderQueueLabel)), m_utilityQueue("utility", 1),
      m_systemWallpaperQueue(std::string(kSystemWallpaperQueueLabel)),
      m_downloadQueue("pack-download"), m_thumbnailQueue("thumbnails"),
      m_updateQueue(std::string(kUpdateQueueLabel)) {
    m_defaults = std::make_unique<UserDefaults>(UserDefaults::standardPath(), m_loop);
    UserDefaults::setStandard(m_defaults.get());
    m_settings = std::make_unique<SettingsStore>(*m_defaults, m_center);
    SettingsStore::setShared(m_settings.get());
    m_thumbnails = std::make_unique<ThumbnailCache>(m_loop, m_thumbnailQueue);
    ThumbnailCache::setShared(m_thumbnails.get());

    m_writer = SystemWallpaper::create({defaultStorePath(),
                                        m_loop,
                                        m_systemWallpaperQueue,
                                        *m_defaults,
                                        *m_platform.desktop,
                                        *m_platform.agent,
                                        linuxSystemVersion(),
                                        {}});
    SystemWallpaper::setShared(m_writer);
    m_setter = std::make_unique<SystemWallpaperSetter>(m_writer);

    m_presentation = PresentationController::create(
        {m_loop, m_renderQueue, m_utilityQueue, *m_settings, *m_platform.screens,
         *m_platform.covers, *m_platform.desktopPictures, *m_setter,
         WallpaperFileCache::defaultFolder()});
    m_writer->setOnReapply([weak = std::weak_ptr(m_presentation)] {
        if (const auto presentation = weak.lock())
            presentation->extendCoverHold(kReapplyHold);
    });

    const PowerSource* power = m_platform.power.get();
    EngineDependencies engine{m_library, *m_settings,     m_loop,
                              m_center,  *m_presentation, *m_platform.appearance};
    engine.isOnBattery = [power] { return power->isOnBattery(); };
    engine.isAvailable = &PackDownloader::isAvailable;
    m_engine = WallpaperEngine::create(std::move(engine));

    if (const std::optional<std::string> server = Config::remoteBaseURL()) {
        m_http = std::make_unique<CurlHttpClient>();
        m_downloader = std::make_unique<PackDownloader>(
            m_loop, m_center, m_downloadQueue, *m_http,
            [sleep = m_downloadPause](Seconds pause) { sleep->sleep(pause); }, *server);
        PackDownloader::setShared(m_downloader.get());
    } else {
        logLine("PackDownloader: no pack server is configured; packs that do not ship with "
                "the application are left out (set KESTRANE_PACK_SERVER to download them)");
    }

    // Without a feed there is no update check at all, and nothing to say about it.
    if (const std::optional<std::string> feed = Config::updateFeedURL()) {
        m_updateHttp =
            std::make_unique<CurlHttpClient>(kLargestUpdateFeed, HttpTimeout::wholeRequest);
        m_updater = std::make_unique<Updater>(m_loop, m_updateQueue, *m_updateHttp, *feed,
                                              std::string(Config::applicationVersion()));
    }

    m_hotKeys = std::make_unique<HotKeyCenter>(*m_platform.hotKeys, m_loop);
    HotKeyCenter::setShared(m_hotKeys.get());
}

AppServices::~AppServices() {
    // A press during the quit finds no handler, and none reaches the services going below.
    HotKeyCenter::setShared(nullptr);
    m_hotKeys.reset();
    // A check in progress ends now rather than holding the quit up for its time-out.
    if (m_updateHttp)
        m_updateHttp->cancelAll();
    m_updater.reset();
    // The accessors must never hand out what is about to go.
    PackDownloader::setShared(nullptr);
    // A download in progress ends now rather than holding the quit up until it completes.
    if (m_http)
        m_http->cancelAll();
    m_downloadPause->interrupt();
    m_downloader.reset();
    m_engine.reset();
    m_presentation.reset();
    SystemWallpaper::setShared(nullptr);
    m_writer.reset();
    ThumbnailCache::setShared(nullptr);
    m_thumbnails.reset();
    SettingsStore::setShared(nullptr);
    m_settings.reset();
    UserDefaults::setStandard(nullptr);
    // Writes what is still pending.
    m_defaults.reset();
}

} // namespace ks

#pragma once

#include "base/main_loop.h"
#include "base/task_queue.h"
#include "library/image.h"
#include "library/image_source.h"
#include "library/wallpaper.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ks {

// Small decoded pictures for the settings window, kept in memory under the source's cache
// key. Decoding runs on a background queue; results come back on the main loop. The key
// leaves out the size asked for: the first picture stored for a key serves every request.
//
// Linux gives no memory-pressure signal to drop entries on, so the cache holds at most a
// byte limit of pixels and drops the least recently used picture first.
class ThumbnailCache {
public:
    using Completion = std::function<void(std::optional<Image>)>;

    static constexpr std::size_t kDefaultByteLimit = std::size_t{256} << 20;
    static constexpr int kDefaultLoadPixels = 480;
    static constexpr int kDefaultPrefetchPixels = 320;

    // The loop and the queue must outlive every piece of work the cache hands them; the cache
    // itself may go first.
    ThumbnailCache(MainLoop& loop, TaskQueue& queue, std::size_t byteLimit = kDefaultByteLimit);
    ~ThumbnailCache();
    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;

    // The application's cache, set by its owner; asking before that aborts.
    static ThumbnailCache& shared();
    static void setShared(ThumbnailCache* cache);

    // Calls `completion` once: before returning when the key is cached, otherwise later on
    // the main loop with the decoded picture, or none when there was nothing to decode.
    void load(const ImageSource& source, int maxPixel, Completion completion);
    void load(const ImageSource& source, Completion completion) {
        load(source, kDefaultLoadPixels, std::move(completion));
    }
    // Decodes and keeps every wallpaper not cached yet; failures are dropped.
    void prefetch(const std::vector<Wallpaper>& wallpapers, int maxPixel = kDefaultPrefetchPixels);

    // Evicts at once down to the new limit.
    void setByteLimit(std::size_t bytes);
    std::size_t byteLimit() const;
    std::size_t cachedBytes() const;
    bool contains(const std::string& key) const;

private:
    class Store;
    // Decodes on the queue for whoever waits on the key in the store.
    void decodeLater(ImageSource source, std::string key, int maxPixel);

    MainLoop& m_loop;
    TaskQueue& m_queue;
    // Shared with queued work, so that a picture asked for reaches its caller even after the
    // cache is gone; work nobody waits for is skipped then.
    std::shared_ptr<Store> m_store;
};

} // namespace ks

#include "library/thumbnail_cache.h"

#include "base/concurrent_queue.h"
#include "base/log.h"
#include "base/manual_loop.h"
#include "base/process_instance.h"
#include "library/decode_image.h"

#include <list>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace ks {

// The pictures by key, most recently used first, under one lock: read on the main loop and
// on the queue, written on the queue.
class ThumbnailCache::Store {
public:
    explicit Store(std::size_t limit) : m_limit(limit) {}

    std::optional<Image> find(const std::string& key) {
        std::lock_guard lock(m_mutex);
        const auto found = m_entries.find(key);
        if (found == m_entries.end())
            return std::nullopt;
        m_recency.splice(m_recency.begin(), m_recency, found->second);
        return found->second->second;
    }

    // Whether the key is cached, counting as a use when it is.
    bool touch(const std::string& key) { return find(key).has_value(); }

    bool contains(const std::string& key) const {
        std::lock_guard lock(m_mutex);
        return m_entries.contains(key);
    }

    void insert(const std::string& key, const Image& image) {
        std::lock_guard lock(m_mutex);
        // Kept, it would push out everything else and then itself.
        if (image.byteCount() > m_limit)
            return;
        if (const auto old = m_entries.find(key); old != m_entries.end()) {
            m_bytes -= old->second->second.byteCount();
            m_recency.erase(old->second);
            m_entries.erase(old);
        }
        m_recency.emplace_front(key, image);
        m_entries.emplace(key, m_recency.begin());
        m_bytes += image.byteCount();
        evictLocked();
    }

    void setLimit(std::size_t limit) {
        std::lock_guard lock(m_mutex);
        m_limit = limit;
        evictLocked();
    }
    std::size_t limit() const {
        std::lock_guard lock(m_mutex);
        return m_limit;
    }
    std::size_t bytes() const {
        std::lock_guard lock(m_mutex);
        return m_bytes;
    }

private:
    void evictLocked() {
        while (m_bytes > m_limit && !m_recency.empty()) {
            m_bytes -= m_recency.back().second.byteCount();
            m_entries.erase(m_recency.back().first);
            m_recency.pop_back();
        }
    }

    using Entries = std::list<std::pair<std::string, Image>>;
    mutable std::mutex m_mutex;
    Entries m_recency;
    std::unordered_map<std::string, Entries::iterator> m_entries;
    std::size_t m_limit;
    std::size_t m_bytes = 0;
};

ThumbnailCache::ThumbnailCache(MainLoop& loop, TaskQueue& queue, std::size_t byteLimit)
    : m_loop(loop), m_queue(queue), m_store(std::make_shared<Store>(byteLimit)) {}

ThumbnailCache::~ThumbnailCache() = default;

ThumbnailCache& ThumbnailCache::shared() {
    return ProcessInstance<ThumbnailCache>::get("ThumbnailCache");
}

void ThumbnailCache::setShared(ThumbnailCache* cache) {
    ProcessInstance<ThumbnailCache>::set(cache);
}

void ThumbnailCache::load(const ImageSource& source, int maxPixel, Completion completion) {
    std::string key = source.cacheKey();
    if (auto image = m_store->find(key)) {
        completion(std::move(image));
        return;
    }
    m_queue.async([store = std::weak_ptr(m_store), loop = &m_loop, source, key = std::move(key),
                   maxPixel, completion = std::move(completion)]() mutable {
        std::optional<Image> image = decodeImage(source, maxPixel);
        if (image)
            if (const auto live = store.lock())
                live->insert(key, *image);
        // The caller asked for the picture, so it gets it even when the cache has gone since.
        loop->post([completion = std::move(completion), image = std::move(image)]() mutable {
            completion(std::move(image));
        });
    });
}

void ThumbnailCache::prefetch(const std::vector<Wallpaper>& wallpapers, int maxPixel) {
    for (const Wallpaper& wallpaper : wallpapers) {
        std::string key = wallpaper.key();
        // About to be shown, so a cached one counts as used.
        if (m_store->touch(key))
            continue;
        m_queue.async([weak = std::weak_ptr(m_store), wallpaper, key = std::move(key), maxPixel] {
            {
                const auto store = weak.lock();
                if (!store || store->touch(key))
                    return;
            }
            const auto image = decodeImage(ImageSource::wallpaper(wallpaper), maxPixel);
            if (!image)
                return;
            if (const auto store = weak.lock())
                store->insert(key, *image);
        });
    }
}

void ThumbnailCache::setByteLimit(std::size_t bytes) {
    m_store->setLimit(bytes);
}

std::size_t ThumbnailCache::byteLimit() const {
    return m_store->limit();
}

std::size_t ThumbnailCache::cachedBytes() const {
    return m_store->bytes();
}

bool ThumbnailCache::contains(const std::string& key) const {
    return m_store->contains(key);
}

} // namespace ks

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

// The pictures by key, most recently used first, and the decodes under way with the callers
// waiting for each, under one lock: read on the main loop and on the queue, written on both.
// Queued work holds the store, so what a caller asked for reaches it even when the cache is
// gone; work that nobody waits for is skipped then.
class ThumbnailCache::Store {
public:
    explicit Store(std::size_t limit) : m_limit(limit) {}

    enum class Lookup { cached, joined, decode };
    // A load: the cached picture (in `image`), a decode under way that the completion now
    // waits for, or neither, and the caller must decode (the completion waits for that).
    Lookup findOrJoin(const std::string& key, Completion& completion, std::optional<Image>& image) {
        std::lock_guard lock(m_mutex);
        if (const auto found = m_entries.find(key); found != m_entries.end()) {
            m_recency.splice(m_recency.begin(), m_recency, found->second);
            image = found->second->second;
            return Lookup::cached;
        }
        const auto [pending, fresh] = m_pending.try_emplace(key);
        pending->second.push_back(std::move(completion));
        return fresh ? Lookup::decode : Lookup::joined;
    }

    // A prefetch: whether it must decode (neither cached nor under way); a cached picture
    // counts as used.
    bool claim(const std::string& key) {
        std::lock_guard lock(m_mutex);
        if (const auto found = m_entries.find(key); found != m_entries.end()) {
            m_recency.splice(m_recency.begin(), m_recency, found->second);
            return false;
        }
        return m_pending.try_emplace(key).second;
    }

    // Queued work that may be dropped: the cache is gone and nobody waits for the picture.
    bool unwanted(const std::string& key) {
        std::lock_guard lock(m_mutex);
        const auto pending = m_pending.find(key);
        if (!m_closed || (pending != m_pending.end() && !pending->second.empty()))
            return false;
        m_pending.erase(key);
        return true;
    }

    // A decode is done: the picture is kept (while the cache lives) and the callers that
    // waited for it are handed back.
    std::vector<Completion> finish(const std::string& key, const std::optional<Image>& image) {
        std::vector<Completion> waiting;
        std::lock_guard lock(m_mutex);
        if (const auto pending = m_pending.find(key); pending != m_pending.end()) {
            waiting = std::move(pending->second);
            m_pending.erase(pending);
        }
        // In the same hold as the erase: a load in between would find neither and decode again.
        if (image && !m_closed)
            insertLocked(key, *image);
        return waiting;
    }

    void close() {
        std::lock_guard lock(m_mutex);
        m_closed = true;
    }

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
    void insertLocked(const std::string& key, const Image& image) {
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
    std::unordered_map<std::string, std::vector<Completion>> m_pending;
    bool m_closed = false;
    std::size_t m_limit;
    std::size_t m_bytes = 0;
};

ThumbnailCache::ThumbnailCache(MainLoop& loop, TaskQueue& queue, std::size_t byteLimit)
    : m_loop(loop), m_queue(queue), m_store(std::make_shared<Store>(byteLimit)) {}

ThumbnailCache::~ThumbnailCache() {
    m_store->close();
}

ThumbnailCache& ThumbnailCache::shared() {
    return ProcessInstance<ThumbnailCache>::get("ThumbnailCache");
}

void ThumbnailCache::setShared(ThumbnailCache* cache) {
    ProcessInstance<ThumbnailCache>::set(cache);
}

void ThumbnailCache::load(const ImageSource& source, int maxPixel, Completion completion) {
    std::string key = source.cacheKey();
    std::optional<Image> image;
    switch (m_store->findOrJoin(key, completion, image)) {
    case Store::Lookup::cached:
        completion(std::move(image));
        return;
    case Store::Lookup::joined:
        // A decode under way (often the pack's prefetch) answers this one too.
        return;
    case Store::Lookup::decode:
        break;
    }
    decodeLater(source, std::move(key), maxPixel);
}

void ThumbnailCache::prefetch(const std::vector<Wallpaper>& wallpapers, int maxPixel) {
    for (const Wallpaper& wallpaper : wallpapers) {
        std::string key = wallpaper.key();
        // About to be shown, so a cached one counts as used.
        if (m_store->claim(key))
            decodeLater(ImageSource::wallpaper(wallpaper), std::move(key), maxPixel);
    }
}

void ThumbnailCache::decodeLater(ImageSource source, std::string key, int maxPixel) {
    m_queue.async([store = m_store, loop = &m_loop, source = std::move(source),
                   key = std::move(key), maxPixel] {
        if (store->unwanted(key))
            return;
        std::optional<Image> image = decodeImage(source, maxPixel);
        std::vector<Completion> waiting = store->finish(key, image);
        if (waiting.empty())
            return;
        loop->post([waiting = std::move(waiting), image = std::move(image)] {
            for (const Completion& completion : waiting)
                completion(image);
        });
    });
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

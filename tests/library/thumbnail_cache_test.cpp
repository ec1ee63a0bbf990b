#include "library/thumbnail_cache.h"

#include "base/manual_loop.h"
#include "base/manual_queue.h"
#include "library/config.h"
#include "support/temp_home.h"
#include "test_images.h"

#include <fstream>
#include <gtest/gtest.h>

namespace ks {
namespace {

namespace fs = std::filesystem;

class ThumbnailCacheTest : public testing::Test {
protected:
    ThumbnailCacheTest() { m_home.setVar("KESTRANE_RESOURCES", m_home.root() / "resources"); }

    static void writePicture(const fs::path& path, int width, int height,
                             std::vector<double> colour = {200, 40, 40}) {
        fs::create_directories(path.parent_path());
        const Bytes bytes = test::encode(test::solid(width, height, std::move(colour)), ".png");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    Wallpaper wallpaper(const std::string& name, int side = 100) const {
        writePicture(Config::downloadedPacksDir() / (name + ".dat"), side, side);
        return missing(name);
    }
    static Wallpaper missing(const std::string& name) {
        return {"pack", name + ".jpg", Variant::neutral, name + ".dat"};
    }
    // Loads, drains the queue and the loop, and gives what the completion received.
    std::optional<Image> loaded(const ImageSource& source, int maxPixel = 320) {
        std::optional<Image> result;
        m_cache.load(source, maxPixel, [&](std::optional<Image> image) { result = image; });
        drain();
        return result;
    }
    void drain() {
        m_queue.runAll();
        m_loop.runPending();
    }

    test::TempHome m_home;
    ManualLoop m_loop;
    ManualQueue m_queue{"thumbnails"};
    ThumbnailCache m_cache{m_loop, m_queue};
};

TEST_F(ThumbnailCacheTest, AHitCompletesInlineWithTheFirstSizeStoredUnderItsOwnPath) {
    const auto red = ImageSource::asset(m_home.root() / "one" / "cover.png");
    const auto blue = ImageSource::asset(m_home.root() / "two" / "cover.png");
    writePicture(*red.asAsset(), 640, 400, {220, 20, 30});
    writePicture(*blue.asAsset(), 64, 40, {20, 30, 220});
    bool called = false;
    m_cache.load(red, 320, [&](std::optional<Image>) { called = true; });
    EXPECT_FALSE(called);
    drain();
    ASSERT_TRUE(called && loaded(blue));

    std::optional<Image> hit;
    m_cache.load(red, 480, [&](std::optional<Image> image) { hit = image; });
    ASSERT_TRUE(hit) << "delivered before load returned";
    EXPECT_EQ(std::pair(hit->width, hit->height), std::pair(320, 200));
    EXPECT_GT(hit->pixels[0], 150) << "not the other path's picture";
    EXPECT_EQ(m_queue.size(), 0u);
}

TEST_F(ThumbnailCacheTest, PrefetchQueuesOnlyWhatIsNotCachedAndKeepsOneImagePerKey) {
    const std::vector<Wallpaper> pack{wallpaper("a"), wallpaper("b")};
    m_cache.prefetch(pack);
    m_cache.prefetch(pack);
    // A load while the prefetch is under way waits for it rather than decoding again.
    std::optional<Image> joined;
    m_cache.load(ImageSource::wallpaper(pack[1]), 480,
                 [&](std::optional<Image> image) { joined = image; });
    EXPECT_EQ(m_queue.size(), 2u) << "a decode under way is asked for once";
    drain();
    EXPECT_TRUE(joined);
    EXPECT_TRUE(m_cache.contains(pack[0].key()) && m_cache.contains(pack[1].key()));
    EXPECT_EQ(m_cache.cachedBytes(), 2u * 100 * 100 * 4);
    m_cache.prefetch(pack);
    m_cache.prefetch({missing("gone")});
    EXPECT_EQ(m_queue.size(), 1u);
    drain();
    EXPECT_FALSE(m_cache.contains(missing("gone").key()));
}

TEST_F(ThumbnailCacheTest, AMissingBlobGivesNoneOnTheLoopAndTheNextLoadTriesAgain) {
    const auto source = ImageSource::wallpaper(missing("late"));
    std::optional<std::optional<Image>> result;
    m_cache.load(source, 320, [&](std::optional<Image> image) { result.emplace(image); });
    m_queue.runAll();
    EXPECT_FALSE(result) << "only on the main loop";
    m_loop.runPending();
    ASSERT_TRUE(result);
    EXPECT_FALSE(*result);
    EXPECT_FALSE(m_cache.contains(source.cacheKey()));

    // One that waited for a prefetch that found nothing hears none too.
    m_cache.prefetch({missing("late")});
    EXPECT_FALSE(loaded(source));

    wallpaper("late");
    EXPECT_TRUE(loaded(source));
    EXPECT_TRUE(m_cache.contains(source.cacheKey()));
}

TEST_F(ThumbnailCacheTest, TheByteLimitDropsTheLeastRecentlyUsedAndKeepsNoOversizedPicture) {
    constexpr std::size_t kPicture = 100 * 100 * 4;
    m_cache.setByteLimit(3 * kPicture);
    const auto a = ImageSource::wallpaper(wallpaper("a")),
               b = ImageSource::wallpaper(wallpaper("b")),
               c = ImageSource::wallpaper(wallpaper("c")),
               d = ImageSource::wallpaper(wallpaper("d"));
    for (const auto* source : {&a, &b, &c, &a, &d})
        loaded(*source);
    EXPECT_FALSE(m_cache.contains(b.cacheKey())) << "a was used again after b";
    EXPECT_TRUE(m_cache.contains(a.cacheKey()) && m_cache.contains(c.cacheKey()) &&
                m_cache.contains(d.cacheKey()));

    m_cache.setByteLimit(2 * kPicture);
    EXPECT_FALSE(m_cache.contains(c.cacheKey()));
    EXPECT_EQ(m_cache.cachedBytes(), 2 * kPicture);

    const auto big = ImageSource::wallpaper(wallpaper("big", 300));
    const auto image = loaded(big);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 300);
    EXPECT_FALSE(m_cache.contains(big.cacheKey()));
    EXPECT_EQ(m_cache.cachedBytes(), 2 * kPicture) << "nothing was pushed out for it";
}

TEST_F(ThumbnailCacheTest, WorkLeftQueuedByADestroyedCacheStillDeliversWhatWasAskedFor) {
    auto cache = std::make_unique<ThumbnailCache>(m_loop, m_queue);
    const auto source = ImageSource::wallpaper(wallpaper("a"));
    std::optional<Image> result;
    cache->load(source, 320, [&](std::optional<Image> image) { result = image; });
    cache->prefetch({wallpaper("b")});
    cache.reset();
    drain();
    EXPECT_TRUE(result) << "the caller still gets what it asked for";
    EXPECT_EQ(m_queue.size(), 0u);
}

} // namespace
} // namespace ks

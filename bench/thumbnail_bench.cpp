// The thumbnails of a pack of 60 photo-sized wallpapers at 320 pixels: through the thumbnail
// cache, decoding on its concurrent queue, against one decode after another on the main
// thread. One process per measurement, so each peak is that road's own.
//   kestrane-bench-thumbnails pictures DIR      makes the pack once
//   kestrane-bench-thumbnails cache|serial DIR
// Prints "<road> <seconds> <bytes held before> <peak bytes> <thumbnails>".

#include "bench_pictures.h"

#include "peak_rss.h"

#include "base/concurrent_queue.h"
#include "base/manual_loop.h"
#include "library/decode_image.h"
#include "library/thumbnail_cache.h"
#include "library/vips_runtime.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kWallpapers = 60;
constexpr int kMaxPixel = 320;

// Sizes from 1920x1080 up, a few pixels apart, so every picture is a file of its own.
std::vector<ks::Wallpaper> pack(const fs::path& dir, bool make) {
    std::vector<ks::Wallpaper> wallpapers;
    for (int i = 0; i < kWallpapers; ++i) {
        const int width = 1920 + 8 * i, height = 1080 + 4 * i;
        const std::string name =
            "photo-" + std::to_string(width) + "x" + std::to_string(height) + ".jpg";
        if (make)
            ks::bench::photoLikePicture(dir / "wp", "jpg", width, height);
        wallpapers.push_back({"bench", name, ks::Variant::neutral, name});
    }
    return wallpapers;
}

int measure(const char* road, const fs::path& given) {
    // The pack is the shipped library; downloads go to a folder of the bench's own (only
    // absolute folders count).
    const fs::path dir = fs::absolute(given);
    ::setenv("KESTRANE_RESOURCES", dir.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    const auto wallpapers = pack(dir, false);
    ks::ensureVipsStarted();

    const bool reset = ks::bench::resetPeakRss();
    const std::size_t before = reset ? ks::bench::statusBytes("VmRSS") : ks::bench::peakRss();
    const auto start = std::chrono::steady_clock::now();
    int delivered = 0;
    if (std::strcmp(road, "cache") == 0) {
        ks::ManualLoop loop;
        ks::ConcurrentQueue queue("thumbnails");
        ks::ThumbnailCache cache(loop, queue);
        for (const auto& wallpaper : wallpapers)
            cache.load(ks::ImageSource::wallpaper(wallpaper), kMaxPixel,
                       [&](std::optional<ks::Image> image) { delivered += image ? 1 : 0; });
        std::size_t ran = 0;
        while (ran < wallpapers.size()) {
            ran += loop.runPending();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    } else {
        // Kept, as the cache keeps them, so both roads end holding the same pictures.
        std::vector<ks::Image> kept;
        for (const auto& wallpaper : wallpapers)
            if (auto image = ks::decodeImage(ks::ImageSource::wallpaper(wallpaper), kMaxPixel))
                kept.push_back(std::move(*image));
        delivered = static_cast<int>(kept.size());
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::size_t peak = reset ? ks::bench::statusBytes("VmHWM") : ks::bench::peakRss();
    std::printf("%s %.4f %zu %zu %d\n", road, seconds, before, peak, delivered);
    return delivered == kWallpapers ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "pictures") == 0) {
        ks::ensureVipsStarted();
        pack(argv[2], true);
        return 0;
    }
    if (argc == 3 && (std::strcmp(argv[1], "cache") == 0 || std::strcmp(argv[1], "serial") == 0))
        return measure(argv[1], argv[2]);
    std::fprintf(stderr, "usage: kestrane-bench-thumbnails pictures|cache|serial DIR\n");
    return 2;
}

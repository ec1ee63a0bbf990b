// The playlist of a large library: 100,000 wallpapers in 50 packs of 2,000, and in a single
// pack. A rebuild of the whole engine (every wallpaper available, shuffle on) and the smart
// shuffle alone. The same file builds a second program whose engine spreads the packs with
// the plain rescanning walk, so run-benchmarks can divide one by the other.

#include "base/manual_loop.h"
#include "base/notification_center.h"
#include "engine/presentation.h"
#include "engine/smart_shuffle.h"
#include "engine/wallpaper_engine.h"
#include "library/library.h"
#include "library/library_index.h"
#include "peak_rss.h"
#include "platform/appearance.h"
#include "settings/duration_option.h"
#include "settings/settings_store.h"
#include "settings/user_defaults.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kWallpapers = 100'000;

class NoPresentation final : public ks::Presentation {
public:
    void attach(std::weak_ptr<ks::PresentationClient>) override {}
    int screenCount() const override { return 1; }
    void present(const ks::PresentationRequest&) override {}
    void rebuildCovers() override {}
    void reapplyForActiveSpace() override {}
    void captureOriginalWallpaper() override {}
    bool hasOriginalWallpaper() const override { return false; }
    void restoreOriginalWallpaper() override {}
    std::optional<ks::Image> currentThumbnail() const override { return std::nullopt; }
    double currentFade() const override { return 0; }
};

class LightAppearance final : public ks::SystemAppearance {
public:
    bool isDark() const override { return false; }
};

std::vector<ks::Pack> generatedPacks(int packCount) {
    std::vector<ks::Pack> packs;
    for (int p = 0; p < packCount; ++p) {
        ks::Pack pack{"pack-" + std::to_string(p), "Pack " + std::to_string(p), {}, false, {}};
        for (int i = 0; i < kWallpapers / packCount; ++i)
            pack.wallpapers.push_back({pack.id, "wallpaper-" + std::to_string(i) + ".jpg",
                                       ks::Variant::neutral, pack.id + "-" + std::to_string(i)});
        packs.push_back(std::move(pack));
    }
    return packs;
}

fs::path benchFolder(int packCount) {
    const char* data = std::getenv("KESTRANE_BENCH_DATA");
    const fs::path dir = fs::path(data && *data ? data : fs::temp_directory_path()) /
                         ("engine-bench-" + std::to_string(packCount));
    fs::remove_all(dir);
    fs::create_directories(dir / "resources" / "wp");
    return dir;
}

// An engine over the generated library and a settings store in a scratch file, started.
struct Rotation {
    explicit Rotation(int packCount) : folder(benchFolder(packCount)) {
        std::ofstream(folder / "resources" / "wp" / "index.dat")
            << ks::serializeLibraryIndex(generatedPacks(packCount));
        library.rescan();
        settings.setShuffle(true);
        settings.setIntervalSeconds(ks::DurationOption::never);
        ks::EngineDependencies deps{library, settings, loop, center, presentation, appearance};
        deps.isOnBattery = [] { return false; };
        deps.isAvailable = [](const ks::Wallpaper&) { return true; };
        deps.seed = 1;
        engine = ks::WallpaperEngine::create(std::move(deps));
        engine->start();
    }

    fs::path folder;
    ks::ManualLoop loop;
    ks::NotificationCenter center;
    ks::UserDefaults defaults{folder / "settings.plist", loop};
    ks::SettingsStore settings{defaults, center};
    ks::Library library{[this] { return std::optional(folder / "resources"); }};
    NoPresentation presentation;
    LightAppearance appearance;
    std::shared_ptr<ks::WallpaperEngine> engine;
};

// The process's peak resident memory; run-benchmarks gives every figure its own process.
void reportPeak(benchmark::State& state) {
    state.counters["peak_MB"] = static_cast<double>(ks::bench::peakRss()) / 1048576;
}

void rebuildPlaylist(benchmark::State& state) {
    Rotation rotation(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        // The engine's own way in: a content change, rebuilt half a second later.
        rotation.center.post(ks::kContentChanged);
        rotation.loop.advance(ks::Seconds(0.5));
    }
    benchmark::DoNotOptimize(rotation.engine->playlist().data());
    reportPeak(state);
    state.counters["playlist"] = static_cast<double>(rotation.engine->playlist().size());
}

void smartShuffled(benchmark::State& state) {
    std::vector<ks::Wallpaper> all;
    for (ks::Pack& pack : generatedPacks(static_cast<int>(state.range(0))))
        for (ks::Wallpaper& w : pack.wallpapers)
            all.push_back(std::move(w));
    std::mt19937_64 rng(1);
    const std::optional<std::string> lastShown = all.front().key();
    for (auto _ : state) {
        auto shuffled = ks::smartShuffled(all, lastShown, rng);
        benchmark::DoNotOptimize(shuffled.data());
    }
    reportPeak(state);
}

} // namespace

BENCHMARK(rebuildPlaylist)->Arg(50)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(smartShuffled)->Arg(50)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();

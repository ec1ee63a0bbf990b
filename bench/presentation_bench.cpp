// One change on two 1920x1080 displays from a 6000x4000 JPEG, from the engine's step to the
// change step (cache lookup, the decode at display size, the thumbnail), against one bare
// bounded decode of the same picture at 1920 px. The queues are drained on this thread and
// the 0.1 s wait for the covers passes in virtual time, so only the work itself is timed.

#include "bench_pictures.h"

#include "base/file_io.h"
#include "engine/presentation_controller.h"
#include "engine/wallpaper_engine.h"
#include "library/decode_image.h"
#include "library/library.h"
#include "library_writer.h"
#include "settings/settings_store.h"
#include "support/platform_fakes.h"
#include "support/test_environment.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <vips/vips8>

namespace {

namespace fs = std::filesystem;
using namespace ks;

fs::path dataDir() {
    const char* dir = std::getenv("KESTRANE_BENCH_DATA");
    return dir ? dir : "bench-data";
}

const Bytes& photo() {
    static const Bytes bytes =
        *readWholeFile(bench::photoLikePicture(dataDir(), "jpg", 6000, 4000));
    return bytes;
}

// A library of two copies of the photo, so every step shows a wallpaper other than the last.
struct Rotation {
    Rotation() {
        const fs::path root =
            fs::temp_directory_path() / ("ks-present-" + std::to_string(getpid()));
        ::setenv("KESTRANE_RESOURCES", (root / "resources").c_str(), 1);
        tools::SourcePack pack{"p", "P", false, {}, {}, true};
        pack.pictures = {{"1.jpg", Variant::neutral, photo()},
                         {"2.jpg", Variant::neutral, photo()}};
        tools::writeLibrary({pack}, root / "resources", root / "server");
        library.rescan();
        settings.setShuffle(false);
        screens.list = test::FakeScreens::row({{1920, 1080}, {1920, 1080}});
        presentation = PresentationController::create({env.loop, env.queue("render"),
                                                       env.queue("utility"), settings, screens,
                                                       covers, pictures, writer, root / "cache"});
        engine = WallpaperEngine::create(
            {library, settings, env.loop, center, *presentation, appearance});
        engine->start();
        env.advance(Seconds(3));
    }

    test::TestEnvironment env;
    NotificationCenter center;
    UserDefaults defaults{fs::temp_directory_path() / "ks-present-settings.plist", env.loop};
    SettingsStore settings{defaults, center};
    Library library;
    test::FakeScreens screens;
    test::FakeCoverWindows covers;
    test::FakeDesktopPictures pictures;
    test::FakeWallpaperSetter writer;
    test::FakeAppearance appearance;
    std::shared_ptr<PresentationController> presentation;
    std::shared_ptr<WallpaperEngine> engine;
};

void change(benchmark::State& state) {
    static Rotation rotation;
    for (auto _ : state) {
        const std::size_t before = rotation.writer.requests.size();
        rotation.engine->advance(true);
        rotation.env.runUntilIdle();
        rotation.env.loop.advance(Seconds(0.1));
        rotation.env.runUntilIdle();
        if (rotation.writer.requests.size() != before + 1)
            state.SkipWithError("the change did not reach the desktop");
        state.PauseTiming();
        rotation.env.advance(Seconds(3), Seconds(1)); // the covers come down
        state.ResumeTiming();
    }
}

void bareDecode(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeImage(photo(), 1920));
}

BENCHMARK(change)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(bareDecode)->Unit(benchmark::kMillisecond)->MinTime(3);

} // namespace

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0]))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

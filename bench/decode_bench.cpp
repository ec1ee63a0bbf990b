// Bounded decoding (straight to the wanted size) against a full decode followed by a
// resize, both through libvips, for a large JPEG, WebP and HEIC picture.

#include "bench_pictures.h"

#include "base/file_io.h"
#include "library/decode_image.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <map>
#include <vips/vips8>

namespace {

std::filesystem::path dataDir() {
    const char* dir = std::getenv("KESTRANE_BENCH_DATA");
    return dir ? dir : "bench-data";
}

const ks::Bytes& picture(const std::string& format) {
    static std::map<std::string, ks::Bytes> cache;
    auto& bytes = cache[format];
    if (bytes.empty()) {
        const int w = format == "heic" ? 4000 : 6000, h = format == "heic" ? 3000 : 4000;
        bytes = *ks::readWholeFile(ks::bench::photoLikePicture(dataDir(), format, w, h));
    }
    return bytes;
}

// The naive road: decode every pixel, then scale the bitmap down.
ks::Image fullDecodeThenResize(const ks::Bytes& bytes, int maxPixel) {
    auto image = vips::VImage::new_from_buffer(bytes.data(), bytes.size(), "");
    const double scale = static_cast<double>(maxPixel) / std::max(image.width(), image.height());
    auto small = image.copy_memory().resize(scale);
    std::size_t size = 0;
    void* pixels = small.write_to_memory(&size);
    ks::Image result{small.width(), small.height(),
                     std::shared_ptr<const std::uint8_t[]>(
                         static_cast<std::uint8_t*>(pixels),
                         [](const std::uint8_t* p) { g_free(const_cast<std::uint8_t*>(p)); })};
    return result;
}

void bounded(benchmark::State& state, std::string format) {
    const auto& bytes = picture(format);
    const int maxPixel = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(ks::decodeImage(bytes, maxPixel));
}

void fullThenResize(benchmark::State& state, std::string format) {
    const auto& bytes = picture(format);
    const int maxPixel = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(fullDecodeThenResize(bytes, maxPixel));
}

} // namespace

BENCHMARK_CAPTURE(bounded, jpeg, std::string("jpg"))
    ->Arg(320)
    ->Arg(3840)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fullThenResize, jpeg, std::string("jpg"))
    ->Arg(320)
    ->Arg(3840)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bounded, webp, std::string("webp"))
    ->Arg(320)
    ->Arg(3840)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fullThenResize, webp, std::string("webp"))
    ->Arg(320)
    ->Arg(3840)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bounded, heic, std::string("heic"))
    ->Arg(320)
    ->Arg(3840)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(fullThenResize, heic, std::string("heic"))
    ->Arg(320)
    ->Arg(3840)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0]))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

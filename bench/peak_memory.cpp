// Measures the peak memory of one operation in a fresh process, where the kernel's
// high-water mark belongs to that operation alone.
//   kestrane-bench-peak decode bounded|full FILE MAXPIXEL
// Prints "<label> <bytes held before> <peak bytes> <input bytes>".

#include "bench_pictures.h"

#include "peak_rss.h"

#include "base/file_io.h"
#include "library/decode_image.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vips/vips8>

namespace {

int decode(const char* mode, const char* file, int maxPixel) {
    const auto bytes = ks::readWholeFile(file);
    if (!bytes)
        return 1;
    // The high-water mark starts again here, so the peak is the decode's alone.
    const bool reset = ks::bench::resetPeakRss();
    const std::size_t before = reset ? ks::bench::statusBytes("VmRSS") : ks::bench::peakRss();
    if (std::strcmp(mode, "bounded") == 0) {
        auto image = ks::decodeImage(*bytes, maxPixel);
        if (!image)
            return 1;
    } else {
        auto image = vips::VImage::new_from_buffer(bytes->data(), bytes->size(), "");
        auto small = image.copy_memory().resize(static_cast<double>(maxPixel) /
                                                std::max(image.width(), image.height()));
        std::size_t size = 0;
        g_free(small.write_to_memory(&size));
    }
    const std::size_t peak = reset ? ks::bench::statusBytes("VmHWM") : ks::bench::peakRss();
    std::printf("decode-%s %zu %zu %zu\n", mode, before, peak, bytes->size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0]))
        return 1;
    if (argc == 5 && std::strcmp(argv[1], "decode") == 0)
        return decode(argv[2], argv[3], std::stoi(argv[4]));
    if (argc == 3 && std::strcmp(argv[1], "pictures") == 0) {
        ks::bench::photoLikePicture(argv[2], "jpg", 6000, 4000);
        ks::bench::photoLikePicture(argv[2], "webp", 6000, 4000);
        ks::bench::photoLikePicture(argv[2], "heic", 4000, 3000);
        return 0;
    }
    std::fprintf(stderr,
                 "usage: kestrane-bench-peak decode bounded|full FILE MAXPIXEL | pictures DIR\n");
    return 2;
}

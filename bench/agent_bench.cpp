// The wallpaper agent applying a store for two 1920x1080 displays from two 6000x4000 JPEGs on
// a real X server, process start included, against ImageMagick making the same two
// cover-crops from a full decode. Prints one line per run: "agent|convert SECONDS PEAK_BYTES".
// Usage: kestrane-bench-agent AGENT RUNS

#include "agent_support.h"
#include "bench_pictures.h"
#include "xorg_display.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>

namespace {

using namespace ks;
using namespace ks::e2e;

int fail(const std::string& what) {
    std::cerr << "kestrane-bench-agent: " << what << "\n";
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return fail("usage: kestrane-bench-agent AGENT RUNS");
    const std::string agent = argv[1];
    const int runs = std::max(1, std::atoi(argv[2]));

    std::string reason;
    if (!XorgDisplay::available(&reason)) {
        std::cout << "skipped " << reason << "\n";
        return 0;
    }
    const auto convert = findExecutable("convert");
    if (!convert)
        return fail("ImageMagick's convert is not installed (imagemagick)");
    XorgDisplay x;
    if (!x.start(&reason))
        return fail(reason);

    // Two different photographs, so that no run can reuse the other's decode.
    const auto pictures = x.root() / "pictures";
    const auto first = bench::photoLikePicture(pictures / "a", "jpg", 6000, 4000);
    const auto second = bench::photoLikePicture(pictures / "b", "jpg", 6000, 4000);

    const auto listing = x.run({agent, "--list-displays"});
    const auto displays = parseDisplayListing(listing.out);
    if (listing.status != 0 || !displays || displays->size() != 2)
        return fail("--list-displays gave:\n" + listing.out + listing.err);

    auto applyOnce = [&](bool swapped) {
        const auto& left = swapped ? second : first;
        const auto& right = swapped ? first : second;
        DisplayList request{{(*displays)[0].uuid, fileUrl(left)},
                            {(*displays)[1].uuid, fileUrl(right)}};
        if (!writeAgentStore(agentStorePath(x), fileUrl(left), request))
            return ProcessResult{};
        return x.run({agent, "--backend", "x11-root"});
    };
    auto cropOnce = [&](const std::filesystem::path& picture, const std::string& out) {
        return x.run({convert->string(), picture.string(), "-resize", "1920x1080^", "-gravity",
                      "center", "-extent", "1920x1080", (x.root() / out).string()});
    };

    // One untimed round first, so every timed one reads the pictures from the page cache.
    // The stores alternate, so the agent never finds its screen already showing the store.
    for (int run = 0; run <= runs; ++run) {
        const auto applied = applyOnce(run % 2 == 1);
        if (applied.status != 0)
            return fail("the agent failed:\n" + applied.err);
        const auto a = cropOnce(first, "first.ppm");
        const auto b = cropOnce(second, "second.ppm");
        if (a.status != 0 || b.status != 0)
            return fail("convert failed:\n" + a.err + b.err);
        if (run == 0)
            continue;
        std::printf("agent %.6f %zu\n", applied.wall.count(), applied.peakRssBytes);
        std::printf("convert %.6f %zu\n", (a.wall + b.wall).count(),
                    std::max(a.peakRssBytes, b.peakRssBytes));
    }
    return 0;
}

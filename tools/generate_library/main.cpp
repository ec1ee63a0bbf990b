// Renders the demo wallpaper library at build time: the shipped packs and the index into
// the resources folder, the other packs as archives for the pack server, and the icons (the
// tray's and the application's).

#include "catalogue.h"
#include "encode.h"
#include "icons.h"
#include "library_writer.h"

#include "base/file_io.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vips/vips8>

namespace fs = std::filesystem;
using namespace ks;

namespace {

struct Job {
    std::size_t pack, picture;
};

// Renders and encodes every picture, spreading the work over the machine's cores.
std::vector<tools::SourcePack> renderCatalogue(const std::vector<gen::PlannedPack>& plan) {
    std::vector<tools::SourcePack> packs;
    std::vector<Job> jobs;
    for (std::size_t p = 0; p < plan.size(); ++p) {
        const auto& planned = plan[p];
        tools::SourcePack pack{
            planned.id, planned.displayName, planned.hasVariants, planned.coverFileName,
            {},         planned.shipped};
        for (std::size_t i = 0; i < planned.pictures.size(); ++i) {
            pack.pictures.push_back(
                {planned.pictures[i].fileName, planned.pictures[i].variant, {}});
            jobs.push_back({p, i});
        }
        packs.push_back(std::move(pack));
    }
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (std::size_t j; (j = next.fetch_add(1)) < jobs.size();) {
            const auto& planned = plan[jobs[j].pack].pictures[jobs[j].picture];
            packs[jobs[j].pack].pictures[jobs[j].picture].bytes =
                gen::encode(gen::render(planned.scene), gen::formatForFileName(planned.fileName));
        }
    };
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < std::max(1u, std::thread::hardware_concurrency()); ++t)
        threads.emplace_back(worker);
    for (auto& thread : threads)
        thread.join();
    return packs;
}

bool writeResource(const fs::path& path, const Bytes& bytes) {
    if (replaceFileAtomically(path, bytes))
        return true;
    std::fprintf(stderr, "generate-library: could not write %s\n", path.c_str());
    return false;
}

int usage() {
    std::fprintf(stderr, "usage: kestrane-generate-library --resources DIR --packserver DIR\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0]))
        return 1;
    // The generator runs one picture per core itself.
    vips_concurrency_set(1);

    fs::path resources, packServer;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--resources") == 0)
            resources = argv[i + 1];
        else if (std::strcmp(argv[i], "--packserver") == 0)
            packServer = argv[i + 1];
        else
            return usage();
    }
    if (resources.empty() || packServer.empty())
        return usage();

    const auto packs = renderCatalogue(gen::demoCatalogue());
    const auto report = tools::writeLibrary(packs, resources, packServer);
    if (!report.ok()) {
        std::fprintf(stderr, "generate-library: %s\n", report.error.c_str());
        return 1;
    }
    if (!writeResource(resources / "MenuIcon.png", gen::menuIconPng(16)) ||
        !writeResource(resources / "MenuIcon@2x.png", gen::menuIconPng(32)) ||
        !writeResource(resources / "AllPacks.jpg", gen::allPacksJpeg()))
        return 1;
    // The sizes resources/CMakeLists.txt installs into the hicolor icon theme.
    for (const int size : {48, 128, 256}) {
        if (!writeResource(resources / ("AppIcon-" + std::to_string(size) + ".png"),
                           gen::appIconPng(size)))
            return 1;
    }

    std::size_t wallpapers = 0;
    for (const auto& pack : packs)
        wallpapers += pack.pictures.size();
    std::printf("generate-library: %zu packs, %zu wallpapers (%d shipped blobs, %d archives)\n",
                packs.size(), wallpapers, report.shippedBlobs, report.archives);
    vips_shutdown();
    return 0;
}

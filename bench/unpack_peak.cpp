// Peak memory of unpacking an archive, in a process that loads nothing else (no image
// libraries), so the figure is the archive's bytes and the unpacked entries alone.
//   kestrane-bench-unpack-peak archive MEGABYTES FILE   makes the archive
//   kestrane-bench-unpack-peak unpack FILE              prints "unpack <before> <peak> <size>"

#include "bench_archive.h"

#include "peak_rss.h"

#include "base/file_io.h"
#include "library/pack_archive.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int makeArchive(std::size_t megabytes, const char* path) {
    return ks::replaceFileAtomically(path, ks::bench::makeArchive(megabytes)) ? 0 : 1;
}

int unpack(const char* path) {
    const auto bytes = ks::readWholeFile(path);
    if (!bytes)
        return 1;
    const std::size_t before = ks::bench::peakRss();
    const auto entries = ks::PackArchive::unpack(*bytes);
    if (!entries)
        return 1;
    std::printf("unpack %zu %zu %zu\n", before, ks::bench::peakRss(), bytes->size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "archive") == 0)
        return makeArchive(std::stoul(argv[2]), argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "unpack") == 0)
        return unpack(argv[2]);
    std::fprintf(stderr, "usage: kestrane-bench-unpack-peak archive MB FILE | unpack FILE\n");
    return 2;
}

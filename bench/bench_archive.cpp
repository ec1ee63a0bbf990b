#include "bench_archive.h"

#include "library/pack_archive.h"

namespace ks::bench {

Bytes makeArchive(std::size_t megabytes) {
    constexpr std::size_t kEntry = 2 << 20;
    std::vector<PackArchive::Entry> entries;
    std::uint64_t state = 42;
    for (std::size_t i = 0; i < megabytes / 2; ++i) {
        PackArchive::Entry entry{"entry-" + std::to_string(i) + ".dat", Bytes(kEntry)};
        for (std::size_t b = 0; b < kEntry; b += 8) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            for (int k = 0; k < 8; ++k)
                entry.data[b + k] = static_cast<std::uint8_t>(state >> (8 * k));
        }
        entries.push_back(std::move(entry));
    }
    return *PackArchive::pack(entries);
}

} // namespace ks::bench

// Unpacking a 200 MB archive against copying the same bytes.

#include "bench_archive.h"

#include "library/pack_archive.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <memory>

namespace {

const ks::Bytes& archive() {
    static const ks::Bytes bytes = ks::bench::makeArchive(200);
    return bytes;
}

void unpack(benchmark::State& state) {
    const auto& bytes = archive();
    for (auto _ : state)
        benchmark::DoNotOptimize(ks::PackArchive::unpack(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

// The floor: one fresh buffer and one memcpy of the same bytes.
void memcpyIntoFreshBuffer(benchmark::State& state) {
    const auto& bytes = archive();
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.size()]);
        std::memcpy(copy.get(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(copy.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

} // namespace

BENCHMARK(unpack)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(memcpyIntoFreshBuffer)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();

// The defaults database under a busy user interface: 10,000 assignments to a 5,000-key
// favourites set, one element changed each time. Written once per loop turn (a turn every
// ten assignments) against written at every assignment.

#include "base/manual_loop.h"
#include "settings/user_defaults.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kAssignments = 10'000;
constexpr int kFavorites = 5'000;
constexpr int kAssignmentsPerTurn = 10;

std::filesystem::path benchFile() {
    const char* data = std::getenv("KESTRANE_BENCH_DATA");
    const std::filesystem::path dir =
        std::filesystem::path(data && *data ? data : std::filesystem::temp_directory_path()) /
        "defaults-bench";
    std::filesystem::remove_all(dir);
    return dir / "local.kestrane.wallpapers.plist";
}

std::vector<std::string> favorites() {
    std::vector<std::string> keys;
    for (int i = 0; i < kFavorites; ++i)
        keys.push_back("pack-" + std::to_string(i % 40) + "/wallpaper-" + std::to_string(i) +
                       ".jpg");
    return keys;
}

void report(benchmark::State& state, const ks::UserDefaults& defaults) {
    const auto n = static_cast<double>(state.iterations());
    state.counters["bytes_per_assignment"] = static_cast<double>(defaults.bytesWritten()) / n;
    state.counters["writes"] = static_cast<double>(defaults.fileWrites());
}

void coalesced(benchmark::State& state) {
    ks::ManualLoop loop;
    ks::UserDefaults defaults(benchFile(), loop);
    auto keys = favorites();
    int i = 0;
    for (auto _ : state) {
        keys[static_cast<std::size_t>(i % kFavorites)] = "changed/" + std::to_string(i);
        defaults.set("favorites", keys);
        if (++i % kAssignmentsPerTurn == 0)
            loop.runPending();
    }
    loop.runPending();
    report(state, defaults);
}

void writeEachAssignment(benchmark::State& state) {
    ks::ManualLoop loop;
    ks::UserDefaults defaults(benchFile(), loop);
    auto keys = favorites();
    int i = 0;
    for (auto _ : state) {
        keys[static_cast<std::size_t>(i % kFavorites)] = "changed/" + std::to_string(i);
        ++i;
        defaults.set("favorites", keys);
        defaults.flush();
    }
    report(state, defaults);
}

} // namespace

BENCHMARK(coalesced)->Iterations(kAssignments)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(writeEachAssignment)
    ->Iterations(kAssignments)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();

// Writes a defaults file the way the application does, for the tests that kill it midway
// or run two of it at once.
//   user_defaults_child crash FILE        counts on from the file's "counter" until killed
//   user_defaults_child race FILE NAME MS  assigns NAME-0..NAME-49 over and over for MS ms
#include "base/manual_loop.h"
#include "settings/user_defaults.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

int countUntilKilled(const char* path) {
    ks::ManualLoop loop;
    ks::UserDefaults defaults(path, loop);
    const std::int64_t start = defaults.integerValue("counter").value_or(-1) + 1;
    // The parent's random moment to kill counts from here, however slow the start-up was.
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    // A turn every three assignments, so turns fall both between and inside the pairs.
    for (std::int64_t i = start, assignments = 0; i < start + 100'000; ++i) {
        defaults.set("key-" + std::to_string(i), i);
        if (++assignments % 3 == 0)
            loop.runPending();
        defaults.set("counter", i);
        if (++assignments % 3 == 0)
            loop.runPending();
    }
    return defaults.flush() ? 0 : 1;
}

int race(const char* path, std::string_view name, int milliseconds) {
    ks::ManualLoop loop;
    ks::UserDefaults defaults(path, loop);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (std::int64_t i = 0; std::chrono::steady_clock::now() < end; ++i) {
        defaults.set(std::string(name) + "-" + std::to_string(i % 50), i);
        loop.runPending();
    }
    return defaults.flush() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (mode == "crash" && argc == 3)
        return countUntilKilled(argv[2]);
    if (mode == "race" && argc == 5)
        return race(argv[2], argv[3], std::atoi(argv[4]));
    std::fputs("usage: user_defaults_child crash FILE | race FILE NAME MS\n", stderr);
    return 2;
}

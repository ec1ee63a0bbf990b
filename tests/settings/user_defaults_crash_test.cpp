#include "base/file_io.h"
#include "settings/defaults_file.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <random>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace ks {
namespace {

// Starts the helper program; with `readyPipe`, its standard output goes to the pipe's
// write end, which is closed here afterwards.
pid_t startChild(std::vector<std::string> args, const int* readyPipe = nullptr) {
    args.insert(args.begin(), KS_DEFAULTS_CHILD);
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (readyPipe) {
        posix_spawn_file_actions_adddup2(&actions, readyPipe[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, readyPipe[0]);
    }
    pid_t pid = 0;
    const int result =
        posix_spawn(&pid, KS_DEFAULTS_CHILD, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (readyPipe)
        ::close(readyPipe[1]);
    return result == 0 ? pid : -1;
}

// Waits until the child says it runs (or ends): a slow start, as under the sanitizers, must
// not eat the time it is given to write.
void waitUntilReady(int readEnd) {
    char byte = 0;
    while (::read(readEnd, &byte, 1) < 0 && errno == EINTR) {
    }
    ::close(readEnd);
}

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

std::optional<std::int64_t> integer(const DefaultsEntries& entries, const std::string& key) {
    const auto found = entries.find(key);
    if (found == entries.end())
        return std::nullopt;
    const auto* value = std::get_if<DefaultsValue>(&found->second);
    const auto* number = value ? std::get_if<std::int64_t>(value) : nullptr;
    return number ? std::optional(*number) : std::nullopt;
}

// The child assigns key-i = i, then counter = i, for i = 0, 1, 2...; whatever the file holds
// must be a prefix of that sequence: key-0..key-c, counter = c, and perhaps key-(c+1).
// Returns an explanation when it is not.
std::string notAPrefix(const DefaultsEntries& entries) {
    const std::int64_t last = integer(entries, "counter").value_or(-1);
    const bool next = integer(entries, "key-" + std::to_string(last + 1)) == last + 1;
    bool ok = entries.size() == static_cast<std::size_t>(last + 1 + (last >= 0) + next);
    for (std::int64_t i = 0; ok && i <= last + next; ++i)
        ok = integer(entries, "key-" + std::to_string(i)) == i;
    return ok ? ""
              : "not a prefix under counter " + std::to_string(last) + " with " +
                    std::to_string(entries.size()) + " entries";
}

// How many writers the crash test kills: KESTRANE_CRASH_KILLS for a longer run by hand, else
// few enough for CI. None when the variable is set but is not a positive whole number.
std::optional<int> crashKills() {
    const char* text = std::getenv("KESTRANE_CRASH_KILLS");
    if (!text)
        return 60;
    const std::string_view value(text);
    int kills = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), kills);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() || kills < 1)
        return std::nullopt;
    return kills;
}

TEST(DefaultsCrashSafety, KillingAWriterAtAnyMomentLeavesAPrefixOfItsAssignments) {
    const auto kills = crashKills();
    ASSERT_TRUE(kills) << "KESTRANE_CRASH_KILLS must be a positive whole number, not \""
                       << std::getenv("KESTRANE_CRASH_KILLS") << "\"";
    test::TempHome home;
    const fs::path file = home.root() / "prefs" / "crash.plist";
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> delayMicros(0, 40'000);
    std::int64_t lastCounter = -1;
    int killedWhileRunning = 0;
    for (int run = 0; run < *kills; ++run) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = startChild({"crash", file.string()}, ready);
        ASSERT_GT(child, 0);
        waitUntilReady(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicros(random)));
        ::kill(child, SIGKILL);
        const int status = waitFor(child);
        killedWhileRunning += WIFSIGNALED(status) ? 1 : 0;

        const auto bytes = readWholeFile(file);
        if (!bytes) {
            ASSERT_EQ(lastCounter, -1) << "the file vanished after run " << run;
            continue;
        }
        const auto entries = parseDefaults(*bytes);
        ASSERT_TRUE(entries) << "the file does not parse after run " << run;
        ASSERT_EQ(notAPrefix(*entries), "") << "after run " << run;
        const std::int64_t counter = integer(*entries, "counter").value_or(-1);
        ASSERT_GE(counter, lastCounter) << "assignments on disk were lost";
        lastCounter = counter;
    }
    // For the record of a long run (--gtest_output=xml).
    RecordProperty("kills", killedWhileRunning);
    RecordProperty("lastCounter", std::to_string(lastCounter));
    EXPECT_EQ(killedWhileRunning, *kills);
    EXPECT_GT(lastCounter, 0) << "the children never got to write";
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
        EXPECT_EQ(entry.path().filename().string().find("corrupt"), std::string::npos);
}

TEST(DefaultsCrashSafety, TwoWritersAtOnceNeverLeaveAFileThatFailsToParse) {
    test::TempHome home;
    const fs::path file = home.root() / "prefs" / "shared.plist";
    const pid_t first = startChild({"race", file.string(), "first", "1500"});
    const pid_t second = startChild({"race", file.string(), "second", "1500"});
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    int reads = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < end) {
        if (const auto bytes = readWholeFile(file)) {
            ASSERT_TRUE(parseDefaults(*bytes)) << "read " << reads;
            ++reads;
        }
    }
    const int firstStatus = waitFor(first);
    const int secondStatus = waitFor(second);
    EXPECT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0);
    EXPECT_TRUE(WIFEXITED(secondStatus) && WEXITSTATUS(secondStatus) == 0);
    EXPECT_GT(reads, 10);
    ASSERT_TRUE(parseDefaults(readWholeFile(file).value_or(Bytes{})));
    for (const auto& entry : fs::directory_iterator(file.parent_path()))
        EXPECT_EQ(entry.path().filename().string().find("corrupt"), std::string::npos);
}

} // namespace
} // namespace ks

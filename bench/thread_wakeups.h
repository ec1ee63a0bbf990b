#pragma once

#include "peak_rss.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <sys/types.h>

namespace ks::bench {

// A thread's name and its context switches so far, voluntary and involuntary: each is a
// wake-up.
struct ThreadCount {
    std::string name;
    std::uint64_t switches = 0;
};

inline std::string firstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// Every thread of the process by id.
inline std::map<int, ThreadCount> threadCounts(pid_t pid) {
    namespace fs = std::filesystem;
    std::map<int, ThreadCount> counts;
    std::error_code error;
    for (const auto& task :
         fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        const int tid = std::atoi(task.path().filename().c_str());
        const std::string status = (task.path() / "status").string();
        counts[tid] = {firstLine(task.path() / "comm"),
                       statusField(status, "voluntary_ctxt_switches") +
                           statusField(status, "nonvoluntary_ctxt_switches")};
    }
    return counts;
}

// Wake-ups over a window. Threads that started meanwhile count from zero; a thread that
// ended took its counts with it, so it counts as the one wake-up it at least took to end.
struct Window {
    double perSecond = 0;
    std::map<int, std::uint64_t> perThread;
    std::map<int, ThreadCount> ended;
};

inline Window over(const std::map<int, ThreadCount>& before,
                   const std::map<int, ThreadCount>& after, double seconds) {
    Window window;
    std::uint64_t sum = 0;
    for (const auto& [tid, count] : after) {
        const auto it = before.find(tid);
        const std::uint64_t start =
            it == before.end() ? 0 : std::min(it->second.switches, count.switches);
        window.perThread[tid] = count.switches - start;
        sum += count.switches - start;
    }
    for (const auto& [tid, count] : before)
        if (after.count(tid) == 0) {
            window.ended[tid] = count;
            ++sum;
        }
    window.perSecond = static_cast<double>(sum) / seconds;
    return window;
}

} // namespace ks::bench

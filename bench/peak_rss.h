#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <sys/resource.h>

namespace ks::bench {

// The process's peak resident set size so far, in bytes.
inline std::size_t peakRss() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
}

// A field of a /proc status file (/proc/PID/status, /proc/PID/task/TID/status) as the number
// it holds (kB for sizes); 0 when missing.
inline std::uint64_t statusField(const std::string& statusFile, const std::string& field) {
    std::ifstream status(statusFile);
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::stoull(line.substr(field.size() + 1));
    return 0;
}

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM"); 0 when unknown.
inline std::size_t statusBytes(const std::string& field) {
    return static_cast<std::size_t>(statusField("/proc/self/status", field)) * 1024;
}

// Starts a new high-water mark at the present resident size, so the next peak belongs to
// what runs from here on alone. False where the kernel does not offer it.
inline bool resetPeakRss() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return static_cast<bool>(clear.flush());
}

} // namespace ks::bench

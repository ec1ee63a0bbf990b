#pragma once

#include <cstddef>
#include <sys/resource.h>

namespace ks::bench {

// The process's peak resident set size so far, in bytes.
inline std::size_t peakRss() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
}

} // namespace ks::bench

#pragma once

#include <chrono>

namespace ks {

using SysTime = std::chrono::system_clock::time_point;
using MonoTime = std::chrono::steady_clock::time_point;
using Seconds = std::chrono::duration<double>;

// The two clocks the application reads: the wall clock for dates (daily changes,
// "next change at") and the monotonic clock for delays and intervals.
class Clock {
public:
    virtual ~Clock() = default;
    virtual SysTime now() const = 0;
    virtual MonoTime monotonicNow() const = 0;
};

class SystemClock final : public Clock {
public:
    SysTime now() const override { return std::chrono::system_clock::now(); }
    MonoTime monotonicNow() const override { return std::chrono::steady_clock::now(); }
    static const SystemClock& instance();
};

template <typename Duration> std::chrono::steady_clock::duration toSteady(Duration d) {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(d);
}

template <typename Duration> std::chrono::system_clock::duration toSystem(Duration d) {
    return std::chrono::duration_cast<std::chrono::system_clock::duration>(d);
}

// A delay every loop can wait for: NaN and negative delays are none, and nothing waits longer
// than a century (longer waits would overflow the clocks' tick counts).
Seconds sanitizedDelay(Seconds delay);
// A repeating interval: as a delay, but at least a millisecond, so a timer can never spin.
Seconds sanitizedInterval(Seconds interval);

} // namespace ks

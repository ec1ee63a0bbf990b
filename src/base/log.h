#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace ks {

// Writes one line to the system log: standard error, and syslog when standard error is
// not a terminal (unless KESTRANE_NO_SYSLOG is set, as in tests). Safe from any thread.
void logLine(std::string_view message);

// Replaces where log lines go (tests capture them). An empty sink restores the default.
// Returns the previous sink.
using LogSink = std::function<void(const std::string&)>;
LogSink setLogSink(LogSink sink);

} // namespace ks

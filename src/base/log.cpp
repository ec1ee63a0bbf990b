#include "base/log.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <syslog.h>
#include <unistd.h>

namespace ks {

namespace {

std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}

LogSink& currentSink() {
    static LogSink sink;
    return sink;
}

void defaultSink(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    // Tests and demos run without a terminal too; they opt out of the system log.
    static const bool toSyslog = !isatty(STDERR_FILENO) && !std::getenv("KESTRANE_NO_SYSLOG");
    if (toSyslog)
        syslog(LOG_NOTICE, "%s", message.c_str());
}

} // namespace

void logLine(std::string_view message) {
    const std::string line(message);
    std::lock_guard lock(sinkMutex());
    if (currentSink())
        currentSink()(line);
    else
        defaultSink(line);
}

LogSink setLogSink(LogSink sink) {
    std::lock_guard lock(sinkMutex());
    return std::exchange(currentSink(), std::move(sink));
}

} // namespace ks

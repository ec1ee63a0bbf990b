#pragma once

#include "base/log.h"

#include <mutex>
#include <string>
#include <vector>

namespace ks::test {

// Collects the log lines written while it lives.
class LogCapture {
public:
    LogCapture()
        : m_previous(setLogSink([this](const std::string& line) {
              std::lock_guard lock(m_mutex);
              m_lines.push_back(line);
          })) {}
    ~LogCapture() { setLogSink(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    LogSink m_previous;
};

} // namespace ks::test

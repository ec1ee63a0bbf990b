#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ks::e2e {

using namespace std::chrono_literals;

// How a finished process ended, with what it printed and what it cost.
struct ProcessResult {
    // The exit code, -signal when a signal ended it; none when it could not start or
    // outlived its time-out (it is killed then).
    std::optional<int> status;
    std::string out;
    std::string err;
    // From just before the fork until the parent reaped it.
    std::chrono::duration<double> wall{};
    // ru_maxrss of the process itself, from wait4.
    std::size_t peakRssBytes = 0;
    bool timedOut = false;
};

// A process started from the test, with its own environment, its output going to files.
// It receives SIGTERM if the thread that started it dies, so that a crashed test does not
// leave servers behind; nothing is left running when the handle goes away.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                 std::filesystem::path outFile, std::filesystem::path errFile);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // -1 when it could not be started.
    pid_t pid() const { return m_pid; }
    bool running();
    // Waits for the exit; false when `timeout` passed first.
    bool waitForExit(std::chrono::milliseconds timeout);
    void signal(int number);
    // SIGTERM, then SIGKILL when it has not left within `grace`; waits for the end.
    void stop(std::chrono::milliseconds grace = 5s);

    // The result so far; complete once the process has ended.
    ProcessResult result() const;
    std::string out() const;
    std::string err() const;

private:
    bool reap(bool block);

    pid_t m_pid = -1;
    std::filesystem::path m_outFile;
    std::filesystem::path m_errFile;
    std::chrono::steady_clock::time_point m_started;
    ProcessResult m_result;
    bool m_ended = false;
};

// Runs `argv` to its end (killed after `timeout`).
ProcessResult runProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment,
                         const std::filesystem::path& outputStem,
                         std::chrono::milliseconds timeout = 60s);

// `PATH` lookup as execvp does it; none when there is no such executable.
std::optional<std::filesystem::path> findExecutable(const std::string& name);

} // namespace ks::e2e

#include "child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ks::e2e {

namespace fs = std::filesystem;

namespace {

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (auto& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

// Waits until `pid` has ended or `timeout` passes, without reaping it. A pidfd lets the
// wait sleep in poll(); kernels without one get short polls instead.
bool waitForEnd(pid_t pid, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd >= 0) {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            pollfd entry{fd, POLLIN, 0};
            const int ready = ::poll(&entry, 1, static_cast<int>(std::max<long>(0, left.count())));
            if (ready < 0 && errno == EINTR)
                continue;
            ::close(fd);
            return ready > 0;
        }
    }
    for (;;) {
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
            return true;
        if (info.si_pid == pid)
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment, fs::path outFile,
                           fs::path errFile)
    : m_outFile(std::move(outFile)), m_errFile(std::move(errFile)) {
    // Everything the child needs is prepared here: between fork and exec only system calls.
    auto args = argv;
    auto env = environment;
    const auto argp = pointers(args);
    const auto envp = pointers(env);
    const std::string program = argv.empty() ? std::string() : argv.front();
    const std::string outPath = m_outFile.string();
    const std::string errPath = m_errFile.string();
    const pid_t parent = ::getpid();

    m_started = std::chrono::steady_clock::now();
    m_pid = ::fork();
    if (m_pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
            ::dup2(err, 2) < 0)
            ::_exit(127);
        ::execve(program.c_str(), argp.data(), envp.data());
        ::_exit(127);
    }
    if (m_pid < 0)
        m_ended = true;
}

ChildProcess::~ChildProcess() {
    stop();
}

bool ChildProcess::reap(bool block) {
    if (m_ended)
        return true;
    int raw = 0;
    rusage usage{};
    pid_t got;
    do
        got = ::wait4(m_pid, &raw, block ? 0 : WNOHANG, &usage);
    while (got < 0 && errno == EINTR);
    if (got == 0)
        return false;
    m_result.wall = std::chrono::steady_clock::now() - m_started;
    if (got == m_pid) {
        m_result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
        m_result.peakRssBytes = static_cast<std::size_t>(usage.ru_maxrss) * 1024;
    }
    m_ended = true;
    return true;
}

bool ChildProcess::running() {
    return !reap(false);
}

bool ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
    if (m_ended)
        return true;
    if (!waitForEnd(m_pid, timeout))
        return reap(false);
    return reap(true);
}

void ChildProcess::signal(int number) {
    if (running())
        ::kill(m_pid, number);
}

void ChildProcess::stop(std::chrono::milliseconds grace) {
    if (!running())
        return;
    ::kill(m_pid, SIGTERM);
    if (waitForExit(grace))
        return;
    ::kill(m_pid, SIGKILL);
    reap(true);
}

ProcessResult ChildProcess::result() const {
    ProcessResult result = m_result;
    result.out = out();
    result.err = err();
    return result;
}

std::string ChildProcess::out() const {
    return readText(m_outFile);
}
std::string ChildProcess::err() const {
    return readText(m_errFile);
}

ProcessResult runProcess(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, const fs::path& outputStem,
                         std::chrono::milliseconds timeout) {
    ChildProcess child(argv, environment, outputStem.string() + ".out",
                       outputStem.string() + ".err");
    const bool ended = child.waitForExit(timeout);
    if (!ended)
        child.stop();
    ProcessResult result = child.result();
    if (!ended) {
        result.status.reset();
        result.timedOut = true;
    }
    return result;
}

std::optional<fs::path> findExecutable(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return ::access(name.c_str(), X_OK) == 0 ? std::optional<fs::path>(name) : std::nullopt;
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
        std::error_code error;
        if (fs::is_regular_file(candidate, error) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::nullopt;
}

} // namespace ks::e2e

#include "platform/linux/agent_process.h"

#include "base/file_io.h"
#include "base/locations.h"
#include "base/log.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace ks {

namespace {

constexpr auto kAgentTimeLimit = std::chrono::seconds(120);

// Spawn attributes that give the child a clean start whatever the caller blocked or
// handled: no blocked signals, default dispositions for the usual ones. The child leads a
// process group of its own, so that a run past its time limit goes with all it started.
class SpawnAttributes {
public:
    SpawnAttributes() {
        posix_spawnattr_init(&m_attr);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&m_attr, &none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int signal : {SIGPIPE, SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGCHLD, SIGUSR1, SIGUSR2})
            sigaddset(&defaults, signal);
        posix_spawnattr_setsigdefault(&m_attr, &defaults);
        posix_spawnattr_setpgroup(&m_attr, 0);
        posix_spawnattr_setflags(&m_attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                              POSIX_SPAWN_SETPGROUP);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&m_attr); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    const posix_spawnattr_t* get() const { return &m_attr; }

private:
    posix_spawnattr_t m_attr;
};

class FileActions {
public:
    // `output`: where standard output goes instead, when not -1.
    explicit FileActions(bool quiet, int output = -1) {
        posix_spawn_file_actions_init(&m_actions);
        if (quiet)
            for (int fd : {STDOUT_FILENO, STDERR_FILENO})
                posix_spawn_file_actions_addopen(&m_actions, fd, "/dev/null", O_WRONLY, 0);
        if (output >= 0)
            posix_spawn_file_actions_adddup2(&m_actions, output, STDOUT_FILENO);
    }
    ~FileActions() { posix_spawn_file_actions_destroy(&m_actions); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    const posix_spawn_file_actions_t* get() const { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

std::optional<int> statusOf(int raw, const std::string& program) {
    if (WIFEXITED(raw))
        return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw))
        logLine(program + " was ended by signal " + std::to_string(WTERMSIG(raw)));
    return std::nullopt;
}

std::optional<int> waitFor(pid_t pid, std::chrono::seconds limit, const std::string& program) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        int raw = 0;
        const pid_t done = ::waitpid(pid, &raw, WNOHANG);
        if (done == pid)
            return statusOf(raw, program);
        if (done < 0 && errno != EINTR)
            return std::nullopt;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(-pid, SIGKILL);
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
            }
            logLine(program + " took longer than " + std::to_string(limit.count()) +
                    " s and was stopped");
            return std::nullopt;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
}

std::string withoutDeletedMark(std::string name) {
    constexpr std::string_view kDeleted = " (deleted)";
    if (name.ends_with(kDeleted))
        name.resize(name.size() - kDeleted.size());
    return name;
}

// The executable's file name: /proc/<pid>/exe, else the first word of its command line.
// (/proc/<pid>/comm is cut to 15 characters, shorter than the agent's name.)
std::string executableName(const std::filesystem::path& process) {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink(process / "exe", error);
    if (!error)
        return withoutDeletedMark(exe.filename().string());
    std::ifstream in(process / "cmdline", std::ios::binary);
    std::string first;
    std::getline(in, first, '\0');
    return std::filesystem::path(first).filename().string();
}

// The data home a process resolves from the environment it started with; none when that
// cannot be read.
std::optional<std::filesystem::path> dataHomeOf(const std::filesystem::path& process) {
    constexpr std::size_t kMaxEnvironment = std::size_t{4} << 20;
    const auto bytes = readWholeFile(process / "environ", kMaxEnvironment);
    if (!bytes)
        return std::nullopt;
    // NUL-terminated "NAME=value" entries.
    std::map<std::string, std::string, std::less<>> variables;
    std::string_view rest = asText(*bytes);
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\0'), rest.size());
        const std::string_view entry = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (const std::size_t equals = entry.find('='); equals != std::string_view::npos)
            variables.emplace(entry.substr(0, equals), entry.substr(equals + 1));
    }
    return Locations::dataHome([&](const char* name) -> const char* {
               const auto found = variables.find(std::string_view(name));
               return found == variables.end() ? nullptr : found->second.c_str();
           })
        .lexically_normal();
}

std::optional<pid_t> processId(const std::string& name) {
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos ||
        name.size() > 9)
        return std::nullopt;
    return static_cast<pid_t>(std::stol(name));
}

std::optional<pid_t> spawn(const std::vector<std::string>& argv, const FileActions& actions) {
    if (argv.empty() || argv.front().empty())
        return std::nullopt;
    std::vector<char*> pointers;
    for (const auto& word : argv)
        pointers.push_back(const_cast<char*>(word.c_str()));
    pointers.push_back(nullptr);
    const SpawnAttributes attributes;
    pid_t pid = -1;
    const bool bareName = argv.front().find('/') == std::string::npos;
    const int failed = bareName ? posix_spawnp(&pid, pointers[0], actions.get(), attributes.get(),
                                               pointers.data(), environ)
                                : posix_spawn(&pid, pointers[0], actions.get(), attributes.get(),
                                              pointers.data(), environ);
    if (failed != 0) {
        logLine("couldn't start " + argv.front() + ": " + std::strerror(failed));
        return std::nullopt;
    }
    return pid;
}

// Reads `fd` to its end or until `deadline`, at most `maxBytes`.
std::string readUntil(int fd, std::chrono::steady_clock::time_point deadline,
                      std::size_t maxBytes) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd ready{fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno == EINTR)
            continue;
        // A failed poll must not fall through to a read that could wait past the deadline.
        if (polled <= 0)
            break;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || text.size() + static_cast<std::size_t>(n) > maxBytes)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

} // namespace

std::optional<int> runProgram(const std::vector<std::string>& argv, std::chrono::seconds limit,
                              bool quiet) {
    const auto pid = spawn(argv, FileActions(quiet));
    return pid ? waitFor(*pid, limit, argv.front()) : std::nullopt;
}

std::optional<std::string> programOutput(const std::vector<std::string>& argv,
                                         std::chrono::seconds limit) {
    constexpr std::size_t kMaxOutput = std::size_t{1} << 20;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const auto pid = spawn(argv, FileActions(false, fds[1]));
    ::close(fds[1]);
    std::string text = pid ? readUntil(fds[0], deadline, kMaxOutput) : std::string();
    ::close(fds[0]);
    if (!pid)
        return std::nullopt;
    const auto left =
        std::chrono::ceil<std::chrono::seconds>(deadline - std::chrono::steady_clock::now());
    if (waitFor(*pid, std::max(left, std::chrono::seconds(0)), argv.front()) != 0)
        return std::nullopt;
    return text;
}

std::filesystem::path agentExecutable() {
    if (const char* chosen = std::getenv("KESTRANE_AGENT"); chosen && *chosen)
        return chosen;
    if (const auto dir = Locations::executableDir()) {
        const auto beside = *dir / kAgentExecutableName;
        if (::access(beside.c_str(), X_OK) == 0)
            return beside;
    }
    return std::filesystem::path(kAgentExecutableName);
}

std::optional<int> runAgent(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{agentExecutable().string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runProgram(argv, kAgentTimeLimit);
}

std::optional<int> AgentProcess::run() {
    return runAgent({});
}

// Only the agents of this session: those that work on the same store, which lies in the
// data home. Agents of other sessions or tests of the same user are left alone.
void AgentProcess::terminateRunning() {
    const uid_t user = ::getuid();
    const pid_t self = ::getpid();
    const auto dataHome = Locations::dataHome().lexically_normal();
    std::error_code error;
    std::filesystem::directory_iterator entry("/proc", error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const auto pid = processId(entry->path().filename().string());
        if (!pid || *pid == self)
            continue;
        struct stat info {};
        if (::stat(entry->path().c_str(), &info) != 0 || info.st_uid != user)
            continue;
        if (executableName(entry->path()) == m_executableName &&
            dataHomeOf(entry->path()) == dataHome)
            ::kill(*pid, SIGTERM);
    }
}

} // namespace ks

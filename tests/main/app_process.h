#pragma once

// The built application as a real process: output goes to files the test polls, and
// nothing is left running when the handle goes away.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace ks::test {

using namespace std::chrono_literals;

inline std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Polls `done` every few milliseconds until it holds or `timeout` passes.
inline bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 15s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

class AppProcess {
public:
    // Standard output and error go to files in `outputDir`, named after `tag`.
    AppProcess(const std::vector<std::string>& arguments, const std::filesystem::path& outputDir,
               const std::string& tag)
        : m_out(outputDir / (tag + ".out")), m_err(outputDir / (tag + ".err")) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        for (int fd : {1, 2})
            posix_spawn_file_actions_addopen(&actions, fd, (fd == 1 ? m_out : m_err).c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> all{KESTRANE_APP_PATH};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& argument : all)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, KESTRANE_APP_PATH, &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~AppProcess() {
        if (running()) {
            ::kill(m_pid, SIGKILL);
            waitForExit(5s);
        }
    }
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    bool running() {
        poll();
        return m_pid > 0 && !m_status;
    }
    // The exit status (-signal when killed), or none while it runs.
    std::optional<int> exitStatus() {
        poll();
        return m_status;
    }
    bool waitForExit(std::chrono::milliseconds timeout = 15s) {
        return waitUntil([this] { return !running(); }, timeout);
    }
    void signal(int number) {
        if (running())
            ::kill(m_pid, number);
    }

    std::string out() const { return readText(m_out); }
    std::string err() const { return readText(m_err); }
    bool waitForErr(const std::string& text, std::chrono::milliseconds timeout = 15s) {
        return waitUntil([&] { return err().find(text) != std::string::npos || !running(); },
                         timeout) &&
               err().find(text) != std::string::npos;
    }

private:
    void poll() {
        if (m_pid <= 0 || m_status)
            return;
        int raw = 0;
        if (::waitpid(m_pid, &raw, WNOHANG) == m_pid)
            m_status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
    }

    std::filesystem::path m_out;
    std::filesystem::path m_err;
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

struct AppRun {
    std::optional<int> status;
    std::string out, err;
};

inline AppRun runApp(const std::vector<std::string>& arguments,
                     const std::filesystem::path& outputDir, const std::string& tag = "run") {
    AppProcess process(arguments, outputDir, tag);
    process.waitForExit();
    return {process.exitStatus(), process.out(), process.err()};
}

// Writes an index and blob files into `root`/resources/wp; returns the resources folder.
inline std::filesystem::path writeTestLibrary(const std::filesystem::path& root,
                                              const std::string& index,
                                              const std::vector<std::string>& blobs) {
    const auto resources = root / "resources";
    std::filesystem::create_directories(resources / "wp");
    std::ofstream(resources / "wp" / "index.dat", std::ios::binary) << index;
    for (const auto& blob : blobs)
        std::ofstream(resources / "wp" / blob, std::ios::binary) << "not really a picture";
    return resources;
}

inline constexpr const char* kTwoPackIndex = R"({"packs": [
  {"id": "alps", "displayName": "Alps", "hasVariants": true, "coverFileName": null,
   "wallpapers": [
     {"fileName": "alps-1-light.jpg", "variant": "light", "blob": "a1.dat"},
     {"fileName": "alps-1-dark.jpg", "variant": "dark", "blob": "a2.dat"}]},
  {"id": "coast", "displayName": "Coast", "hasVariants": false, "extra": 1,
   "wallpapers": [{"fileName": "4k-sunset.png", "variant": "neutral", "blob": "c1.dat"}]}
]})";

inline const std::vector<std::string> kTwoPackBlobs{"a1.dat", "a2.dat", "c1.dat"};

} // namespace ks::test

#pragma once

#include "platform/desktop.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ks {

inline constexpr std::string_view kAgentExecutableName = "kestrane-wallpaper-agent";

// Runs a program without a shell and waits for it: `argv[0]` is a path, or a bare name looked
// up in PATH. Its exit status; none when it could not start, died of a signal or had to be
// killed after `limit` (with every process it started). With `quiet` its output goes
// nowhere.
std::optional<int> runProgram(const std::vector<std::string>& argv, std::chrono::seconds limit,
                              bool quiet = false);
// Runs a program as `runProgram` does and gives its standard output; none unless it
// exited with status 0.
std::optional<std::string> programOutput(const std::vector<std::string>& argv,
                                         std::chrono::seconds limit);

// The agent to run: $KESTRANE_AGENT, else the one beside the running executable, else the
// bare name for a PATH lookup.
std::filesystem::path agentExecutable();

// Runs the agent once with `arguments` and waits for its exit status.
std::optional<int> runAgent(const std::vector<std::string>& arguments);

// The desktop's wallpaper agent as a separate process.
class AgentProcess : public WallpaperAgent {
public:
    // `executableName`: the file name its processes are recognised by.
    explicit AgentProcess(std::string executableName = std::string(kAgentExecutableName))
        : m_executableName(std::move(executableName)) {}

    std::optional<int> run() override;
    void terminateRunning() override;

private:
    std::string m_executableName;
};

} // namespace ks

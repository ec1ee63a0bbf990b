#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace ks {

enum class AgentMode { ApplyStore, ListDisplays, SetPicture, Explain, Help };
enum class BackendKind { X11Root, Gnome, Command, Plasma, Xfce, Cinnamon, Mate, Lxqt, Sway };

struct AgentOptions {
    AgentMode mode = AgentMode::ApplyStore;
    std::optional<std::filesystem::path> store;
    std::optional<BackendKind> backend;
    std::optional<std::string> commandTemplate;
    // --set-picture UUID FILE-URL
    std::string uuid;
    std::string url;
};

struct UsageError {
    std::string message;
};

// The command line without the program name.
std::variant<AgentOptions, UsageError> parseAgentOptions(const std::vector<std::string>& arguments);

std::string agentUsage();

} // namespace ks

#include "agent/sway_backend.h"

#include "agent/desktop_tool.h"
#include "base/log.h"
#include "platform/linux/agent_process.h"

#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

namespace ks {

namespace {

constexpr auto kSwaymsgTimeLimit = std::chrono::seconds(30);
constexpr const char* kFailure = "kestrane-wallpaper-agent: sway: ";

struct SwayOutput {
    std::string name;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The active outputs of `swaymsg -t get_outputs -r`; none when that is not sway's list.
std::optional<std::vector<SwayOutput>> parseOutputs(const std::string& text) {
    const auto json = nlohmann::json::parse(text, nullptr, false);
    if (!json.is_array())
        return std::nullopt;
    std::vector<SwayOutput> outputs;
    for (const auto& entry : json) {
        if (!entry.is_object() || !entry.value("active", false))
            continue;
        const auto name = entry.find("name");
        const auto rect = entry.find("rect");
        if (name == entry.end() || !name->is_string() || rect == entry.end() || !rect->is_object())
            return std::nullopt;
        const auto number = [&](const char* key) {
            const auto value = rect->find(key);
            return value != rect->end() && value->is_number_integer() ? value->get<int>() : 0;
        };
        outputs.push_back({name->get<std::string>(), number("x"), number("y"), number("width"),
                           number("height")});
    }
    return outputs;
}

std::vector<const SwayOutput*> outputsFor(const AgentDisplay& display,
                                          const std::vector<SwayOutput>& outputs) {
    std::vector<const SwayOutput*> found;
    if (display.name == kAnyOutputName) {
        for (const auto& output : outputs)
            found.push_back(&output);
        return found;
    }
    for (const auto& output : outputs)
        if (output.name == display.name)
            return {&output};
    if (display.hasSize())
        for (const auto& output : outputs)
            if (output.x == display.x && output.y == display.y && output.width == display.width &&
                output.height == display.height)
                return {&output};
    return found;
}

} // namespace

SwayBackend::SwayBackend(PictureLoader& loader) : m_loader(loader) {}

std::optional<std::string> SwayBackend::swayFileArgument(const std::string& file) {
    if (file.find_first_of("\n\r") != std::string::npos)
        return std::nullopt;
    // Inside sway's double quotes, a single-quoted shell word for wordexp. Sway keeps the
    // backslashes it reads, so what must stay away from sway ('$' would be a sway variable, '"'
    // and '\' its own quoting) leaves the single quotes and is backslash-escaped for wordexp.
    std::string word = "\"'";
    for (const char c : file) {
        if (c == '\'')
            word += "'\\''";
        else if (c == '"' || c == '\\' || c == '$')
            word += std::string("'\\") + c + "'";
        else
            word.push_back(c);
    }
    return word + "'\"";
}

std::optional<std::string> SwayBackend::swayOutputArgument(const std::string& name) {
    if (name.find_first_of("\"\\\n\r") != std::string::npos)
        return std::nullopt;
    std::string word = "\"";
    for (const char c : name)
        word += c == '$' ? std::string("$$") : std::string(1, c);
    return word + "\"";
}

bool SwayBackend::show(const DisplayPlan& plan) {
    if (!m_loader.newPicturesUsable(plan))
        return false;
    if (!hasNewPicture(plan))
        return true;
    if (!toolInstalled("swaymsg")) {
        logLine(std::string(kFailure) + "swaymsg is not installed");
        return false;
    }
    const auto listed = programOutput({"swaymsg", "-t", "get_outputs", "-r"}, kSwaymsgTimeLimit);
    if (!listed) {
        logLine(std::string(kFailure) + "swaymsg -t get_outputs failed (is sway running?)");
        return false;
    }
    const auto outputs = parseOutputs(*listed);
    if (!outputs) {
        logLine(std::string(kFailure) + "swaymsg -t get_outputs gave no output list");
        return false;
    }
    // Every output is found before the first one changes.
    std::vector<std::pair<std::string, std::string>> commands;
    for (const auto& planned : plan) {
        if (!planned.picture)
            continue;
        const auto file = swayFileArgument(planned.picture->path().string());
        if (!file) {
            logLine(std::string(kFailure) +
                    "a file name with a line break can't be written in a sway command");
            return false;
        }
        const auto found = outputsFor(planned.display, *outputs);
        if (found.empty()) {
            logLine(std::string(kFailure) + "no active output for the display " +
                    planned.display.name);
            return false;
        }
        for (const SwayOutput* output : found) {
            const auto name = swayOutputArgument(output->name);
            if (!name) {
                logLine(std::string(kFailure) + "the output name " + output->name +
                        " can't be written in a sway command");
                return false;
            }
            commands.emplace_back(*name, *file);
        }
    }
    for (const auto& [name, file] : commands) {
        const auto status =
            runProgram({"swaymsg", "--", "output", name, "bg", file, "fill"}, kSwaymsgTimeLimit);
        if (status != 0) {
            logLine(std::string(kFailure) + "swaymsg output " + name + " bg failed (" +
                    (status ? "status " + std::to_string(*status) : std::string("no status")) +
                    ")");
            return false;
        }
    }
    return true;
}

} // namespace ks

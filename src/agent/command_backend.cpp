#include "agent/command_backend.h"

#include "agent/command_template.h"
#include "base/log.h"
#include "platform/linux/agent_process.h"

namespace ks {

namespace {

constexpr auto kCommandTimeLimit = std::chrono::seconds(60);

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

} // namespace

CommandBackend::CommandBackend(std::vector<std::string> words, PictureLoader& loader)
    : m_words(std::move(words)), m_loader(loader) {}

bool CommandBackend::show(const DisplayPlan& plan) {
    for (const auto& planned : plan)
        if (planned.picture && !m_loader.usable(*planned.picture))
            return false;
    for (const auto& planned : plan) {
        if (!planned.picture)
            continue;
        const auto argv =
            substituteCommand(m_words, planned.picture->path().string(), planned.display.name);
        const auto status = runProgram(argv, kCommandTimeLimit);
        if (status != 0) {
            logLine("kestrane-wallpaper-agent: the wallpaper command failed (" +
                    (status ? "status " + std::to_string(*status) : std::string("no status")) +
                    "): " + joined(argv));
            return false;
        }
    }
    return true;
}

} // namespace ks

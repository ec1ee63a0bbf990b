#include "agent/agent_options.h"
#include "agent/agent_run.h"

#include <csignal>
#include <iostream>

namespace {

int usageError(const std::string& message) {
    std::cerr << "kestrane-wallpaper-agent: " << message << "\n"
              << "Try 'kestrane-wallpaper-agent --help'.\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    using namespace ks;
    // An X server or a desktop service that goes away mid-write is a failure to report, not
    // a reason to die silently.
    std::signal(SIGPIPE, SIG_IGN);
    const auto parsed = parseAgentOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto* error = std::get_if<UsageError>(&parsed))
        return usageError(error->message);
    const auto& options = std::get<AgentOptions>(parsed);
    switch (options.mode) {
    case AgentMode::Help:
        std::cout << agentUsage();
        return 0;
    case AgentMode::ListDisplays: {
        const int status = listDisplays(std::cout);
        // Standard error, so that the listing stays one line per display.
        const auto backend = resolveBackend(options);
        if (const auto* setup = std::get_if<BackendSetup>(&backend))
            explainBackend(*setup, std::cerr);
        return status;
    }
    case AgentMode::ApplyStore:
    case AgentMode::SetPicture:
    case AgentMode::Explain:
        break;
    }
    const auto backend = resolveBackend(options);
    if (const auto* error = std::get_if<UsageError>(&backend))
        return usageError(error->message);
    const auto& setup = std::get<BackendSetup>(backend);
    if (options.mode == AgentMode::Explain)
        return explainBackend(setup, std::cout);
    return options.mode == AgentMode::SetPicture ? setOnePicture(options, setup)
                                                 : applyStore(options, setup);
}

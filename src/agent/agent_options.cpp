#include "agent/agent_options.h"

#include "agent/backend_choice.h"

namespace ks {

namespace {

// Takes the value of `--name VALUE` or `--name=VALUE`; `index` moves past what was used.
std::optional<std::string> valueOf(const std::vector<std::string>& arguments, std::size_t& index,
                                   std::string_view name) {
    const std::string& argument = arguments[index];
    if (argument.size() > name.size() && argument.starts_with(name) && argument[name.size()] == '=')
        return argument.substr(name.size() + 1);
    if (index + 1 >= arguments.size())
        return std::nullopt;
    return arguments[++index];
}

struct Parser {
    const std::vector<std::string>& arguments;
    AgentOptions options;
    bool modeSet = false;

    std::optional<UsageError> setMode(AgentMode mode, const std::string& argument) {
        if (modeSet)
            return UsageError{argument + " cannot be combined with another mode"};
        modeSet = true;
        options.mode = mode;
        return std::nullopt;
    }

    std::optional<UsageError> option(std::size_t& i) {
        const std::string& argument = arguments[i];
        const auto is = [&](std::string_view name) {
            return argument == name || argument.starts_with(std::string(name) + "=");
        };
        if (argument == "--help" || argument == "-h")
            return setMode(AgentMode::Help, argument);
        if (argument == "--list-displays")
            return setMode(AgentMode::ListDisplays, argument);
        if (argument == "--explain")
            return setMode(AgentMode::Explain, argument);
        if (argument == "--set-picture") {
            if (i + 2 >= arguments.size())
                return UsageError{"--set-picture needs a display UUID and a file URL"};
            options.uuid = arguments[++i];
            options.url = arguments[++i];
            return setMode(AgentMode::SetPicture, argument);
        }
        if (is("--store")) {
            const auto value = valueOf(arguments, i, "--store");
            if (!value || value->empty())
                return UsageError{"--store needs a file"};
            options.store = *value;
            return std::nullopt;
        }
        if (is("--backend")) {
            const auto value = valueOf(arguments, i, "--backend");
            options.backend = value ? backendFromName(*value) : std::nullopt;
            if (!options.backend)
                return UsageError{"--backend takes one of " + backendNames()};
            return std::nullopt;
        }
        if (is("--command")) {
            const auto value = valueOf(arguments, i, "--command");
            if (!value)
                return UsageError{"--command needs a template"};
            options.commandTemplate = *value;
            return std::nullopt;
        }
        return UsageError{"unknown argument: " + argument};
    }
};

} // namespace

std::variant<AgentOptions, UsageError>
parseAgentOptions(const std::vector<std::string>& arguments) {
    Parser parser{arguments, {}};
    for (std::size_t i = 0; i < arguments.size(); ++i)
        if (auto error = parser.option(i))
            return *error;
    if (parser.options.store && parser.options.mode != AgentMode::ApplyStore)
        return UsageError{"--store is used only when applying the store"};
    return parser.options;
}

std::string agentUsage() {
    return "Usage: kestrane-wallpaper-agent [--store FILE] [--backend NAME] [--command TEMPLATE]\n"
           "       kestrane-wallpaper-agent --set-picture UUID FILE-URL [--backend NAME]\n"
           "       kestrane-wallpaper-agent --list-displays\n"
           "       kestrane-wallpaper-agent --explain [--backend NAME] [--command TEMPLATE]\n"
           "\n"
           "Shows the pictures of the wallpaper store on the desktop, or one picture on one\n"
           "display, and exits.\n"
           "\n"
           "  --store FILE         the store to apply (default:\n"
           "                       $XDG_DATA_HOME/kestrane-wallpaper-agent/Store/Index.plist)\n"
           "  --backend NAME       x11-root, gnome, command, plasma, xfce, cinnamon, mate,\n"
           "                       lxqt or sway (default: from $XDG_CURRENT_DESKTOP and the\n"
           "                       session; see --explain)\n"
           "  --command TEMPLATE   the command of the command backend, run once per display\n"
           "                       with {file} and {output} replaced (default:\n"
           "                       $KESTRANE_WALLPAPER_COMMAND)\n"
           "  --set-picture UUID FILE-URL\n"
           "                       puts one picture on one display; the others keep theirs\n"
           "  --list-displays      prints UUID, output name and WIDTHxHEIGHT+X+Y per display\n"
           "                       (and the backend on standard error)\n"
           "  --explain            prints which backend a run would use and why\n"
           "\n"
           "Exit status: 0 done, 1 failed (the store was rejected, or no backend draws on\n"
           "this desktop), 2 bad usage.\n";
}

} // namespace ks

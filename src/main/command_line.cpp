#include "main/command_line.h"

namespace ks {

CommandLine CommandLine::parse(const std::vector<std::string_view>& arguments) {
    CommandLine line;
    for (const auto argument : arguments) {
        if (argument == "--list-packs")
            line.listPacks = true;
        else if (argument == "--enable-login")
            line.enableLogin = true;
        else if (argument == "--login-status")
            line.loginStatus = true;
        else if (argument == "--settings")
            line.settings = true;
        else if (argument == "--welcome")
            line.welcome = true;
        else if (argument == "--next" || argument == "--previous" || argument == "--pause" ||
                 argument == "--resume" || argument == "--status")
            line.requests.emplace_back(argument.substr(2));
    }
    return line;
}

CommandLine CommandLine::parse(int argc, char** argv) {
    std::vector<std::string_view> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return parse(arguments);
}

std::string enableLoginLine(const LoginItemResult& result) {
    if (result.ok)
        return "launch at login: registered";
    return "launch at login registration failed: " + result.error;
}

std::string loginStatusLine(int status) {
    if (status == LoginItems::kStatusEnabled)
        return "launch at login status: enabled";
    return "launch at login status: not enabled (raw " + std::to_string(status) + ")";
}

} // namespace ks

#pragma once

#include "platform/login_items.h"

#include <string>
#include <string_view>
#include <vector>

namespace ks {

// The options the application understands; each counts when it appears anywhere after the
// program name, spelled exactly.
struct CommandLine {
    bool listPacks = false;
    bool enableLogin = false;
    bool loginStatus = false;
    bool settings = false;
    bool welcome = false;
    // What to ask of the running copy, in the order given: the words of "--next",
    // "--previous", "--pause", "--resume" and "--status" without their dashes.
    std::vector<std::string> requests;

    static CommandLine parse(const std::vector<std::string_view>& arguments);
    static CommandLine parse(int argc, char** argv);
};

// The word the running copy answers with its status.
inline constexpr std::string_view kStatusRequest = "status";

// What "--enable-login" prints.
std::string enableLoginLine(const LoginItemResult& result);
// What "--login-status" prints.
std::string loginStatusLine(int status);

} // namespace ks

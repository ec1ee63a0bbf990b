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

    static CommandLine parse(const std::vector<std::string_view>& arguments);
    static CommandLine parse(int argc, char** argv);
};

// What "--enable-login" prints.
std::string enableLoginLine(const LoginItemResult& result);
// What "--login-status" prints.
std::string loginStatusLine(int status);

} // namespace ks

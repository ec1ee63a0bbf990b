#pragma once

#include <memory>
#include <string>

namespace ks {

// The outcome of a login-item change: success, or what went wrong in words fit for the
// command line and the log.
struct LoginItemResult {
    bool ok = false;
    std::string error;

    static LoginItemResult success() { return {true, {}}; }
    static LoginItemResult failure(std::string description) {
        return {false, std::move(description)};
    }
};

// Whether the application opens when the user logs in.
class LoginItems {
public:
    static constexpr int kStatusNotRegistered = 0;
    static constexpr int kStatusEnabled = 1;

    virtual ~LoginItems() = default;

    // A small number: kStatusEnabled when the application opens at login, otherwise another
    // value that callers show as it is.
    virtual int status() const = 0;
    virtual LoginItemResult enable() = 0;
    virtual LoginItemResult disable() = 0;
};

// The implementation for the platform being built.
std::unique_ptr<LoginItems> makeLoginItems();

} // namespace ks

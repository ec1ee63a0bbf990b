#include "platform/linux/sysfs_power_source.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace ks {

namespace {

constexpr const char* kDefaultRoot = "/sys/class/power_supply";

// One attribute of a supply, without its trailing newline; none when it cannot be read.
// Attributes are a few bytes; a longer file is not one.
std::optional<std::string> attribute(const std::filesystem::path& supply, const char* name) {
    const int fd = ::open((supply / name).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    std::array<char, 128> buffer{};
    ssize_t length = -1;
    do {
        length = ::read(fd, buffer.data(), buffer.size());
    } while (length < 0 && errno == EINTR);
    ::close(fd);
    if (length < 0 || static_cast<std::size_t>(length) == buffer.size())
        return std::nullopt;
    std::string_view value(buffer.data(), static_cast<std::size_t>(length));
    while (!value.empty() && (value.back() == '\n' || value.back() == ' '))
        value.remove_suffix(1);
    return std::string(value);
}

// Supplies that power the machine from outside. UPS units report their own state and are
// left out, as are batteries and unknown kinds.
bool isExternalSupply(std::string_view type) {
    return type == "Mains" || type == "USB" || type.starts_with("USB_") || type == "Wireless" ||
           type == "BrickID";
}

} // namespace

SysfsPowerSource::SysfsPowerSource() {
    const char* root = std::getenv("KESTRANE_POWER_SUPPLY_ROOT");
    m_root = root && *root ? std::filesystem::path(root) : std::filesystem::path(kDefaultRoot);
}

bool SysfsPowerSource::isOnBattery() const {
    std::error_code error;
    std::filesystem::directory_iterator entries(m_root, error);
    if (error)
        return false;
    bool discharging = false;
    bool externalOnline = false;
    // A supply that cannot be read might be the adapter that is plugged in.
    bool unknown = false;
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::filesystem::path& supply = entries->path();
        const auto type = attribute(supply, "type");
        if (!type) {
            unknown = true;
            continue;
        }
        // A peripheral's battery says nothing about what powers the machine.
        if (attribute(supply, "scope") == "Device")
            continue;
        if (*type == "Battery") {
            discharging = discharging || attribute(supply, "status") == "Discharging";
        } else if (isExternalSupply(*type)) {
            const auto online = attribute(supply, "online");
            unknown = unknown || !online;
            externalOnline = externalOnline || online == "1";
        }
    }
    return !error && !unknown && discharging && !externalOnline;
}

} // namespace ks

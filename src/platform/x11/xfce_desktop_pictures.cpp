#include "platform/x11/xfce_desktop_pictures.h"

#include "platform/linux/agent_process.h"

#include <sstream>

namespace ks {

namespace {

constexpr auto kXfconfTimeLimit = std::chrono::seconds(5);
constexpr std::string_view kPrefix = "/backdrop/screen0/monitor";
constexpr std::string_view kSuffix = "/workspace0/last-image";

// The property's value, none when it is missing; inside, none when it names no picture file.
std::optional<std::optional<std::filesystem::path>> imageOf(const std::string& property) {
    auto value =
        programOutput({"xfconf-query", "-c", "xfce4-desktop", "-p", property}, kXfconfTimeLimit);
    if (!value)
        return std::nullopt;
    // The value ends with the one line break xfconf-query adds; a name may end with spaces.
    if (value->ends_with('\n'))
        value->pop_back();
    if (value->empty() || value->front() != '/')
        return std::optional<std::filesystem::path>();
    return std::filesystem::path(*value).lexically_normal();
}

std::optional<std::string> firstMonitorProperty() {
    const auto listing =
        programOutput({"xfconf-query", "-c", "xfce4-desktop", "-l"}, kXfconfTimeLimit);
    if (!listing)
        return std::nullopt;
    std::istringstream lines(*listing);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with(kPrefix) && line.ends_with(kSuffix) &&
            line.size() > kPrefix.size() + kSuffix.size())
            return line;
    return std::nullopt;
}

} // namespace

std::optional<std::filesystem::path>
XfceDesktopPictures::currentPicture(const PlatformScreen& screen) {
    if (!screen.display.name.empty())
        if (auto image = imageOf(std::string(kPrefix) + screen.display.name + std::string(kSuffix)))
            return *image;
    const auto first = firstMonitorProperty();
    const auto image = first ? imageOf(*first) : std::nullopt;
    return image ? *image : std::nullopt;
}

} // namespace ks

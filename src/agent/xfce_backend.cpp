#include "agent/xfce_backend.h"

#include "agent/desktop_tool.h"
#include "base/log.h"
#include "platform/linux/agent_process.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace ks {

namespace {

constexpr auto kXfconfTimeLimit = std::chrono::seconds(30);
constexpr const char* kChannel = "xfce4-desktop";
constexpr std::string_view kMonitorPrefix = "/backdrop/screen0/monitor";
constexpr std::string_view kWorkspacePrefix = "/workspace";
constexpr std::string_view kLastImage = "/last-image";
// xfdesktop's "zoomed": fills the monitor, cropping what sticks out.
constexpr const char* kZoomed = "5";
// More workspaces than anyone keeps; a garbled count cannot make thousands of properties.
constexpr int kMaxWorkspaces = 64;

void fail(const std::string& reason) {
    logLine("kestrane-wallpaper-agent: Xfce: " + reason);
}

// One monitor's backdrop on one workspace: the property folder that holds its last-image and
// image-style.
struct Backdrop {
    std::string monitor;
    std::string folder;
};

// "/backdrop/screen0/monitor<NAME>/workspace<N>/last-image"; monitor names are RandR output
// names (monitorHDMI-1), or numbers on Xfce before 4.12 (monitor0).
std::optional<Backdrop> backdropOf(std::string_view property) {
    if (!property.starts_with(kMonitorPrefix) || !property.ends_with(kLastImage))
        return std::nullopt;
    const std::string_view folder = property.substr(0, property.size() - kLastImage.size());
    const auto slash = folder.rfind('/');
    if (slash == std::string_view::npos || slash <= kMonitorPrefix.size())
        return std::nullopt;
    const std::string_view workspace = folder.substr(slash);
    if (!workspace.starts_with(kWorkspacePrefix) || workspace.size() == kWorkspacePrefix.size() ||
        !std::ranges::all_of(workspace.substr(kWorkspacePrefix.size()),
                             [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return std::nullopt;
    return Backdrop{
        std::string(folder.substr(kMonitorPrefix.size(), slash - kMonitorPrefix.size())),
        std::string(folder)};
}

// xfconfd refuses property names with other characters (spaces, "@", "(", non-ASCII…).
bool fitsPropertyName(std::string_view name) {
    constexpr std::string_view kAllowed = "_-:.,[]{}<>|";
    return !name.empty() && std::ranges::all_of(name, [&](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) ||
               kAllowed.find(c) != std::string_view::npos;
    });
}

std::vector<Backdrop> listedBackdrops(const std::string& listing) {
    std::vector<Backdrop> backdrops;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);)
        if (auto backdrop = backdropOf(line))
            backdrops.push_back(std::move(*backdrop));
    return backdrops;
}

// xfwm4's count, which xfdesktop keeps one backdrop for each of; 1 where it is not set.
int workspaceCount() {
    const auto text = programOutput(
        {"xfconf-query", "-c", "xfwm4", "-p", "/general/workspace_count"}, kXfconfTimeLimit);
    int count = 1;
    if (text) {
        const char* end = text->data() + text->size();
        const auto [at, error] = std::from_chars(text->data(), end, count);
        if (error != std::errc() || (at != end && !std::isspace(static_cast<unsigned char>(*at))))
            count = 1;
    }
    return std::clamp(count, 1, kMaxWorkspaces);
}

bool setProperty(const std::string& property, const char* type, const std::string& value) {
    // -n creates the property where it is missing and sets it where it is there. The value is
    // an absolute path or a number, so xfconf-query cannot take it for an option.
    if (runProgram({"xfconf-query", "-c", kChannel, "-p", property, "-n", "-t", type, "-s", value},
                   kXfconfTimeLimit) == 0)
        return true;
    fail("xfconf-query failed: couldn't set " + property + " in " + kChannel);
    return false;
}

} // namespace

XfceBackend::XfceBackend(PictureLoader& loader) : m_loader(loader) {}

bool XfceBackend::show(const DisplayPlan& plan) {
    const auto first =
        std::ranges::find_if(plan, [](const auto& p) { return p.picture.has_value(); });
    if (first == plan.end())
        return true;
    for (const auto& planned : plan)
        if (planned.picture && !m_loader.usable(*planned.picture))
            return false;

    // Asked first so that a missing xfconf is said in this backend's one line.
    if (!toolInstalled("xfconf-query")) {
        fail("xfconf-query failed: not found in PATH (is xfconf installed?)");
        return false;
    }
    const auto listing = programOutput({"xfconf-query", "-c", kChannel, "-l"}, kXfconfTimeLimit);
    if (!listing) {
        fail("xfconf-query failed: couldn't list the " + std::string(kChannel) +
             " channel (is xfconf installed, with a session bus?)");
        return false;
    }

    // Property folder → the picture path it is to show.
    std::map<std::string, std::string> targets;
    std::vector<std::string> listedMonitors;
    for (const auto& backdrop : listedBackdrops(*listing)) {
        listedMonitors.push_back(backdrop.monitor);
        const auto display = std::ranges::find_if(
            plan, [&](const auto& p) { return p.display.name == backdrop.monitor; });
        // A monitor the plan does not know (a number on old Xfce, the stand-in display without
        // X) gets the plan's picture, as one picture for all does.
        if (display == plan.end())
            targets[backdrop.folder] = first->picture->path().string();
        else if (display->picture)
            targets[backdrop.folder] = display->picture->path().string();
    }

    // Displays xfdesktop has no backdrop for yet (a fresh session) get one on every workspace.
    std::vector<const PlannedDisplay*> missing;
    for (const auto& planned : plan)
        if (planned.picture && planned.display.name != kAnyOutputName &&
            std::ranges::find(listedMonitors, planned.display.name) == listedMonitors.end())
            missing.push_back(&planned);
    for (const auto* planned : missing) {
        if (!fitsPropertyName(planned->display.name)) {
            fail("the display name \"" + planned->display.name +
                 "\" can't be part of an xfconf property name");
            return false;
        }
    }
    if (!missing.empty()) {
        const int workspaces = workspaceCount();
        for (const auto* planned : missing)
            for (int n = 0; n < workspaces; ++n)
                targets[std::string(kMonitorPrefix) + planned->display.name +
                        std::string(kWorkspacePrefix) + std::to_string(n)] =
                    planned->picture->path().string();
    }
    if (targets.empty()) {
        fail("no monitor backdrop in " + std::string(kChannel) +
             " and no display name to make one");
        return false;
    }

    for (const auto& [folder, picture] : targets)
        if (!setProperty(folder + "/image-style", "int", kZoomed) ||
            !setProperty(folder + std::string(kLastImage), "string", picture))
            return false;
    return true;
}

} // namespace ks

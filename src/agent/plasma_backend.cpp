#include "agent/plasma_backend.h"

#include "agent/desktop_tool.h"
#include "base/log.h"
#include "platform/linux/agent_process.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace ks {

namespace {

constexpr auto kDbusSendTimeLimit = std::chrono::seconds(30);
constexpr const char* kFailure = "kestrane-wallpaper-agent: KDE Plasma: ";

// A JavaScript string literal: JSON escapes quotes, backslashes and control characters, and
// with every non-ASCII character as \uXXXX neither U+2028 nor U+2029 can end the line.
std::string jsString(const std::string& text) {
    return nlohmann::json(text).dump(-1, ' ', true, nlohmann::json::error_handler_t::replace);
}

// The script's logic, fed with `displays` and `fallback`. A desktop off every screen (another
// activity's) is left alone unless the one picture goes everywhere.
constexpr std::string_view kScriptBody = R"js(
var all = desktops();
var chosen = [];
var matched = true;
var used = [];
for (var i = 0; i < all.length; ++i) {
    var found = null;
    if (all[i].screen >= 0) {
        var g = screenGeometry(all[i].screen);
        for (var j = 0; j < displays.length && !found; ++j) {
            var d = displays[j];
            if (g.x == d.x && g.y == d.y && g.width == d.width && g.height == d.height) {
                found = d;
                used[j] = true;
            }
        }
        if (!found)
            matched = false;
    }
    chosen.push(found);
}
for (var j = 0; j < displays.length; ++j)
    if (displays[j].url !== null && !used[j])
        matched = false;
var set = 0;
for (var i = 0; i < all.length; ++i) {
    var url = matched ? (chosen[i] ? chosen[i].url : null) : fallback;
    if (url === null)
        continue;
    var desktop = all[i];
    desktop.wallpaperPlugin = "org.kde.image";
    desktop.currentConfigGroup = ["Wallpaper", "org.kde.image", "General"];
    desktop.writeConfig("Image", url);
    desktop.writeConfig("FillMode", 2);
    ++set;
}
if (set == 0)
    throw new Error("no Plasma desktop to put the picture on");
)js";

// What the shell answered, without dbus-send's header line, cut to one short line.
std::string answerOf(const std::string& reply) {
    const std::size_t at = reply.find("string \"");
    std::string text = at == std::string::npos ? reply : reply.substr(at + 8);
    std::ranges::replace(text, '\n', ' ');
    return text.substr(0, 200);
}

} // namespace

PlasmaBackend::PlasmaBackend(PictureLoader& loader) : m_loader(loader) {}

std::string PlasmaBackend::script(const DisplayPlan& plan) {
    std::string displays = "var displays = [";
    std::string fallback = "null";
    for (const auto& planned : plan) {
        const auto& d = planned.display;
        const std::string url =
            planned.picture ? jsString(planned.picture->absoluteString()) : std::string("null");
        if (planned.picture && fallback == "null")
            fallback = url;
        if (!d.hasSize())
            continue;
        displays += (displays.ends_with("[") ? "" : ", ") + std::string("{x: ") +
                    std::to_string(d.x) + ", y: " + std::to_string(d.y) +
                    ", width: " + std::to_string(d.width) +
                    ", height: " + std::to_string(d.height) + ", url: " + url + "}";
    }
    return displays + "];\nvar fallback = " + fallback + ";" + std::string(kScriptBody) +
           "print(\"" + std::string(kPlasmaScriptDone) + "\");\n";
}

bool PlasmaBackend::show(const DisplayPlan& plan) {
    if (!m_loader.newPicturesUsable(plan))
        return false;
    if (!hasNewPicture(plan))
        return true;
    if (!toolInstalled("dbus-send")) {
        logLine(std::string(kFailure) + "dbus-send is not installed (package dbus)");
        return false;
    }
    const auto reply =
        programOutput({"dbus-send", "--session", "--print-reply", "--reply-timeout=25000",
                       "--dest=org.kde.plasmashell", "/PlasmaShell",
                       "org.kde.PlasmaShell.evaluateScript", "string:" + script(plan)},
                      kDbusSendTimeLimit);
    if (!reply) {
        logLine(std::string(kFailure) +
                "the shell did not run the wallpaper script (dbus-send failed; is plasmashell "
                "running on this session bus?)");
        return false;
    }
    // The shell answers a script that threw with its error text instead of what it printed.
    if (reply->find("\"" + std::string(kPlasmaScriptDone)) == std::string::npos) {
        logLine(std::string(kFailure) + "the wallpaper script failed: " + answerOf(*reply));
        return false;
    }
    return true;
}

} // namespace ks

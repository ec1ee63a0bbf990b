#include "agent/agent_run.h"

#include "agent/agent_state.h"
#include "agent/backend_choice.h"
#include "agent/command_backend.h"
#include "agent/command_template.h"
#include "agent/gsettings_desktop_backend.h"
#include "agent/lxqt_backend.h"
#include "agent/picture_plan.h"
#include "agent/plasma_backend.h"
#include "agent/run_lock.h"
#include "agent/sway_backend.h"
#include "agent/x11_root_backend.h"
#include "agent/xfce_backend.h"
#include "base/file_io.h"
#include "base/log.h"
#include "base/property_list.h"
#include "platform/x11/randr_displays.h"

#include <cstdlib>
#include <memory>
#include <plist/plist.h>

namespace ks {

namespace {

constexpr std::size_t kMaxStoreBytes = std::size_t{16} << 20;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::vector<AgentDisplay> currentDisplays() {
    std::vector<AgentDisplay> displays;
    for (const auto& d : activeDisplays())
        displays.push_back({d.uuid, d.name, d.x, d.y, d.width, d.height});
    return displays;
}

std::unique_ptr<DesktopBackend> makeBackend(const BackendSetup& setup, PictureLoader& loader) {
    if (!setup.kind)
        return nullptr;
    switch (*setup.kind) {
    case BackendKind::X11Root:
        return std::make_unique<X11RootBackend>(loader);
    case BackendKind::Gnome:
        return std::make_unique<GsettingsDesktopBackend>(kGnomeDesktop, loader, agentDataDir());
    case BackendKind::Command:
        return std::make_unique<CommandBackend>(setup.commandWords, loader);
    case BackendKind::Xfce:
        return std::make_unique<XfceBackend>(loader);
    case BackendKind::Cinnamon:
        return std::make_unique<GsettingsDesktopBackend>(kCinnamonDesktop, loader, agentDataDir());
    case BackendKind::Mate:
        return std::make_unique<GsettingsDesktopBackend>(kMateDesktop, loader, agentDataDir());
    case BackendKind::Plasma:
        return std::make_unique<PlasmaBackend>(loader);
    case BackendKind::Lxqt:
        return std::make_unique<LxqtBackend>(loader, agentDataDir());
    case BackendKind::Sway:
        return std::make_unique<SwayBackend>(loader);
    }
    return nullptr;
}

bool show(const BackendSetup& setup, const DisplayPlan& plan) {
    PictureLoader loader;
    const auto backend = makeBackend(setup, loader);
    if (!backend) {
        // A desktop that paints over the root window must not get the root window's
        // picture: that would report success while nothing visibly changes.
        if (!setup.kind)
            logLine("kestrane-wallpaper-agent: " + noBackendMessage(setup.choice));
        return false;
    }
    return backend->show(plan);
}

void recordShown(const AgentFiles& files, const DisplayPlan& plan, ShownPictures shown) {
    for (const auto& planned : plan)
        if (planned.picture && !planned.display.uuid.empty())
            shown[planned.display.uuid] = planned.picture->absoluteString();
    if (!saveShownPictures(files.shown, shown))
        logLine("kestrane-wallpaper-agent: couldn't record what the displays show in " +
                files.shown.string());
}

RunLock lockRuns() {
    return RunLock(agentDataDir() / "agent.lock");
}

int reject(const AgentFiles& files, ByteView bytes, const std::string& reason) {
    const std::string undone = putBackRejectedStore(files, bytes);
    logLine("kestrane-wallpaper-agent: rejected the store " + files.store.string() + ": " + reason +
            "; " + undone);
    return 1;
}

} // namespace

std::variant<BackendSetup, UsageError> resolveBackend(const AgentOptions& options) {
    const std::string text = options.commandTemplate ? *options.commandTemplate
                                                     : environment("KESTRANE_WALLPAPER_COMMAND");
    BackendSetup setup;
    setup.session = sessionFromEnvironment();
    setup.session.haveCommandTemplate = !text.empty();
    setup.session.x11Reachable = x11DisplayReachable();
    setup.kind = options.backend;
    setup.choice = setup.kind ? BackendChoice{setup.kind, {}, "asked for with --backend"}
                              : chooseBackend(setup.session);
    setup.kind = setup.choice.kind;
    if (setup.kind == BackendKind::Command) {
        if (text.empty())
            return UsageError{"the command backend needs --command TEMPLATE or "
                              "KESTRANE_WALLPAPER_COMMAND"};
        const auto words = splitCommandTemplate(text);
        if (!words)
            return UsageError{"the wallpaper command has an unclosed quote: " + text};
        setup.commandWords = *words;
    }
    return setup;
}

int applyStore(const AgentOptions& options, const BackendSetup& backend) {
    const RunLock lock = lockRuns();
    const AgentFiles files = agentFiles(options.store);
    std::error_code error;
    if (!std::filesystem::exists(files.store, error) && !error) {
        logLine("kestrane-wallpaper-agent: no store at " + files.store.string() +
                "; nothing to show");
        return 0;
    }
    const auto bytes = readWholeFile(files.store, kMaxStoreBytes);
    if (!bytes)
        return reject(files, {}, "it can't be read");
    const PlistPtr store = parsePropertyList(*bytes);
    if (!store || plist_get_node_type(static_cast<plist_t>(store.get())) != PLIST_DICT)
        return reject(files, *bytes, "it is not a property list holding a dictionary");

    const ShownPictures shown = loadShownPictures(files.shown);
    auto plan = planStore(store.get(), currentDisplays(), shown);
    if (const auto* failure = std::get_if<PlanError>(&plan))
        return reject(files, *bytes, failure->message);
    const auto& displays = std::get<DisplayPlan>(plan);
    if (!show(backend, displays))
        return reject(files, *bytes, "its pictures couldn't be shown");

    if (!rememberAppliedStore(files, *bytes))
        logLine("kestrane-wallpaper-agent: couldn't keep a copy of the applied store in " +
                files.applied.string());
    recordShown(files, displays, shown);
    return 0;
}

int setOnePicture(const AgentOptions& options, const BackendSetup& backend) {
    const RunLock lock = lockRuns();
    const AgentFiles files = agentFiles(std::nullopt);
    const ShownPictures shown = loadShownPictures(files.shown);
    auto plan = planOnePicture(options.uuid, options.url, currentDisplays(), shown);
    if (const auto* failure = std::get_if<PlanError>(&plan)) {
        logLine("kestrane-wallpaper-agent: can't set the picture: " + failure->message);
        return 1;
    }
    const auto& displays = std::get<DisplayPlan>(plan);
    if (!show(backend, displays)) {
        logLine("kestrane-wallpaper-agent: couldn't show " + options.url + " on " + options.uuid);
        return 1;
    }
    recordShown(files, displays, shown);
    return 0;
}

int explainBackend(const BackendSetup& backend, std::ostream& out) {
    out << "session: " << describeSession(backend.session) << '\n';
    if (backend.kind)
        out << "backend: " << backendName(*backend.kind) << " (" << backend.choice.reason << ")\n";
    else
        out << "backend: none: " << noBackendMessage(backend.choice) << '\n';
    return 0;
}

int listDisplays(std::ostream& out) {
    if (!x11DisplayReachable()) {
        logLine("kestrane-wallpaper-agent: can't open the X display");
        return 1;
    }
    for (const auto& d : activeDisplays())
        out << d.uuid << '\t' << d.name << '\t' << d.width << 'x' << d.height
            << (d.x < 0 ? "" : "+") << d.x << (d.y < 0 ? "" : "+") << d.y << '\n';
    return 0;
}

} // namespace ks

#include "settings_rig.h"

#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <system_error>
#include <utility>

namespace ks::bench {

namespace fs = std::filesystem;

double milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double residentMB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024;
    return 0;
}

void runLoopFor(Clock::duration span) {
    QEventLoop loop;
    QTimer::singleShot(std::chrono::duration_cast<std::chrono::milliseconds>(span), &loop,
                       &QEventLoop::quit);
    loop.exec();
}

BenchHome::BenchHome(const std::string& name) {
    std::string pattern = "/tmp/" + name + ".XXXXXX";
    if (const char* made = ::mkdtemp(pattern.data()))
        root = made;
    for (const auto& [variable, dir] : {std::pair{"HOME", ""},
                                        {"XDG_DATA_HOME", "data"},
                                        {"XDG_CONFIG_HOME", "config"},
                                        {"XDG_CACHE_HOME", "cache"},
                                        {"XDG_RUNTIME_DIR", "runtime"}}) {
        const fs::path path = root / dir;
        std::error_code error;
        fs::create_directories(path, error);
        fs::permissions(path, fs::perms::owner_all, error);
        ::setenv(variable, path.c_str(), 1);
    }
}

BenchHome::~BenchHome() {
    std::error_code error;
    if (!root.empty())
        fs::remove_all(root, error);
}

SettingsRig::SettingsRig(const fs::path& home) : defaults(home / "settings.plist", loop) {
    MainLoop::setShared(&loop);
    ThumbnailCache::setShared(&thumbnails);
    SettingsStore::setShared(&settings);
    library.rescan();
}

SettingsRig::~SettingsRig() {
    controller.reset();
    SettingsStore::setShared(nullptr);
    ThumbnailCache::setShared(nullptr);
    MainLoop::setShared(nullptr);
}

void SettingsRig::makeController() {
    SettingsWindowServices services{settings, library,
                                    nullptr,  loginItems,
                                    loop,     [](const NamePrompt&) { return std::nullopt; }};
    controller = std::make_unique<SettingsWindowController>(
        std::move(services), [](const Wallpaper&) {}, [] { return false; }, [] {});
}

} // namespace ks::bench

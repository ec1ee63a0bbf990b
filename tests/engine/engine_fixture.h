#pragma once

#include "base/manual_loop.h"
#include "engine/presentation.h"
#include "engine/wallpaper_engine.h"
#include "library/library.h"
#include "library/library_index.h"
#include "platform/appearance.h"
#include "settings/settings_store.h"
#include "support/platform_fakes.h"
#include "support/temp_home.h"

#include <ctime>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace ks::test {

// Records what the engine asks of the displays.
class FakePresentation final : public Presentation {
public:
    int screens = 1;
    std::vector<PresentationRequest> requests;
    int coverRebuilds = 0;
    int reapplies = 0;
    int captures = 0;

    void attach(std::weak_ptr<PresentationClient>) override {}
    int screenCount() const override { return screens; }
    void present(const PresentationRequest& request) override { requests.push_back(request); }
    void rebuildCovers() override { ++coverRebuilds; }
    void reapplyForActiveSpace() override { ++reapplies; }
    void captureOriginalWallpaper() override { ++captures; }
    bool hasOriginalWallpaper() const override { return false; }
    void restoreOriginalWallpaper() override {}
    std::optional<Image> currentThumbnail() const override { return std::nullopt; }
    double currentFade() const override { return 0; }
};

// Wallpapers "<id>/1.jpg" ... with the given variants, one per letter: l, d or n.
inline Pack packOf(const std::string& id, const std::string& variants, bool hasVariants = false) {
    Pack made{id, id, {}, hasVariants, {}};
    for (std::size_t i = 0; i < variants.size(); ++i) {
        const Variant v = variants[i] == 'l'   ? Variant::light
                          : variants[i] == 'd' ? Variant::dark
                                               : Variant::neutral;
        const std::string n = std::to_string(i + 1);
        made.wallpapers.push_back({id, n + ".jpg", v, id + "-" + n});
    }
    return made;
}

inline std::vector<std::string> keysOf(const std::vector<Wallpaper>& list) {
    std::vector<std::string> keys;
    for (const Wallpaper& w : list)
        keys.push_back(w.key());
    return keys;
}

// An engine over a real settings store and library in a temporary home, in virtual time
// (Monday 2026-03-02 09:00 UTC), with the shuffle off unless a test turns it on.
class EngineTest : public testing::Test {
protected:
    EngineTest() {
        m_home.setVar("TZ", "UTC");
        ::tzset();
        m_home.setVar("KESTRANE_RESOURCES", resources());
        settings.setShuffle(false);
    }
    ~EngineTest() override { m_engine.reset(); }

    std::filesystem::path resources() const { return m_home.root() / "resources"; }

    void setPacks(const std::vector<Pack>& packs) {
        std::filesystem::create_directories(resources() / "wp");
        std::ofstream(resources() / "wp" / "index.dat") << serializeLibraryIndex(packs);
        library.rescan();
    }

    WallpaperEngine& engine() {
        if (!m_engine) {
            EngineDependencies deps{library, settings, loop, center, presentation, appearance};
            deps.isOnBattery = [this] { return onBattery; };
            if (!useBlobFiles)
                deps.isAvailable = [this](const Wallpaper& w) {
                    return unavailable.count(w.key()) == 0;
                };
            deps.seed = 7;
            m_engine = WallpaperEngine::create(std::move(deps));
        }
        return *m_engine;
    }
    void destroyEngine() { m_engine.reset(); }

    WallpaperEngine& started() {
        engine().start();
        return *m_engine;
    }
    std::vector<std::string> playlist() { return keysOf(engine().playlist()); }
    std::string current() {
        auto w = engine().currentWallpaper();
        return w ? w->key() : "";
    }
    std::string lastPresented() const {
        return presentation.requests.empty() ? "" : presentation.requests.back().current.key();
    }
    // Seconds from now to the next automatic change; negative when there is none.
    double nextChangeIn() {
        const auto date = engine().nextChangeDate();
        return date ? std::chrono::duration<double>(*date - loop.now()).count() : -1;
    }
    void post(std::string_view name) { center.post(name); }

private:
    // Destroyed after the home has put the caller's TZ back, so the C library reads it again.
    struct ZoneReread {
        ~ZoneReread() { ::tzset(); }
    } m_zoneReread;
    TempHome m_home;

protected:
    ManualLoop loop;
    NotificationCenter center;
    UserDefaults defaults{m_home.configHome() / "settings.plist", loop};
    SettingsStore settings{defaults, center};
    Library library{[this] { return std::optional(resources()); }};
    FakePresentation presentation;
    FakeAppearance appearance;
    bool onBattery = false;
    bool useBlobFiles = false;
    std::set<std::string> unavailable;

private:
    std::shared_ptr<WallpaperEngine> m_engine;
};

} // namespace ks::test

#pragma once

// The real application on the harness's Xorg, with a library of one pack of three solid
// colours (red, green, blue in library order) and the root painted grey until it shows one.

#include "agent_support.h"
#include "base/file_io.h"
#include "base/manual_loop.h"
#include "library_writer.h"
#include "settings/user_defaults.h"
#include "xorg_display.h"

#include <gtest/gtest.h>

#include <thread>

namespace ks::e2e {

inline constexpr Rgb kGrey{90, 90, 90};
inline constexpr Rgb kRed{210, 30, 30};
inline constexpr Rgb kGreen{30, 200, 60};
inline constexpr Rgb kBlue{40, 60, 220};

class AppOnXorgTest : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!XorgDisplay::available(&error))
            GTEST_SKIP() << error;
        ASSERT_TRUE(x.start(&error)) << error;
        const std::filesystem::path pictures = x.root() / "pictures";
        tools::SourcePack pack{"e2e", "End to end", false, {}, {}, true};
        for (const auto& [name, colour] :
             {std::pair{"1.png", kRed}, std::pair{"2.png", kGreen}, std::pair{"3.png", kBlue}}) {
            ASSERT_TRUE(writeSolidPicture(pictures / name, 640, 360, colour));
            pack.pictures.push_back({name, Variant::neutral, *readWholeFile(pictures / name)});
        }
        ASSERT_TRUE(tools::writeLibrary({pack}, x.root() / "resources", x.root() / "server").ok());
        x.setVariable("KESTRANE_RESOURCES", (x.root() / "resources").string());
        x.setVariable("KESTRANE_AGENT", KESTRANE_AGENT_PATH);
        x.setVariable("KESTRANE_NO_SYSLOG", "1");
        ASSERT_TRUE(x.paintRoot(kGrey));
    }

    // In library order, changing every `interval` seconds with a 3 s fade.
    void writeSettings(bool perDisplay, double interval) {
        ManualLoop loop;
        UserDefaults settings(
            x.configHome() / "kestrane-wallpapers" / "local.kestrane.wallpapers.plist", loop);
        settings.set("shuffle", false);
        settings.set("intervalSeconds", interval);
        settings.set("crossfadeSeconds", 3.0);
        settings.set("perDisplayWallpapers", perDisplay);
        // Not a first launch: these runs watch the desktop, which a welcome window would cover.
        settings.set("hasShownWelcome", true);
        ASSERT_TRUE(settings.flush());
    }

    // The colours at the centres of DUMMY0 and DUMMY1.
    std::pair<Rgb, Rgb> centres() {
        return {x.rootPixel(960, 540).value_or(Rgb{}), x.rootPixel(2880, 540).value_or(Rgb{})};
    }
    // Polls until both centres show what is wanted; false after `limit`.
    bool waitFor(Rgb left, Rgb right, std::chrono::milliseconds limit = 20s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            const auto [l, r] = centres();
            if (l.near(left) && r.near(right))
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }
    // Stops the application and hands back its log.
    static std::string logOf(ChildProcess& app) {
        app.stop();
        return "\n" + app.result().err;
    }

    XorgDisplay x;
};

} // namespace ks::e2e

#pragma once

#include "engine/wallpaper_setter.h"
#include "platform/platform.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Stand-ins for every platform interface, recording what they are asked.
namespace ks::test {

class FakeScreens final : public Screens {
public:
    std::vector<PlatformScreen> list;
    std::vector<PlatformScreen> screens() const override { return list; }

    // Displays side by side, named "D0", "D1"... with ids 100, 101... and UUIDs of their own.
    static std::vector<PlatformScreen> row(const std::vector<std::pair<int, int>>& sizes,
                                           double scale = 1) {
        std::vector<PlatformScreen> made;
        int x = 0;
        for (const auto& [width, height] : sizes) {
            const auto i = static_cast<std::uint32_t>(made.size());
            made.push_back({{x, 0, width, height},
                            scale,
                            {100 + i, "D" + std::to_string(i)},
                            "00000000-0000-0000-0000-00000000000" + std::to_string(i)});
            x += width;
        }
        return made;
    }
};

class FakeCover final : public CoverWindow {
public:
    struct Shown {
        Image image;
        double fade;
    };
    double scale = 1;
    bool visible = false;
    std::vector<Shown> shown;
    std::vector<ScreenFrame> raises;
    int lowers = 0;

    bool isVisible() const override { return visible; }
    bool hasPicture() const override { return !shown.empty(); }
    double backingScale() const override { return scale; }
    void show(const Image& image, double fadeSeconds) override {
        shown.push_back({image, fadeSeconds});
    }
    void raise(const ScreenFrame& frame) override {
        raises.push_back(frame);
        visible = true;
    }
    void lower() override {
        ++lowers;
        visible = false;
    }
};

// Hands out FakeCovers and keeps a pointer to each, in the order they were made.
class FakeCoverWindows final : public CoverWindows {
public:
    bool enabled = true;
    std::vector<FakeCover*> made;
    std::unique_ptr<CoverWindow> make(const PlatformScreen&) override {
        if (!enabled)
            return nullptr;
        auto cover = std::make_unique<FakeCover>();
        made.push_back(cover.get());
        return cover;
    }
};

class FakeDesktopPictures final : public DesktopPictures {
public:
    // By display name.
    std::map<std::string, std::filesystem::path> pictures;
    std::optional<std::filesystem::path> currentPicture(const PlatformScreen& screen) override {
        const auto found = pictures.find(screen.display.name);
        return found == pictures.end() ? std::nullopt : std::optional(found->second);
    }
};

class FakePowerSource final : public PowerSource {
public:
    bool onBattery = false;
    bool isOnBattery() const override { return onBattery; }
};

class FakeAppearance final : public SystemAppearance {
public:
    bool dark = false;
    bool isDark() const override { return dark; }
};

class FakeWallpaperSetter final : public WallpaperSetter {
public:
    struct Request {
        FileUrl primary;
        PerDisplayRequest perDisplay;
    };
    std::vector<Request> requests;
    bool currentSpaceOnly = false;
    void set(const FileUrl& primary, const PerDisplayRequest& perDisplay) override {
        requests.push_back({primary, perDisplay});
    }
    bool appliesToCurrentSpaceOnly() const override { return currentSpaceOnly; }
};

// Screens of the desktop, and what the per-screen call put on each.
class FakeDesktop final : public Desktop {
public:
    std::vector<DisplayHandle> attached;
    std::map<std::uint32_t, std::string> uuids;
    std::vector<std::pair<std::string, std::string>> pictures; // screen name, URL
    std::string failingScreen;

    std::vector<DisplayHandle> screens() override { return attached; }
    std::optional<std::string> displayUuid(std::uint32_t number) override {
        const auto found = uuids.find(number);
        return found == uuids.end() ? std::nullopt : std::optional(found->second);
    }
    bool setDesktopPicture(const DisplayHandle& screen, const FileUrl& image) override {
        pictures.emplace_back(screen.name, image.absoluteString());
        return screen.name != failingScreen;
    }
};

} // namespace ks::test

#include "settings/duration_option.h"
#include "settings_fixture.h"

#include <functional>
#include <limits>

namespace ks::test {
namespace {

using SettingsStoreTest = SettingsTest;

void expectDefaults(const SettingsStore& s) {
    EXPECT_TRUE(s.allPacksSelected());
    EXPECT_EQ(s.appearance(), AppearanceFilter::system);
    EXPECT_TRUE(s.shuffle());
    EXPECT_EQ(s.intervalSeconds(), 300);
    EXPECT_EQ(s.crossfadeSeconds(), 1.5);
    EXPECT_EQ(s.dailyChangeMinutes(), 480);
    EXPECT_TRUE(s.favorites().empty() && s.hiddenWallpapers().empty());
    EXPECT_TRUE(s.includedWallpapers().empty() && s.collections().empty());
    EXPECT_FALSE(s.pauseOnBattery() || s.perDisplayWallpapers() || s.hasShownWelcome());
    EXPECT_EQ(s.rotationCollectionID(), std::nullopt);
    EXPECT_EQ(s.lastShownKey(), std::nullopt);
    EXPECT_EQ(s.originalWallpaperPath(), std::nullopt);
}

TEST_F(SettingsStoreTest, AFreshInstallationHasTheDefaultsAndWritesNothing) {
    expectDefaults(store());
    EXPECT_FALSE(defaults().hasPendingWrites());
}

auto snapshot(const SettingsStore& s) {
    return std::tuple(s.selectedPackIDs(), s.appearance(), s.shuffle(), s.intervalSeconds(),
                      s.crossfadeSeconds(), s.dailyChangeMinutes(), s.favorites(),
                      s.hiddenWallpapers(), s.includedWallpapers(), s.pauseOnBattery(),
                      s.perDisplayWallpapers(), s.collections(), s.rotationCollectionID(),
                      s.lastShownKey(), s.hasShownWelcome(), s.originalWallpaperPath());
}

TEST_F(SettingsStoreTest, EveryValueSurvivesARestart) {
    SettingsStore& s = store();
    s.setSelectedPackIDs({"coast", "alps"});
    s.setAppearance(AppearanceFilter::dark);
    s.setShuffle(false);
    s.setIntervalSeconds(DurationOption::daily);
    s.setCrossfadeSeconds(0.5);
    s.setDailyChangeMinutes(1439);
    s.setFavorites({"coast/dawn.jpg"});
    s.setHiddenWallpapers({"alps/1.jpg"});
    s.setIncludedWallpapers({"sea/2.jpg"});
    s.setPauseOnBattery(true);
    s.setPerDisplayWallpapers(true);
    s.setCollections({{"A", "Trips \"1\" \\", {"c/d.jpg", "c/d.jpg"}}, {"B", "\u00C9t\u00E9", {}}});
    s.setRotationCollectionID("B");
    s.setLastShownKey("coast/dawn.jpg");
    s.setHasShownWelcome(true);
    s.setOriginalWallpaperPath("/home/u/mine.png");
    const auto before = snapshot(s);
    EXPECT_EQ(snapshot(restart()), before);
    EXPECT_EQ(defaults().stringArrayValue("selectedPackIDs"),
              (std::vector<std::string>{"alps", "coast"}));
    EXPECT_EQ(defaults().stringValue("appearance"), "dark");

    // No value is stored as the empty string, and reads back as no value.
    store().setRotationCollectionID(std::nullopt);
    store().setLastShownKey(std::nullopt);
    store().setOriginalWallpaperPath(std::nullopt);
    EXPECT_EQ(defaults().stringValue("lastShownKey"), "");
    const SettingsStore& r = restart();
    EXPECT_FALSE(r.rotationCollectionID() || r.lastShownKey() || r.originalWallpaperPath());
}

TEST_F(SettingsStoreTest, WrongTypesAndDamagedValuesReadAsDefaults) {
    const std::vector<std::pair<const char*, DefaultsValue>> stored{
        {"selectedPackIDs", std::string("coast")},
        {"appearance", std::string("Dark")},
        {"shuffle", std::int64_t{0}},
        {"intervalSeconds", std::numeric_limits<double>::quiet_NaN()},
        {"crossfadeSeconds", -std::numeric_limits<double>::infinity()},
        {"dailyChangeMinutes", 600.0},
        {"hiddenWallpapers", Bytes{1}},
        {"perDisplayWallpapers", 1.0},
        {"collections", std::string("[]")},
        {"lastShownKey", std::int64_t{7}},
        {"hasShownWelcome", std::string("yes")}};
    for (const auto& [key, value] : stored)
        defaults().set(key, value);
    expectDefaults(store());
    // An integer is a number of seconds all the same.
    defaults().set("intervalSeconds", std::int64_t{600});
    EXPECT_EQ(restart().intervalSeconds(), 600);
}

TEST_F(SettingsStoreTest, BothLoadsAsSystemAndFavoritesOnlyFillsAMissingRotation) {
    defaults().set("appearance", std::string("both"));
    EXPECT_EQ(store().appearance(), AppearanceFilter::system);
    store().setAppearance(AppearanceFilter::both);
    EXPECT_EQ(defaults().stringValue("appearance"), "both");
    EXPECT_EQ(restart().appearance(), AppearanceFilter::system);
    content = 0;

    const std::vector<std::tuple<const char*, std::optional<bool>, const char*>> cases{
        {"", true, "__favorites__"},
        {nullptr, true, "__favorites__"},
        {"", false, nullptr},
        {"", std::nullopt, nullptr},
        {"C1", true, "C1"}};
    for (const auto& [rotation, favoritesOnly, expected] : cases) {
        defaults().remove("rotationCollectionID");
        defaults().remove("favoritesOnly");
        if (rotation)
            defaults().set("rotationCollectionID", std::string(rotation));
        if (favoritesOnly)
            defaults().set("favoritesOnly", *favoritesOnly);
        const auto loaded = restart().rotationCollectionID();
        EXPECT_EQ(loaded, expected ? std::optional<std::string>(expected) : std::nullopt);
        // Derived, not written back: the database is as it was.
        EXPECT_EQ(defaults().stringValue("rotationCollectionID").value_or("-"),
                  rotation ? rotation : "-");
    }
    EXPECT_EQ(content + timing, 0);
}

TEST_F(SettingsStoreTest, EveryAssignmentWritesAndPostsItsKindEvenWhenEqual) {
    struct Assignment {
        const char* key;
        std::function<void(SettingsStore&)> assign;
        int content;
        int timing;
    };
    const std::vector<Assignment> assignments{
        {"selectedPackIDs", [](SettingsStore& s) { s.setSelectedPackIDs({}); }, 1, 0},
        {"appearance", [](SettingsStore& s) { s.setAppearance(AppearanceFilter::dark); }, 1, 0},
        {"shuffle", [](SettingsStore& s) { s.setShuffle(true); }, 1, 0},
        {"intervalSeconds", [](SettingsStore& s) { s.setIntervalSeconds(60); }, 0, 1},
        {"crossfadeSeconds", [](SettingsStore& s) { s.setCrossfadeSeconds(3); }, 0, 0},
        {"dailyChangeMinutes", [](SettingsStore& s) { s.setDailyChangeMinutes(5); }, 0, 1},
        {"favorites", [](SettingsStore& s) { s.setFavorites({}); }, 1, 0},
        {"hiddenWallpapers", [](SettingsStore& s) { s.setHiddenWallpapers({}); }, 1, 0},
        {"includedWallpapers", [](SettingsStore& s) { s.setIncludedWallpapers({}); }, 1, 0},
        {"pauseOnBattery", [](SettingsStore& s) { s.setPauseOnBattery(false); }, 0, 0},
        {"perDisplayWallpapers", [](SettingsStore& s) { s.setPerDisplayWallpapers(true); }, 1, 0},
        {"collections", [](SettingsStore& s) { s.setCollections({}); }, 1, 0},
        {"rotationCollectionID", [](SettingsStore& s) { s.setRotationCollectionID("x"); }, 1, 0},
        {"lastShownKey", [](SettingsStore& s) { s.setLastShownKey("a/1.jpg"); }, 0, 0}};
    SettingsStore& s = store();
    int observed = 0;
    bool seenShuffle = true;
    const auto observation = s.observe([&] {
        ++observed;
        seenShuffle = s.shuffle();
    });
    for (const Assignment& a : assignments) {
        for (int round = 1; round <= 2; ++round) {
            content = timing = observed = 0;
            defaults().remove(a.key);
            a.assign(s);
            EXPECT_TRUE(defaults().contains(a.key)) << a.key;
            EXPECT_EQ(content, a.content) << a.key;
            EXPECT_EQ(timing, a.timing) << a.key;
            EXPECT_EQ(observed, 1) << a.key;
        }
    }
    s.setShuffle(false);
    EXPECT_FALSE(seenShuffle); // observers see the new value
}

} // namespace
} // namespace ks::test

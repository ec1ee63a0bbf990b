#include "library/pack.h"
#include "library/wallpaper.h"

#include <gtest/gtest.h>
#include <tuple>

namespace ks {
namespace {

// Pack name, whether it has variants, file name, variant, expected title.
using TitleCase = std::tuple<std::string, bool, std::string, Variant, std::string>;

void expectTitles(const std::vector<TitleCase>& cases) {
    for (const auto& [packName, hasVariants, fileName, variant, expected] : cases) {
        const Pack pack{"id", packName, {}, hasVariants, std::nullopt};
        EXPECT_EQ((Wallpaper{"id", fileName, variant, "blob"}.title(pack)), expected) << fileName;
    }
}

TEST(WallpaperTitle, FollowsTheNumberAndWordRules) {
    expectTitles(
        {{"Mountains", true, "mountains-07-dark.jpg", Variant::dark, "Mountains 7 \u00B7 Dark"},
         {"Mountains", true, "Mountains-flip-3.jpg", Variant::light,
          "Mountains 3 \u00B7 Light Flipped"},
         {"Forest", false, "Autumn_Forest-desktop-wallpaper.jpg", Variant::neutral,
          "Forest Autumn"},
         {"Coast", false, "4k-sunset.png", Variant::neutral, "Coast 4k sunset"},
         {"Shots", false, "shot-12b-3.jpg", Variant::neutral, "Shots 3"},
         {"Peaks", false, "Peak3.jpg", Variant::neutral, "Peaks 3"},
         {"Night", false, "wallpaper.jpg", Variant::neutral, "Night"},
         {"Desert", true, "dunes.heic", Variant::neutral, "Desert dunes"},
         // Variant tags only count in packs with variants; the flip test folds case.
         {"Sky", false, "BackFLIP.jpg", Variant::dark, "Sky BackFLIP \u00B7 Flipped"},
         {"Sky", true, "clouds-Flipped-dark.png", Variant::dark, "Sky clouds \u00B7 Dark Flipped"},
         // The last match wins, and a run glued to a letter is no match at all.
         {"Sky", false, "a-5-6k.jpg", Variant::neutral, "Sky 5"},
         {"Sky", false, "shot-3\u00E9.jpg", Variant::neutral, "Sky 3"},
         {"Sky", false, "take-2-of-14.jpg", Variant::neutral, "Sky 14"},
         {"Sky", false, "000000000000000000000000042.jpg", Variant::neutral, "Sky 42"},
         {"Sky", false, "frame-00.jpg", Variant::neutral, "Sky 0"}});
}

TEST(WallpaperTitle, SurvivesHostileNames) {
    expectTitles(
        {// Digits of other scripts match the pattern but do not convert.
         {"Sky", false, "peak-\u0663.jpg", Variant::neutral, "Sky peak \u0663"},
         {"Sky", false, "shot-\u06633.jpg", Variant::neutral, "Sky shot \u06633"},
         {"Sky", false, "wide-\uFF11\uFF12.jpg", Variant::neutral, "Sky wide \uFF11\uFF12"},
         // The signed 64-bit range is the limit.
         {"Sky", false, "x-9223372036854775807.jpg", Variant::neutral, "Sky 9223372036854775807"},
         {"Sky", false, "scene-9223372036854775808.jpg", Variant::neutral,
          "Sky scene 9223372036854775808"},
         {"Sky", false, "scene-" + std::string(5000, '9') + ".jpg", Variant::neutral,
          "Sky scene " + std::string(5000, '9')},
         {"Sky", true, "", Variant::dark, "Sky \u00B7 Dark"},
         {"Sky", false, "---___.jpg", Variant::neutral, "Sky"},
         {"", false, "dawn.jpg", Variant::neutral, " dawn"},
         {"Sky", false, "Sunset\u2013Glow__over  sea.jpg", Variant::neutral,
          "Sky Sunset Glow over sea"},
         // Every word of the pack's name is a stop word, folded beyond ASCII too.
         {"Deep Sea", false, "DEEP-sea-coral.jpg", Variant::neutral, "Deep Sea coral"},
         {"\u00C9t\u00E9", false, "\u00C9T\u00C9-lac.jpg", Variant::neutral, "\u00C9t\u00E9 lac"},
         {"Woods", false, "DARK-x-Kestrane-Series.jpg", Variant::neutral, "Woods"},
         {"Sky", false, "bad-\xFF-name.jpg", Variant::neutral, "Sky bad \xFF name"}});
}

TEST(WallpaperNames, DisplayNameDropsOnlyTheLastExtensionAndKeyJoinsPackAndFileName) {
    auto named = [](std::string fileName) {
        return Wallpaper{"p", std::move(fileName), Variant::neutral, "b"}.displayName();
    };
    EXPECT_EQ(named("Peak-3.jpg"), "Peak-3");
    EXPECT_EQ(named("a.b.jpg"), "a.b");
    for (const char* same : {"plain", ".hidden", ""})
        EXPECT_EQ(named(same), same);
    EXPECT_EQ((Wallpaper{"alps", "Peak-3.jpg", Variant::dark, "b"}.key()), "alps/Peak-3.jpg");
    EXPECT_EQ((Wallpaper{"a/b", "c d%.jpg", Variant::dark, "b"}.key()), "a/b/c d%.jpg");
}

} // namespace
} // namespace ks

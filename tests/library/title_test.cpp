#include "library/pack.h"
#include "library/wallpaper.h"

#include <gtest/gtest.h>

namespace ks {
namespace {

struct TitleCase {
    std::string packName;
    bool hasVariants;
    std::string fileName;
    Variant variant;
    std::string expected;
};

std::ostream& operator<<(std::ostream& out, const TitleCase& c) {
    return out << c.fileName;
}

class WallpaperTitle : public testing::TestWithParam<TitleCase> {};

TEST_P(WallpaperTitle, FollowsTheNumberAndWordRules) {
    const auto& c = GetParam();
    const Pack pack{"id", c.packName, {}, c.hasVariants, std::nullopt};
    const Wallpaper wallpaper{"id", c.fileName, c.variant, "blob"};
    EXPECT_EQ(wallpaper.title(pack), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    CatalogueNames, WallpaperTitle,
    testing::Values(
        TitleCase{"Mountains", true, "mountains-07-dark.jpg", Variant::dark,
                  "Mountains 7 \u00B7 Dark"},
        TitleCase{"Mountains", true, "Mountains-flip-3.jpg", Variant::light,
                  "Mountains 3 \u00B7 Light Flipped"},
        TitleCase{"Forest", false, "Autumn_Forest-desktop-wallpaper.jpg", Variant::neutral,
                  "Forest Autumn"},
        TitleCase{"Coast", false, "4k-sunset.png", Variant::neutral, "Coast 4k sunset"},
        TitleCase{"Shots", false, "shot-12b-3.jpg", Variant::neutral, "Shots 3"},
        TitleCase{"Peaks", false, "Peak3.jpg", Variant::neutral, "Peaks 3"},
        TitleCase{"Night", false, "wallpaper.jpg", Variant::neutral, "Night"},
        TitleCase{"Desert", true, "dunes.heic", Variant::neutral, "Desert dunes"},
        // Variant tags only count in packs with variants; the flip test folds case.
        TitleCase{"Sky", false, "BackFLIP.jpg", Variant::dark, "Sky BackFLIP \u00B7 Flipped"},
        TitleCase{"Sky", true, "clouds-Flipped-dark.png", Variant::dark,
                  "Sky clouds \u00B7 Dark Flipped"},
        // The last match wins, and a run glued to a letter is no match at all.
        TitleCase{"Sky", false, "a-5-6k.jpg", Variant::neutral, "Sky 5"},
        TitleCase{"Sky", false, "shot-3\u00E9.jpg", Variant::neutral, "Sky 3"},
        TitleCase{"Sky", false, "take-2-of-14.jpg", Variant::neutral, "Sky 14"},
        TitleCase{"Sky", false, "000000000000000000000000042.jpg", Variant::neutral, "Sky 42"},
        TitleCase{"Sky", false, "frame-00.jpg", Variant::neutral, "Sky 0"}));

INSTANTIATE_TEST_SUITE_P(
    HostileNames, WallpaperTitle,
    testing::Values(
        // Digits of other scripts match the pattern but do not convert.
        TitleCase{"Sky", false, "peak-\u0663.jpg", Variant::neutral, "Sky peak \u0663"},
        TitleCase{"Sky", false, "shot-\u06633.jpg", Variant::neutral, "Sky shot \u06633"},
        TitleCase{"Sky", false, "wide-\uFF11\uFF12.jpg", Variant::neutral, "Sky wide \uFF11\uFF12"},
        // The signed 64-bit range is the limit.
        TitleCase{"Sky", false, "x-9223372036854775807.jpg", Variant::neutral,
                  "Sky 9223372036854775807"},
        TitleCase{"Sky", false, "scene-9223372036854775808.jpg", Variant::neutral,
                  "Sky scene 9223372036854775808"},
        TitleCase{"Sky", false, "scene-" + std::string(5000, '9') + ".jpg", Variant::neutral,
                  "Sky scene " + std::string(5000, '9')},
        TitleCase{"Sky", true, "", Variant::dark, "Sky \u00B7 Dark"},
        TitleCase{"Sky", false, "---___.jpg", Variant::neutral, "Sky"},
        TitleCase{"", false, "dawn.jpg", Variant::neutral, " dawn"},
        TitleCase{"Sky", false, "Sunset\u2013Glow__over  sea.jpg", Variant::neutral,
                  "Sky Sunset Glow over sea"},
        // Every word of the pack's name is a stop word, folded beyond ASCII too.
        TitleCase{"Deep Sea", false, "DEEP-sea-coral.jpg", Variant::neutral, "Deep Sea coral"},
        TitleCase{"\u00C9t\u00E9", false, "\u00C9T\u00C9-lac.jpg", Variant::neutral,
                  "\u00C9t\u00E9 lac"},
        TitleCase{"Woods", false, "DARK-x-Kestrane-Series.jpg", Variant::neutral, "Woods"},
        TitleCase{"Sky", false, "bad-\xFF-name.jpg", Variant::neutral, "Sky bad \xFF name"}));

TEST(WallpaperNames, DisplayNameDropsOnlyTheLastExtension) {
    auto named = [](std::string fileName) {
        return Wallpaper{"p", std::move(fileName), Variant::neutral, "b"}.displayName();
    };
    EXPECT_EQ(named("Peak-3.jpg"), "Peak-3");
    EXPECT_EQ(named("a.b.jpg"), "a.b");
    EXPECT_EQ(named("plain"), "plain");
    EXPECT_EQ(named(".hidden"), ".hidden");
    EXPECT_EQ(named(""), "");
}

TEST(WallpaperNames, KeyJoinsPackAndFileNameUnescaped) {
    EXPECT_EQ((Wallpaper{"alps", "Peak-3.jpg", Variant::dark, "b"}.key()), "alps/Peak-3.jpg");
    EXPECT_EQ((Wallpaper{"a/b", "c d%.jpg", Variant::dark, "b"}.key()), "a/b/c d%.jpg");
}

} // namespace
} // namespace ks

#include "base/locations.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace ks;

TEST(Locations, FollowTheXdgVariablesAndIgnoreRelativeOnes) {
    test::TempHome home;
    EXPECT_EQ(Locations::dataHome(), home.dataHome());
    EXPECT_EQ(Locations::configHome(), home.configHome());
    EXPECT_EQ(Locations::applicationSupportDir(), home.dataHome() / "Kestrane Wallpapers");

    home.setVar("XDG_DATA_HOME", "relative/data");
    home.unsetVar("XDG_CONFIG_HOME");
    EXPECT_EQ(Locations::dataHome(), home.root() / "home" / ".local" / "share");
    EXPECT_EQ(Locations::configHome(), home.root() / "home" / ".config");
}

TEST(Locations, ResourcesComeFromTheOverrideOrBesideTheExecutable) {
    test::TempHome home;
    const auto buildTree = home.root() / "build";
    const auto installed = home.root() / "usr";
    fs::create_directories(buildTree / "bin");
    fs::create_directories(buildTree / "resources");
    fs::create_directories(installed / "bin");
    fs::create_directories(installed / "share" / "kestrane-wallpapers");

    EXPECT_EQ(Locations::resourcesDirBeside(buildTree / "bin"), buildTree / "resources");
    EXPECT_EQ(Locations::resourcesDirBeside(installed / "bin"),
              installed / "share" / "kestrane-wallpapers");
    EXPECT_FALSE(Locations::resourcesDirBeside(home.root() / "nowhere" / "bin"));

    home.setVar("KESTRANE_RESOURCES", installed / "share" / "kestrane-wallpapers");
    EXPECT_EQ(Locations::resourcesDir(), installed / "share" / "kestrane-wallpapers");
    home.setVar("KESTRANE_RESOURCES", home.root() / "missing");
    EXPECT_FALSE(Locations::resourcesDir()) << "a wrong override must not fall back silently";
}

TEST(Locations, RuntimeFolderWithoutXdgIsNeverOneSomeoneElseCouldHavePlanted) {
    test::TempHome home;
    home.unsetVar("XDG_RUNTIME_DIR");
    home.setVar("XDG_CACHE_HOME", home.root() / "cache");
    home.setVar("TMPDIR", home.root() / "tmp");
    fs::create_directories(home.root() / "tmp");
    const auto predictable =
        home.root() / "tmp" / ("kestrane-runtime-" + std::to_string(::getuid()));

    EXPECT_EQ(Locations::runtimeDir(), predictable);
    EXPECT_EQ(fs::status(predictable).permissions() & fs::perms::all, fs::perms::owner_all);

    // Opened up to others (as a folder made by someone else would be): not used.
    fs::permissions(predictable, fs::perms::all);
    EXPECT_EQ(Locations::runtimeDir(), home.root() / "cache" / "kestrane-wallpapers" / "runtime");

    // A link in its place: not followed.
    fs::remove(predictable);
    fs::create_directory_symlink(home.root(), predictable);
    EXPECT_EQ(Locations::runtimeDir(), home.root() / "cache" / "kestrane-wallpapers" / "runtime");
    EXPECT_EQ(fs::status(home.root() / "cache" / "kestrane-wallpapers" / "runtime").permissions() &
                  fs::perms::all,
              fs::perms::owner_all);
}

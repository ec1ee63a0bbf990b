#include "base/file_io.h"
#include "platform/linux/system_version.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace ks;

TEST(LinuxSystemVersion, OsReleaseNameKernelAndOverride) {
    test::TempHome home;
    const auto osRelease = home.root() / "os-release";
    replaceFileAtomically(osRelease, asBytes("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian "
                                             "GNU/Linux 12 (\\\"bookworm\\\")\"\nID=debian\n"));
    const auto version = linuxSystemVersion(osRelease, "6.1.0-18-amd64", std::nullopt);
    EXPECT_EQ(version.text, "Debian GNU/Linux 12 (\"bookworm\"), Linux 6.1.0-18-amd64");
    EXPECT_EQ(std::pair(version.major, version.minor), std::pair(15, 0));
    EXPECT_EQ(linuxSystemVersion(home.root() / "missing", "6.1", std::nullopt).text,
              "Linux, Linux 6.1");

    for (const auto& [text, major, minor] :
         {std::tuple{"26.1", 26, 1}, {"13", 13, 0}, {"x", 15, 0}, {"14.", 15, 0}, {"-1", 15, 0}}) {
        const auto overridden = linuxSystemVersion(osRelease, "6.1", text);
        EXPECT_EQ(std::pair(overridden.major, overridden.minor), std::pair(major, minor)) << text;
    }
    if (!std::getenv("KESTRANE_SYSTEM_VERSION")) {
        EXPECT_EQ(linuxSystemVersion().major, 15);
    }
}

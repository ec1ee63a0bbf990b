#include "base/file_io.h"
#include "base/manual_loop.h"
#include "base/manual_queue.h"
#include "platform/linux/system_version.h"
#include "settings/user_defaults.h"
#include "support/log_capture.h"
#include "support/platform_fakes.h"
#include "support/temp_home.h"
#include "system/system_wallpaper.h"
#include "system/wallpaper_store.h"

#include <gtest/gtest.h>

#include <plist/plist.h>

#include <map>

using namespace ks;
using ks::test::FakeDesktop;
namespace fs = std::filesystem;

namespace {

FileUrl fileUrl(const std::string& path) {
    return *FileUrl::fromPath(path);
}

// An agent that takes every store, or rejects it by putting back the one it last took.
class FakeAgent final : public WallpaperAgent {
public:
    explicit FakeAgent(fs::path store) : m_store(std::move(store)) {}

    bool rejects = false;
    std::optional<int> status = 0;
    int runs = 0, terminations = 0;
    std::function<void()> onRun;

    std::optional<int> run() override {
        ++runs;
        if (onRun)
            onRun();
        if (!rejects)
            m_taken = readWholeFile(m_store);
        else if (m_taken)
            replaceFileAtomically(m_store, *m_taken);
        else
            fs::remove(m_store);
        return status;
    }
    void terminateRunning() override { ++terminations; }

private:
    fs::path m_store;
    std::optional<Bytes> m_taken;
};

const SystemVersion kSonoma{15, 0, "Test OS 15.0 (1)"};
const SysTime kNow{std::chrono::seconds(1'780'000'000)};
using Pictures = std::vector<std::pair<std::string, std::string>>;

class SystemWallpaperTest : public ::testing::Test {
protected:
    std::shared_ptr<SystemWallpaper> makeWriter(SystemVersion version) {
        auto writer = SystemWallpaper::create({storeFile, loop, queue, defaults, desktop, agent,
                                               std::move(version), [] { return kNow; }});
        writer->setOnReapply([this] { ++reapplied; });
        return writer;
    }
    // Runs the queue and the loop until neither has work left, without moving time.
    void settle() {
        while (queue.runAll() + loop.runPending() > 0) {
        }
    }
    void wait(double seconds) {
        loop.advance(Seconds(seconds));
        settle();
    }
    std::optional<std::string> shownOn(const std::string& uuid) {
        const PlistPtr store = loadStore(storeFile);
        return url(plist_dict_get_item(plist_dict_get_item(store.get(), "Displays"), uuid.c_str()));
    }

    test::TempHome home;
    fs::path storeFile = home.dataHome() / "kestrane-wallpaper-agent/Store/Index.plist";
    ManualLoop loop;
    ManualQueue queue{std::string(kSystemWallpaperQueueLabel)};
    UserDefaults defaults{home.configHome() / "defaults.plist", loop};
    FakeDesktop desktop;
    FakeAgent agent{storeFile};
    test::LogCapture log;
    int reapplied = 0;
};

} // namespace

TEST_F(SystemWallpaperTest, OnlyTheLatestOfTwoQuickRequestsIsChecked) {
    const auto writer = makeWriter(kSonoma);
    agent.rejects = true;
    writer->set(fileUrl("/p/a.jpg"), {});
    settle();
    wait(1.0);
    writer->set(fileUrl("/p/b.jpg"), {});
    // The first request's check falls due before the second request is written.
    loop.advance(Seconds(0.5));
    EXPECT_EQ(queue.size(), 2u);
    settle();
    EXPECT_EQ(agent.runs, 2);
    EXPECT_EQ(reapplied, 0) << "the first request's check stopped";

    wait(1.5);
    EXPECT_EQ(agent.runs, 3) << "the second request's check rewrote the store";
    EXPECT_EQ(reapplied, 1);
    desktop.attached = {{1, "DP-1"}};
    wait(1.5);
    EXPECT_EQ(desktop.pictures, (Pictures{{"DP-1", "file:///p/b.jpg"}}));
}

TEST_F(SystemWallpaperTest, CheckLooksAtTheFirstNamedDisplayOnly) {
    const auto writer = makeWriter(kSonoma);
    desktop.uuids = {{1, "UUID-1"}, {2, "UUID-2"}};
    const PerDisplayRequest request{{{std::nullopt, "no number"}, fileUrl("/p/x.jpg")},
                                    {{9, "no UUID"}, fileUrl("/p/y.jpg")},
                                    {{1, "DP-1"}, fileUrl("/p/one.jpg")},
                                    {{2, "DP-2"}, fileUrl("/p/two.jpg")}};
    const auto breakDisplay = [&](const char* uuid) {
        const PlistPtr store = loadStore(storeFile);
        plist_dict_set_item(plist_dict_get_item(store.get(), "Displays"), uuid, plist_new_dict());
        replaceFileAtomically(storeFile, *binaryPropertyList(store.get()));
    };

    writer->set(fileUrl("/p/primary.jpg"), request);
    settle();
    EXPECT_EQ(shownOn("UUID-1"), "file:///p/one.jpg");
    EXPECT_EQ(shownOn("UUID-2"), "file:///p/two.jpg");
    EXPECT_EQ(plist_dict_get_size(plist_dict_get_item(loadStore(storeFile).get(), "Displays")), 2u);
    breakDisplay("UUID-2");
    wait(1.5);
    EXPECT_EQ(reapplied, 0);
    EXPECT_EQ(std::pair(agent.runs, agent.terminations), std::pair(1, 0));

    writer->set(fileUrl("/p/primary.jpg"), request);
    settle();
    breakDisplay("UUID-1");
    wait(1.5);
    EXPECT_EQ(reapplied, 1);
    EXPECT_EQ(shownOn("UUID-1"), "file:///p/one.jpg") << "rewritten";
}

TEST_F(SystemWallpaperTest, TwoRejectionsSwitchThisSystemVersionToThePerScreenCall) {
    auto writer = makeWriter(kSonoma);
    agent.rejects = true;
    agent.status = 1;
    desktop.attached = {{1, "DP-1"}, {2, "DP-2"}};
    desktop.uuids = {{1, "UUID-1"}, {2, "UUID-2"}};
    writer->set(fileUrl("/p/primary.jpg"),
                {{{2, "DP-2"}, fileUrl("/p/two.jpg")}, {{1, "DP-1"}, fileUrl("/p/one.jpg")}});
    settle();
    wait(1.5);
    EXPECT_EQ(agent.runs, 2);
    EXPECT_EQ(agent.terminations, 2) << "an agent that failed is stopped";
    EXPECT_EQ(reapplied, 1);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_FALSE(writer->appliesToCurrentSpaceOnly());

    wait(1.5);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"SystemWallpaper: the wallpaper agent rejected "
                                                    "our store on Test OS 15.0 (1) — falling "
                                                    "back to NSWorkspace"});
    EXPECT_EQ(defaults.stringValue(kStoreRejectedOnKey), kSonoma.text);
    EXPECT_EQ(desktop.pictures,
              (Pictures{{"DP-1", "file:///p/one.jpg"}, {"DP-2", "file:///p/two.jpg"}}));
    EXPECT_EQ(loop.pendingTimers(), 0u);
    EXPECT_TRUE(writer->appliesToCurrentSpaceOnly());

    // After a system update the store is tried again; before 14.0 it never is.
    writer = makeWriter({15, 1, "Test OS 15.1"});
    EXPECT_FALSE(writer->appliesToCurrentSpaceOnly());
    writer->set(fileUrl("/p/next.jpg"), {});
    EXPECT_EQ(queue.size(), 1u);
    EXPECT_TRUE(makeWriter({13, 6, "Old OS"})->appliesToCurrentSpaceOnly());
}

TEST_F(SystemWallpaperTest, FromVersion26OnRejectionsAreOnlyRetriedOnce) {
    const auto writer = makeWriter({26, 0, "Test OS 26"});
    agent.rejects = true;
    agent.status = std::nullopt;
    desktop.attached = {{1, "DP-1"}};
    writer->set(fileUrl("/p/a.jpg"), {});
    settle();
    wait(1.5);
    wait(1.5);
    EXPECT_EQ(agent.runs, 2);
    EXPECT_EQ(agent.terminations, 2) << "an agent that could not be run is stopped";
    EXPECT_EQ(reapplied, 1);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_FALSE(defaults.contains(kStoreRejectedOnKey));
    EXPECT_TRUE(desktop.pictures.empty());
}

TEST_F(SystemWallpaperTest, StoreThatIsNoDictionaryIsReplacedWhole) {
    const auto writer = makeWriter(kSonoma);
    fs::create_directories(storeFile.parent_path());
    replaceFileAtomically(storeFile,
                          asBytes(R"(<?xml version="1.0"?><plist version="1.0"><array/></plist>)"));
    writer->set(fileUrl("/p/a.jpg"), {});
    settle();
    const PlistPtr fresh(plist_new_dict());
    updateStore(fresh.get(), fileUrl("/p/a.jpg"), {}, kSonoma, kNow);
    EXPECT_EQ(readWholeFile(storeFile), binaryPropertyList(fresh.get()));
}

TEST_F(SystemWallpaperTest, WriteFailureIsLoggedAndNothingFollows) {
    const auto writer = makeWriter(kSonoma);
    replaceFileAtomically(storeFile.parent_path().parent_path(), asBytes("a file, not a folder"));
    writer->set(fileUrl("/p/a.jpg"), {});
    settle();
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_TRUE(log.lines()[0].starts_with("SystemWallpaper: couldn't write wallpaper store: "))
        << log.lines()[0];
    EXPECT_EQ(agent.runs, 0);
    EXPECT_EQ(loop.pendingTimers(), 0u);
}

TEST_F(SystemWallpaperTest, PendingWorkEndsWithTheWriter) {
    auto writer = makeWriter(kSonoma);
    writer->set(fileUrl("/p/a.jpg"), {});
    settle();
    writer->set(fileUrl("/p/b.jpg"), {});
    writer.reset();
    wait(5);
    EXPECT_EQ(agent.runs, 1);
    EXPECT_EQ(loop.pendingTimers(), 0u);

    // Dropped while the queue works for it, the writer ends on the main thread, the only one
    // that may cancel its check timer.
    writer = makeWriter(kSonoma);
    const std::weak_ptr<SystemWallpaper> weak = writer;
    agent.onRun = [&] { writer.reset(); };
    writer->set(fileUrl("/p/c.jpg"), {});
    queue.runAll();
    EXPECT_FALSE(weak.expired());
    loop.runPending();
    EXPECT_TRUE(weak.expired());
}

TEST_F(SystemWallpaperTest, PerScreenCall) {
    const auto writer = makeWriter(kSonoma);
    const auto a = fileUrl("/p/a.jpg"), b = fileUrl("/p/b.jpg");
    const std::vector<DisplayHandle> four{{1, "DP-1"}, {2, "DP-2"}, {3, "DP-3"}, {{}, "none"}};
    using Case = std::tuple<std::vector<DisplayHandle>, PerDisplayRequest, std::string>;
    desktop.failingScreen = "DP-1";
    // The first entry for a screen wins, a screen that fails stops none of the others, and
    // screens without a number count as the same one.
    for (const auto& [screens, request, expected] : std::vector<Case>{
             {{}, {{{1, "one"}, a}}, ""},
             {four, {{{3, "3"}, a}, {{1, "1"}, b}, {{3, "3"}, b}}, "DP-1:b DP-2:p DP-3:a none:p"},
             {four, {{{{}, "other"}, a}}, "DP-1:p DP-2:p DP-3:p none:a"}}) {
        desktop.attached = screens;
        desktop.pictures.clear();
        writer->legacySet(fileUrl("/p/p.jpg"), request);
        std::string shown;
        for (const auto& [screen, url] : desktop.pictures) // file:///p/X.jpg
            shown += (shown.empty() ? "" : " ") + screen + ":" + url.substr(10, 1);
        EXPECT_EQ(shown, expected);
    }

    // A display that went away drops out; the others keep their order and pictures.
    desktop.attached = four;
    desktop.uuids = {{1, "UUID-1"}, {2, "UUID-2"}};
    const auto screens = writer->legacyScreens({{"UUID-GONE", a}, {"UUID-2", b}, {"UUID-1", a}});
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(std::tuple(screens[0].display.name, screens[0].url, screens[1].display.name,
                         screens[1].url),
              std::tuple("DP-2", b, "DP-1", a));
}

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
}

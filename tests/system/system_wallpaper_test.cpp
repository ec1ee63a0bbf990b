#include "base/file_io.h"
#include "base/manual_loop.h"
#include "base/manual_queue.h"
#include "settings/user_defaults.h"
#include "support/log_capture.h"
#include "support/temp_home.h"
#include "system/system_wallpaper.h"
#include "system/wallpaper_store.h"

#include <gtest/gtest.h>

#include <plist/plist.h>

#include <algorithm>
#include <map>

using namespace ks;
namespace fs = std::filesystem;

namespace {

FileUrl fileUrl(const std::string& path) {
    return *FileUrl::fromPath(path);
}

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

// An agent that takes every store, or rejects it by putting back the one it last took.
class FakeAgent final : public WallpaperAgent {
public:
    explicit FakeAgent(fs::path store) : m_store(std::move(store)) {}

    bool rejects = false;
    std::optional<int> status = 0;
    int runs = 0;
    int terminations = 0;

    std::optional<int> run() override {
        ++runs;
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

class SystemWallpaperTest : public ::testing::Test {
protected:
    std::shared_ptr<SystemWallpaper> makeWriter(SystemVersion version) {
        auto writer = SystemWallpaper::create(
            {storeFile, loop, queue, defaults, desktop, agent, std::move(version), {}});
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
    EXPECT_EQ(desktop.pictures,
              (std::vector<std::pair<std::string, std::string>>{{"DP-1", "file:///p/b.jpg"}}));
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
    EXPECT_EQ(agent.runs, 1);

    writer->set(fileUrl("/p/primary.jpg"), request);
    settle();
    breakDisplay("UUID-1");
    wait(1.5);
    EXPECT_EQ(reapplied, 1);
    EXPECT_EQ(shownOn("UUID-1"), "file:///p/one.jpg") << "rewritten";
}

TEST_F(SystemWallpaperTest, TwoRejectionsSwitchThisSystemVersionToTheWorkspaceCall) {
    auto writer = makeWriter(kSonoma);
    agent.rejects = true;
    desktop.attached = {{1, "DP-1"}, {2, "DP-2"}};
    desktop.uuids = {{1, "UUID-1"}, {2, "UUID-2"}};
    writer->set(fileUrl("/p/primary.jpg"),
                {{{2, "DP-2"}, fileUrl("/p/two.jpg")}, {{1, "DP-1"}, fileUrl("/p/one.jpg")}});
    settle();
    EXPECT_FALSE(fs::exists(storeFile)) << "the agent put back what it had: nothing";
    wait(1.5);
    EXPECT_EQ(agent.runs, 2);
    EXPECT_EQ(reapplied, 1);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_FALSE(writer->appliesToCurrentSpaceOnly());

    wait(1.5);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"SystemWallpaper: the wallpaper agent rejected "
                                                    "our store on Test OS 15.0 (1) — falling "
                                                    "back to NSWorkspace"});
    EXPECT_EQ(defaults.stringValue(kStoreRejectedOnKey), kSonoma.text);
    using Pictures = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(desktop.pictures,
              (Pictures{{"DP-1", "file:///p/one.jpg"}, {"DP-2", "file:///p/two.jpg"}}));
    EXPECT_EQ(loop.pendingTimers(), 0u);

    // From now on the workspace call, at once, and the store is left alone.
    EXPECT_TRUE(writer->appliesToCurrentSpaceOnly());
    desktop.pictures.clear();
    writer->set(fileUrl("/p/next.jpg"), {});
    EXPECT_EQ(desktop.pictures,
              (Pictures{{"DP-1", "file:///p/next.jpg"}, {"DP-2", "file:///p/next.jpg"}}));
    EXPECT_EQ(queue.size(), 0u);
    EXPECT_EQ(agent.runs, 2);

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
    desktop.attached = {{1, "DP-1"}};
    writer->set(fileUrl("/p/a.jpg"), {});
    settle();
    wait(1.5);
    wait(1.5);
    EXPECT_EQ(agent.runs, 2);
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
    const PlistPtr store = loadStore(storeFile);
    std::vector<std::string> keys;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(store.get(), &it);
    for (plist_t value = store.get(); value;) {
        char* key = nullptr;
        plist_dict_next_item(store.get(), it, &key, &value);
        if (value)
            keys.emplace_back(key);
        std::free(key);
    }
    std::free(it);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"AllSpacesAndDisplays", "Displays", "Spaces",
                                              "SystemDefault"}));
    EXPECT_EQ(url(plist_dict_get_item(store.get(), "AllSpacesAndDisplays")), "file:///p/a.jpg");
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

TEST_F(SystemWallpaperTest, AgentThatFailsToRestartIsTerminated) {
    const auto writer = makeWriter(kSonoma);
    for (const auto status : {std::optional(0), std::optional(1), std::optional<int>()}) {
        agent.status = status;
        writer->restartAgent();
    }
    EXPECT_EQ(agent.runs, 3);
    EXPECT_EQ(agent.terminations, 2);
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
}

TEST_F(SystemWallpaperTest, WorkspaceCallPerScreen) {
    const auto writer = makeWriter(kSonoma);
    using Pictures = std::vector<std::pair<std::string, std::string>>;
    const auto primary = fileUrl("/p/primary.jpg");
    const auto a = fileUrl("/p/a.jpg"), b = fileUrl("/p/b.jpg");

    writer->legacySet(primary, {});
    EXPECT_TRUE(desktop.pictures.empty()) << "no screens";
    EXPECT_TRUE(writer->legacyScreens({{"UUID-1", a}}).empty());

    desktop.attached = {{1, "DP-1"}, {2, "DP-2"}, {3, "DP-3"}, {std::nullopt, "unnumbered"}};
    desktop.failingScreen = "DP-1";
    writer->legacySet(primary, {{{3, "three"}, a}, {{1, "one"}, b}, {{3, "again"}, b}});
    EXPECT_EQ(desktop.pictures, (Pictures{{"DP-1", "file:///p/b.jpg"},
                                          {"DP-2", "file:///p/primary.jpg"},
                                          {"DP-3", "file:///p/a.jpg"},
                                          {"unnumbered", "file:///p/primary.jpg"}}));
    desktop.pictures.clear();
    writer->legacySet(primary, {{{std::nullopt, "other"}, a}});
    EXPECT_EQ(desktop.pictures[3],
              (std::pair<std::string, std::string>{"unnumbered", "file:///p/a.jpg"}));

    // A display that went away drops out, and its screen's successor gets the primary.
    desktop.uuids = {{1, "UUID-1"}, {2, "UUID-2"}};
    const auto screens = writer->legacyScreens({{"UUID-GONE", a}, {"UUID-2", b}, {"UUID-1", a}});
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].display.name, "DP-2");
    EXPECT_EQ(screens[1].display.name, "DP-1");
    EXPECT_EQ(screens[1].url, a);
}

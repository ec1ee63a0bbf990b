#include "main/hot_key_center.h"

#include "support/log_capture.h"
#include "support/test_environment.h"

#include <gtest/gtest.h>

namespace ks {
namespace {

// Takes every combination but those of a refused key code; `pressed` presses.
struct FakeHotKeys final : HotKeys {
    std::map<std::uint32_t, int> refused; // key code -> status
    std::vector<std::pair<HotKeyID, KeyCombination>> registered;
    int installs = 0;
    std::function<void(HotKeyID)> pressed;

    void installPressedHandler(std::function<void(HotKeyID)> handler) override {
        ++installs;
        pressed = std::move(handler);
    }
    int registerHotKey(HotKeyID id, KeyCombination combination) override {
        if (refused.contains(combination.keyCode))
            return refused[combination.keyCode];
        registered.emplace_back(id, combination);
        return 0;
    }
};

class HotKeyCenterTest : public testing::Test {
protected:
    std::function<void()> records(std::string name) {
        return [this, name] { ran.push_back(name); };
    }

    test::TestEnvironment env;
    FakeHotKeys keys;
    std::unique_ptr<HotKeyCenter> center = std::make_unique<HotKeyCenter>(keys, env.loop);
    std::vector<std::string> ran;
};

TEST_F(HotKeyCenterTest, APressRunsItsHandlerOnTheLoopsNextTurnAndAnUnknownOneNothing) {
    center->registerHotKey(1, 45, 6400, records("next"));
    center->registerHotKey(2, 35, 6400, records("previous"));
    EXPECT_EQ(keys.installs, 1);
    ASSERT_EQ(keys.registered.size(), 2u);
    EXPECT_EQ(keys.registered[1].first.signature, 0x4B535750u) << "'KSWP'";
    EXPECT_EQ(keys.registered[1].first.id, 2u);
    EXPECT_EQ(keys.registered[1].second.keyCode, 35u);
    EXPECT_EQ(keys.registered[1].second.modifiers, 6400u);
    // Only the number counts.
    keys.pressed({0, 2});
    keys.pressed({0, 3});
    EXPECT_TRUE(ran.empty()) << "not inside the platform's callback";
    env.runUntilIdle();
    EXPECT_EQ(ran, std::vector<std::string>{"previous"});
}

TEST_F(HotKeyCenterTest, ARefusalIsLoggedOnceAndStoresNothingWhileTheOtherKeyWorks) {
    for (const auto& [id, status, line] :
         {std::tuple{1u, 10, "RegisterEventHotKey failed for id 1: 10"},
          {4294967295u, -1, "RegisterEventHotKey failed for id 4294967295: -1"}}) {
        FakeHotKeys keys;
        HotKeyCenter center(keys, env.loop);
        keys.refused[45] = status;
        ran.clear();
        test::LogCapture log;
        center.registerHotKey(id, 45, 6400, records("refused"));
        center.registerHotKey(id + 1, 35, 6400, records("other"));
        EXPECT_EQ(log.lines(), std::vector<std::string>{line});
        keys.pressed({0, id});
        keys.pressed({0, id + 1});
        env.runUntilIdle();
        EXPECT_EQ(ran, std::vector<std::string>{"other"}) << line;
    }
}

TEST_F(HotKeyCenterTest, AnIdRegisteredAgainKeepsBothCombinationsOnTheLatestHandler) {
    center->registerHotKey(1, 45, 6400, records("first"));
    // A handler may register its own id again while it runs, and still runs to its end.
    center->registerHotKey(1, 35, 512, [this, name = std::string("second")] {
        center->registerHotKey(1, 35, 512, records("third"));
        ran.push_back(name);
    });
    ASSERT_EQ(keys.registered.size(), 2u);
    EXPECT_EQ(keys.registered[0].second.keyCode, 45u);
    for (int press = 0; press < 2; ++press) {
        keys.pressed({0, 1});
        env.runUntilIdle();
    }
    EXPECT_EQ(ran, (std::vector<std::string>{"second", "third"}));
}

TEST_F(HotKeyCenterTest, APressDuringOrAfterTheCentresTeardownDoesNothing) {
    center->registerHotKey(1, 45, 6400, records("next"));
    keys.pressed({0, 1});
    center.reset();
    keys.pressed({0, 1});
    env.runUntilIdle();
    EXPECT_TRUE(ran.empty());
}

} // namespace
} // namespace ks

#include "main/hot_key_center.h"

#include "support/log_capture.h"
#include "support/test_environment.h"

#include <gtest/gtest.h>

namespace ks {
namespace {

// Signature, number, key code, modifiers.
using Registered =
    std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>>;
using Ran = std::vector<std::string>;

// Takes every combination but those of a refused key code; `pressed` presses.
struct FakeHotKeys final : HotKeys {
    std::map<std::uint32_t, int> refused; // key code -> status
    Registered registered;
    int installs = 0;
    std::function<void(HotKeyID)> pressed;

    void installPressedHandler(std::function<void(HotKeyID)> handler) override {
        ++installs;
        pressed = std::move(handler);
    }
    int registerHotKey(HotKeyID id, KeyCombination c) override {
        if (refused.contains(c.keyCode))
            return refused[c.keyCode];
        registered.emplace_back(id.signature, id.id, c.keyCode, c.modifiers);
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
    Ran ran;
};

TEST_F(HotKeyCenterTest, APressRunsItsHandlerOnTheLoopsNextTurnWhileTheCenterLives) {
    center->registerHotKey(1, 45, 6400, records("next"));
    center->registerHotKey(2, 35, 6400, records("previous"));
    EXPECT_EQ(keys.installs, 1);
    EXPECT_EQ(keys.registered, (Registered{{0x4B535750, 1, 45, 6400}, {0x4B535750, 2, 35, 6400}}))
        << "'KSWP'";
    // Only the number counts; one nobody registered does nothing.
    keys.pressed({0, 2});
    keys.pressed({0, 3});
    EXPECT_TRUE(ran.empty()) << "not inside the platform's callback";
    env.runUntilIdle();
    EXPECT_EQ(ran, Ran{"previous"});
    // Pressed while the center goes, and after.
    keys.pressed({0, 1});
    center.reset();
    keys.pressed({0, 1});
    env.runUntilIdle();
    EXPECT_EQ(ran, Ran{"previous"});
}

TEST_F(HotKeyCenterTest, ARefusalIsLoggedOnceAndStoresNothingWhileTheOtherKeyWorks) {
    keys.refused[45] = -1;
    test::LogCapture log;
    center->registerHotKey(4294967295u, 45, 6400, records("refused"));
    center->registerHotKey(1, 35, 6400, records("other"));
    EXPECT_EQ(log.lines(), Ran{"RegisterEventHotKey failed for id 4294967295: -1"});
    keys.pressed({0, 4294967295u});
    keys.pressed({0, 1});
    env.runUntilIdle();
    EXPECT_EQ(ran, Ran{"other"});
}

TEST_F(HotKeyCenterTest, AnIdRegisteredAgainKeepsBothCombinationsOnTheLatestHandler) {
    center->registerHotKey(1, 45, 6400, records("first"));
    center->registerHotKey(1, 35, 512, records("second"));
    EXPECT_EQ(keys.registered.size(), 2u);
    keys.pressed({0, 1});
    env.runUntilIdle();
    EXPECT_EQ(ran, Ran{"second"});
}

} // namespace
} // namespace ks

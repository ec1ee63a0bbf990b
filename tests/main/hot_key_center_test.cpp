#include "main/hot_key_center.h"

#include "support/log_capture.h"
#include "support/test_environment.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ks {
namespace {

// Takes every combination except those of `refused` key codes, and presses on request.
class FakeHotKeys final : public HotKeys {
public:
    struct Registered {
        HotKeyID id;
        KeyCombination combination;
    };
    std::map<std::uint32_t, int> refused; // key code -> status
    std::vector<Registered> registered;
    int installs = 0;

    void installPressedHandler(std::function<void(HotKeyID)> handler) override {
        ++installs;
        m_handler = std::move(handler);
    }
    int registerHotKey(HotKeyID id, KeyCombination combination) override {
        if (const auto found = refused.find(combination.keyCode); found != refused.end())
            return found->second;
        registered.push_back({id, combination});
        return 0;
    }
    void press(std::uint32_t number, std::uint32_t signature = HotKeyCenter::kSignature) {
        if (m_handler)
            m_handler({signature, number});
    }

private:
    std::function<void(HotKeyID)> m_handler;
};

class HotKeyCenterTest : public testing::Test {
protected:
    // A handler that records `name` when it runs.
    std::function<void()> records(std::string name) {
        return [this, name] { ran.push_back(name); };
    }
    void press(std::uint32_t number) {
        keys.press(number);
        env.runUntilIdle();
    }

    test::TestEnvironment env;
    FakeHotKeys keys;
    std::unique_ptr<HotKeyCenter> center = std::make_unique<HotKeyCenter>(keys, env.loop);
    std::vector<std::string> ran;
};

TEST_F(HotKeyCenterTest, ARegisteredKeyRunsItsHandlerOnTheLoopsNextTurn) {
    center->registerHotKey(1, 45, 6400, records("next"));
    center->registerHotKey(2, 35, 6400, records("previous"));
    EXPECT_EQ(keys.installs, 1);
    ASSERT_EQ(keys.registered.size(), 2u);
    EXPECT_EQ(keys.registered[0].id.signature, 0x4B535750u) << "'KSWP'";
    EXPECT_EQ(keys.registered[1].id.id, 2u);
    EXPECT_EQ(keys.registered[1].combination.keyCode, 35u);
    EXPECT_EQ(keys.registered[1].combination.modifiers, 6400u);

    keys.press(2);
    EXPECT_TRUE(ran.empty()) << "not inside the platform's callback";
    env.runUntilIdle();
    EXPECT_EQ(ran, std::vector<std::string>{"previous"});
    // Only the number counts; a number nobody registered does nothing.
    keys.press(1, 0);
    keys.press(3);
    env.runUntilIdle();
    EXPECT_EQ(ran, (std::vector<std::string>{"previous", "next"}));
}

TEST_F(HotKeyCenterTest, ARefusalIsLoggedOnceAndStoresNothingWhileTheOtherKeysWork) {
    const struct {
        std::uint32_t id;
        int status;
        const char* line;
    } cases[] = {
        {1, 10, "RegisterEventHotKey failed for id 1: 10"},
        {7, -1, "RegisterEventHotKey failed for id 7: -1"},
        {4294967295u, 2, "RegisterEventHotKey failed for id 4294967295: 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        FakeHotKeys keys;
        HotKeyCenter center(keys, env.loop);
        keys.refused[45] = c.status;
        ran.clear();
        test::LogCapture log;
        center.registerHotKey(c.id, 45, 6400, records("refused"));
        center.registerHotKey(c.id + 1, 35, 6400, records("other"));
        EXPECT_EQ(log.lines(), std::vector<std::string>{c.line});
        keys.press(c.id);
        keys.press(c.id + 1);
        env.runUntilIdle();
        EXPECT_EQ(ran, std::vector<std::string>{"other"});
    }
}

TEST_F(HotKeyCenterTest, RegisteringAnIdAgainKeepsBothCombinationsOnTheLatestHandler) {
    center->registerHotKey(1, 45, 6400, records("first"));
    // A handler may register its own id again while it runs, and still runs to its end.
    center->registerHotKey(1, 35, 512, [this, name = std::string("second")] {
        center->registerHotKey(1, 35, 512, records("third"));
        ran.push_back(name);
    });
    ASSERT_EQ(keys.registered.size(), 2u);
    EXPECT_EQ(keys.registered[0].combination.keyCode, 45u);
    EXPECT_EQ(keys.registered[1].combination.keyCode, 35u);
    press(1);
    press(1);
    EXPECT_EQ(ran, (std::vector<std::string>{"second", "third"}));
}

TEST_F(HotKeyCenterTest, APressDuringOrAfterTheCentresTeardownDoesNothing) {
    center->registerHotKey(1, 45, 6400, records("next"));
    keys.press(1);
    center.reset();
    keys.press(1);
    env.runUntilIdle();
    EXPECT_TRUE(ran.empty());
}

} // namespace
} // namespace ks

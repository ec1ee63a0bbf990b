// Key grabs on the harness's Xorg, pressed with xdotool's fake input.

#include "platform/x11/x11_hot_keys.h"
#include "support/log_capture.h"
#include "thread_posts.h"
#include "xorg_display.h"

#include <gtest/gtest.h>

namespace ks {
namespace {

constexpr KeyCombination kNext{45, 6400}, kPrevious{35, 6400}; // Control+Option+Command+N, P

class X11HotKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!e2e::XorgDisplay::available(&error))
            GTEST_SKIP() << error;
        ASSERT_TRUE(m_x.start(&error)) << error;
    }
    void run(const std::vector<std::string>& command) {
        ASSERT_EQ(m_x.run(command).status, 0) << command[1];
    }
    // Runs xdotool and waits until `count` presses have come in all.
    void press(const std::vector<std::string>& xdotool, std::size_t count) {
        run(xdotool);
        EXPECT_TRUE(
            test::waitFor([&] { return m_pressed.size() >= count; }, [&] { m_loop.runQueued(); }));
    }

    e2e::XorgDisplay m_x;
    test::PostQueue m_loop;
    std::vector<std::uint32_t> m_pressed;
};

TEST_F(X11HotKeysTest, PressesArriveWhateverTheLocksAfterAMapChangeOnceAndRefusedElsewhere) {
    X11HotKeys keys(m_loop, m_x.display());
    keys.installPressedHandler([this](HotKeyID id) { m_pressed.push_back(id.id); });
    ASSERT_EQ(keys.registerHotKey({0, 1}, kNext), 0);
    ASSERT_EQ(keys.registerHotKey({0, 2}, kPrevious), 0);
    {
        // Another client: refused; then Return, and a modifier bit of no modifier we know.
        X11HotKeys other(m_loop, m_x.display());
        EXPECT_EQ(other.registerHotKey({0, 3}, kNext), 10) << "BadAccess";
        EXPECT_EQ(other.registerHotKey({0, 3}, {36, 0}), X11HotKeys::kNoSuchKey);
        EXPECT_EQ(other.registerHotKey({0, 3}, {45, 1}), X11HotKeys::kNoSuchKey);
    }
    std::vector<std::uint32_t> expected;
    // Each lock key toggles its lock: none, Num Lock, both, Caps Lock.
    for (const char* lock : {"", "Num_Lock", "Caps_Lock", "Num_Lock"}) {
        if (*lock)
            run({"xdotool", "key", lock});
        press({"xdotool", "key", "ctrl+alt+super+n", "ctrl+alt+super+p"}, expected.size() + 2);
        expected.insert(expected.end(), {1, 2});
        EXPECT_EQ(m_pressed, expected) << lock;
    }
    // N and M swap keys: only a grab taken again follows N to its new key. The map is whole
    // once xmodmap has ended, so the first regrab it causes reads all of it.
    run({"xmodmap", "-e", "keycode 57 = m M", "-e", "keycode 58 = n N"});
    ASSERT_TRUE(test::waitFor([&] { return m_loop.queued() > 0; }));
    m_loop.runQueued();
    // P held long enough to repeat counts once: N's press comes next.
    press({"xdotool", "key", "ctrl+alt+super+n", "keydown", "ctrl+alt+super+p", "sleep", "1.2",
           "keyup", "ctrl+alt+super+p", "key", "ctrl+alt+super+n"},
          expected.size() + 3);
    expected.insert(expected.end(), {1, 2, 1});
    EXPECT_EQ(m_pressed, expected);
}

TEST(X11HotKeys, WithoutAnXServerEveryRegistrationFailsAndTheLogSaysWhy) {
    test::PostQueue loop;
    for (const auto& [display, wayland, line] :
         {std::tuple{std::optional<std::string>(":999"), false, "HotKeys: no X server; use the"},
          {std::nullopt, true, "HotKeys: a Wayland session, where X11 key grabs see only keys"}}) {
        test::LogCapture log;
        X11HotKeys keys(loop, display, wayland);
        EXPECT_EQ(keys.registerHotKey({0, 1}, kNext), X11HotKeys::kNoServer);
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_TRUE(log.lines()[0].starts_with(line)) << log.lines()[0];
    }
}

} // namespace
} // namespace ks

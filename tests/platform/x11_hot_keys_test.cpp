// Global hot keys as key grabs on a real X server (Xorg with the dummy driver), pressed with
// xdotool's fake input.

#include "platform/x11/x11_hot_keys.h"
#include "support/log_capture.h"
#include "thread_posts.h"
#include "xorg_display.h"

#include <gtest/gtest.h>

#include <vector>

namespace ks {
namespace {

constexpr std::uint32_t kSignature = 0x4B535750; // "KSWP"
constexpr KeyCombination kNext{45, 6400};        // Control+Option+Command+N
constexpr KeyCombination kPrevious{35, 6400};    // Control+Option+Command+P

class X11HotKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!e2e::XorgDisplay::available(&error))
            GTEST_SKIP() << error;
        ASSERT_TRUE(m_x.start(&error)) << error;
    }
    void run(const std::vector<std::string>& command) {
        const auto result = m_x.run(command);
        ASSERT_EQ(result.status, 0) << result.err;
    }
    // Hot keys whose presses are recorded by number.
    std::unique_ptr<X11HotKeys> makeKeys() {
        auto keys = std::make_unique<X11HotKeys>(m_loop, m_x.display());
        keys->installPressedHandler([this](HotKeyID id) {
            EXPECT_EQ(id.signature, kSignature);
            m_pressed.push_back(id.id);
        });
        return keys;
    }
    // Presses the keys and waits until as many presses as wanted have come.
    void press(const std::string& keys, std::size_t pressed) {
        run({"xdotool", "key", keys});
        EXPECT_TRUE(
            test::waitFor([&] { return m_pressed.size() >= pressed; }, [&] { m_loop.runQueued(); }))
            << keys;
    }

    e2e::XorgDisplay m_x;
    test::PostQueue m_loop;
    std::vector<std::uint32_t> m_pressed;
};

TEST_F(X11HotKeysTest, APressArrivesWhateverTheLocksAndAfterTheKeyboardMapChanges) {
    const auto keys = makeKeys();
    ASSERT_EQ(keys->registerHotKey({kSignature, 1}, kNext), 0);
    ASSERT_EQ(keys->registerHotKey({kSignature, 2}, kPrevious), 0);
    std::vector<std::uint32_t> expected;
    // Each lock key toggles its lock: off, Num Lock, both, Caps Lock.
    for (const char* lock : {"", "Num_Lock", "Caps_Lock", "Num_Lock"}) {
        SCOPED_TRACE(lock);
        if (*lock)
            run({"xdotool", "key", lock});
        press("ctrl+alt+super+n", expected.size() + 1);
        press("ctrl+alt+super+p", expected.size() + 2);
        expected.insert(expected.end(), {1, 2});
        EXPECT_EQ(m_pressed, expected);
    }
    run({"xdotool", "key", "Caps_Lock"});

    // N and M swap keys: only a grab taken again follows N to its new key.
    run({"xmodmap", "-e", "keycode 57 = m M", "-e", "keycode 58 = n N"});
    // The map is whole once xmodmap has ended: the first regrab it causes reads all of it.
    ASSERT_TRUE(test::waitFor([&] { return m_loop.queued() > 0; }));
    m_loop.runQueued();
    press("ctrl+alt+super+n", expected.size() + 1);
    expected.push_back(1);
    // A key held long enough to repeat counts once: the press after it comes next.
    run({"xdotool", "keydown", "ctrl+alt+super+p", "sleep", "1.2", "keyup", "ctrl+alt+super+p"});
    press("ctrl+alt+super+n", expected.size() + 2);
    expected.insert(expected.end(), {2, 1});
    EXPECT_EQ(m_pressed, expected);
}

TEST_F(X11HotKeysTest, ACombinationAnotherClientHoldsIsRefusedWithBadAccess) {
    const auto first = makeKeys();
    ASSERT_EQ(first->registerHotKey({kSignature, 1}, kNext), 0);
    X11HotKeys second(m_loop, m_x.display());
    EXPECT_EQ(second.registerHotKey({kSignature, 7}, kNext), 10);
    EXPECT_EQ(second.registerHotKey({kSignature, 8}, kPrevious), 0);
    // What X cannot express.
    EXPECT_EQ(second.registerHotKey({kSignature, 9}, {36, 6400}), X11HotKeys::kNoSuchKey)
        << "Return";
    EXPECT_EQ(second.registerHotKey({kSignature, 9}, {45, 6400 | 1024}), X11HotKeys::kNoSuchKey);
    press("ctrl+alt+super+n", 1);
    EXPECT_EQ(m_pressed, std::vector<std::uint32_t>{1});
}

TEST(X11HotKeys, WithoutAnXServerEveryRegistrationFailsAndTheLogSaysWhy) {
    test::PostQueue loop;
    const struct {
        std::optional<std::string> display;
        bool wayland;
        const char* line;
    } cases[] = {
        {":999", false, "HotKeys: no X server; use the command line options --next and"},
        {std::nullopt, false, "HotKeys: no X server; use the command line options --next and"},
        {std::nullopt, true, "HotKeys: a Wayland session, where X11 key grabs see only keys"},
    };
    for (const auto& c : cases) {
        test::LogCapture log;
        X11HotKeys keys(loop, c.display, c.wayland);
        EXPECT_EQ(keys.registerHotKey({0, 1}, kNext), X11HotKeys::kNoServer);
        const auto lines = log.lines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_TRUE(lines[0].starts_with(c.line)) << lines[0];
    }
}

} // namespace
} // namespace ks

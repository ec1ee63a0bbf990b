// The tray host watcher: a StatusNotifierItem watcher coming and going on a private bus, and
// an XEmbed tray (trayer) starting and ending on the end-to-end harness's Xorg.

#include "platform/private_bus.h"
#include "ui/tray_host_watcher.h"
#include "xorg_display.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace ks::test {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

TEST(TrayHostWatcherX11Test, XEmbedTrayStartingAndEnding) {
    // Before the bus test, which leaves a QCoreApplication behind when both run in one process.
    if (QCoreApplication::instance())
        GTEST_SKIP() << "needs a process without a Qt application yet";
    std::string reason;
    if (!e2e::XorgDisplay::available(&reason))
        GTEST_SKIP() << reason;
    if (!e2e::findExecutable("trayer"))
        GTEST_SKIP() << "trayer is not installed";
    e2e::XorgDisplay x;
    ASSERT_TRUE(x.start(&reason)) << reason;
    x.enterEnvironment();
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    int argc = 1;
    char name[] = "tray-host-watcher-test";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    std::vector<bool> changes;
    TrayHostWatcher watcher([&](bool running) { changes.push_back(running); }, QDBusConnection(""));
    EXPECT_FALSE(watcher.running());
    for (int round = 0; round < 2; ++round) {
        e2e::ChildProcess& tray = x.spawn({"trayer", "--edge", "top", "--align", "right"},
                                          "trayer" + std::to_string(round));
        EXPECT_TRUE(spinUntil([&] { return changes.size() == 2u * round + 1; }));
        EXPECT_TRUE(watcher.running());
        tray.stop();
        EXPECT_TRUE(spinUntil([&] { return changes.size() == 2u * round + 2; }));
    }
    EXPECT_EQ(changes, (std::vector<bool>{true, false, true, false}));

    // A tray that takes the selection without announcing it, then goes: the server's word on
    // the selection changing hands is enough.
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> quiet(
        xcb_connect(x.display().c_str(), nullptr), xcb_disconnect);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(quiet.get())).data;
    const xcb_window_t window = xcb_generate_id(quiet.get());
    xcb_create_window(quiet.get(), XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const char selection[] = "_NET_SYSTEM_TRAY_S0";
    auto* atom = xcb_intern_atom_reply(
        quiet.get(), xcb_intern_atom(quiet.get(), 0, sizeof selection - 1, selection), nullptr);
    ASSERT_TRUE(atom);
    xcb_set_selection_owner(quiet.get(), window, atom->atom, XCB_CURRENT_TIME);
    std::free(atom);
    xcb_flush(quiet.get());
    EXPECT_TRUE(spinUntil([&] { return changes.size() == 5u; }));
    xcb_destroy_window(quiet.get(), window);
    xcb_flush(quiet.get());
    EXPECT_TRUE(spinUntil([&] { return changes.size() == 6u; }));
    EXPECT_EQ(changes, (std::vector<bool>{true, false, true, false, true, false}));
}

class TrayHostWatcherTest : public PrivateBusTest {};

TEST_F(TrayHostWatcherTest, StatusNotifierHostComingAndGoing) {
    QDBusConnection host = m_bus.connect();
    std::vector<bool> changes;
    TrayHostWatcher watcher([&](bool running) { changes.push_back(running); }, m_watching);
    EXPECT_FALSE(watcher.running());
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(host.registerService(kWatcher));
        settle(host, m_watching);
        ASSERT_TRUE(host.unregisterService(kWatcher));
        settle(host, m_watching);
    }
    EXPECT_EQ(changes, (std::vector<bool>{true, false, true, false}));

    // A host that is there from the start is where the watcher starts, not a change.
    ASSERT_TRUE(host.registerService(kWatcher));
    settle(host, m_watching);
    changes.clear();
    TrayHostWatcher late([&](bool running) { changes.push_back(running); }, m_watching);
    EXPECT_TRUE(late.running());
    EXPECT_TRUE(changes.empty());
}

} // namespace
} // namespace ks::test

// A cover and the screen list on a real X server: the displays RandR lists, the picture on
// the screen's pixels, and the window manager hints as a window manager would read them.

#include "platform/qt/qt_cover_window.h"
#include "platform/qt/qt_cover_x11.h"
#include "platform/qt/qt_screens.h"
#include "platform/x11/randr_displays.h"
#include "qt_wait.h"
#include "xorg_display.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace ks {
namespace {

// Which top-level window takes the pointer at (x, y): the server decides by input shapes.
xcb_window_t windowTakingPointerAt(const std::string& display, int x, int y) {
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(display.c_str(), nullptr), xcb_disconnect);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data->root;
    xcb_warp_pointer(connection.get(), XCB_NONE, root, 0, 0, 0, 0, std::int16_t(x),
                     std::int16_t(y));
    auto* reply = xcb_query_pointer_reply(connection.get(),
                                          xcb_query_pointer(connection.get(), root), nullptr);
    const xcb_window_t child = reply ? reply->child : XCB_NONE;
    std::free(reply);
    return child;
}

// The root's children, bottom first.
std::vector<xcb_window_t> stackingOrder(const std::string& display) {
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(display.c_str(), nullptr), xcb_disconnect);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data->root;
    auto* tree =
        xcb_query_tree_reply(connection.get(), xcb_query_tree(connection.get(), root), nullptr);
    std::vector<xcb_window_t> children;
    if (tree) {
        const xcb_window_t* first = xcb_query_tree_children(tree);
        children.assign(first, first + xcb_query_tree_children_length(tree));
    }
    std::free(tree);
    return children;
}

TEST(QtCoverX11Test, ListsTheOutputsAndCoversTheSecondWithItsPictureAsADesktopWindow) {
    std::string error;
    if (!e2e::XorgDisplay::available(&error))
        GTEST_SKIP() << error;
    e2e::XorgDisplay x;
    ASSERT_TRUE(x.start(&error)) << error;
    x.enterEnvironment();
    ASSERT_TRUE(x.paintRoot({0, 0, 0}));
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    int argc = 1;
    char name[] = "ks-qt-cover-x11-tests";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    // Qt's screens carry the RandR output of the same name, the primary first; without
    // RandR, the name alone.
    const auto outputs = activeDisplays();
    const auto screens = QtScreens().screens();
    ASSERT_EQ(outputs.size(), 2u);
    ASSERT_EQ(screens.size(), 2u);
    for (const auto& output : outputs) {
        const auto screen =
            std::ranges::find(screens, output.name, [](const auto& s) { return s.display.name; });
        ASSERT_NE(screen, screens.end()) << output.name;
        EXPECT_EQ(screen->display.number, output.output);
        EXPECT_EQ(screen->uuid, output.uuid);
        EXPECT_EQ(screen->frame, (ScreenFrame{output.x, output.y, output.width, output.height}));
    }
    EXPECT_EQ(screens[0].display.name, QGuiApplication::primaryScreen()->name().toStdString());
    const auto unmatched = QtScreens([] { return std::vector<X11Display>{}; }).screens();
    EXPECT_EQ(unmatched[0].display, (DisplayHandle{std::nullopt, screens[0].display.name}));
    EXPECT_EQ(unmatched[0].uuid, std::nullopt);

    // A desktop-icons window, and a window made before the cover, as the settings window
    // opened at launch is.
    QWindow icons;
    icons.setGeometry(0, 0, 50, 50);
    icons.create();
    markAsDesktopCover(icons);
    icons.show();
    QWindow earlier;
    earlier.setGeometry(100, 100, 200, 200);
    earlier.show();
    const ScreenFrame right{1920, 0, 1920, 1080};
    QtCoverWindow cover(QGuiApplication::screenAt({2880, 540}), right);
    auto red = std::make_shared<std::uint8_t[]>(1920 * 1080 * 4);
    for (std::size_t i = 0; i < 1920 * 1080 * 4; i += 4)
        red[i] = red[i + 3] = 255;
    cover.show(Image{1920, 1080, red}, 0);
    cover.raise(right);
    ASSERT_TRUE(test::spinUntil([&] {
        return x.rootPixel(2880, 540) == e2e::Rgb{255, 0, 0};
    })) << *x.rootPixel(2880, 540);
    EXPECT_EQ(x.rootPixel(1920, 0), (e2e::Rgb{255, 0, 0}));
    EXPECT_EQ(x.rootPixel(1919, 540), (e2e::Rgb{0, 0, 0})) << "the first display stays bare";

    const auto props = x.run({"xprop", "-id", std::to_string(cover.window().winId())});
    ASSERT_EQ(props.status, 0) << props.err;
    for (const char* expected :
         {"_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_DESKTOP\n", "_NET_WM_STATE_STICKY",
          "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_BELOW",
          "_NET_WM_DESKTOP(CARDINAL) = 4294967295\n", "accepts input or input focus: False",
          "_NET_WM_USER_TIME(CARDINAL) = 0\n"})
        EXPECT_NE(props.out.find(expected), std::string::npos) << expected << " in\n" << props.out;
    EXPECT_NE(windowTakingPointerAt(x.display(), 2880, 540), cover.window().winId())
        << "clicks go through it";
    // With no window manager to keep it down, it puts itself under the windows made before,
    // and over the desktop icons.
    const std::vector<xcb_window_t> stack = stackingOrder(x.display());
    const auto at = [&](WId id) {
        return std::ranges::find(stack, xcb_window_t(id)) - stack.begin();
    };
    EXPECT_LT(at(cover.window().winId()), at(earlier.winId()));
    EXPECT_GT(at(cover.window().winId()), at(icons.winId()));

    cover.lower();
    ASSERT_TRUE(test::spinUntil([&] { return x.rootPixel(2880, 540) == e2e::Rgb{0, 0, 0}; }));
}

} // namespace
} // namespace ks

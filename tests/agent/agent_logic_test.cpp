#include "agent/backend_choice.h"
#include "agent/command_template.h"
#include "agent/picture_plan.h"
#include "agent/x11_pixel_format.h"
#include "platform/x11/randr_displays.h"
#include "system/display_uuid.h"
#include "system/wallpaper_store.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <fstream>
#include <regex>
#include <unistd.h>

namespace ks {
namespace {

FileUrl urlOf(const std::string& path) {
    return *FileUrl::fromPath(path);
}

// A store as the writer leaves it.
PlistPtr writtenStore(const std::string& primary, const DisplayList& displays, int major) {
    PlistPtr store(plist_new_dict());
    updateStore(store.get(), urlOf(primary), displays, {major, 0, "test"}, SysTime{});
    return store;
}

std::vector<std::optional<std::string>> pictures(const DisplayPlan& plan) {
    std::vector<std::optional<std::string>> result;
    for (const auto& planned : plan)
        result.push_back(planned.picture ? std::optional(planned.picture->absoluteString())
                                         : std::nullopt);
    return result;
}

const std::vector<AgentDisplay> kTwoDisplays{{"UUID-A", "DP-1", 0, 0, 1920, 1080},
                                             {"UUID-B", "HDMI-1", 1920, 0, 1280, 1024}};

TEST(PicturePlan, EachDisplayTakesItsOwnEntryElseTheOneForEveryDisplay) {
    // Both forms the writer uses: a file list (system 15) and a configuration blob (26).
    for (int major : {15, 26}) {
        SCOPED_TRACE(major);
        const auto perDisplay = writtenStore("/p/all.jpg", {{"UUID-A", urlOf("/p/a.jpg")}}, major);
        const auto plan = std::get<DisplayPlan>(planStore(perDisplay.get(), kTwoDisplays, {}));
        // "AllSpacesAndDisplays" holds no picture once displays are named.
        EXPECT_EQ(pictures(plan),
                  (std::vector<std::optional<std::string>>{"file:///p/a.jpg", std::nullopt}));

        const auto everywhere = writtenStore("/p/all.jpg", {}, major);
        EXPECT_EQ(
            pictures(std::get<DisplayPlan>(planStore(everywhere.get(), kTwoDisplays, {}))),
            (std::vector<std::optional<std::string>>{"file:///p/all.jpg", "file:///p/all.jpg"}));
    }
    // A display entry without a picture (a default choice) falls back to the common one.
    const auto store = writtenStore("/p/all.jpg", {}, 15);
    plist_t entry = plist_new_dict();
    plist_dict_set_item(entry, "Desktop", static_cast<plist_t>(defaultChoice(SysTime{}).release()));
    plist_dict_set_item(plist_dict_get_item(static_cast<plist_t>(store.get()), "Displays"),
                        "UUID-B", entry);
    EXPECT_EQ(storePictureFor(store.get(), "UUID-B"), "file:///p/all.jpg");
}

TEST(PicturePlan, WithoutADisplayListOneStandInTakesTheCommonOrFirstPicture) {
    const auto common = writtenStore("/p/all.jpg", {}, 15);
    const auto onlyDisplays =
        writtenStore("/p/all.jpg", {{"X", urlOf("/p/x.jpg")}, {"Y", urlOf("/p/y.jpg")}}, 15);
    for (const auto& [store, expected] :
         {std::pair(common.get(), "file:///p/all.jpg"), {onlyDisplays.get(), "file:///p/x.jpg"}}) {
        const auto plan = std::get<DisplayPlan>(planStore(store, {}, {}));
        ASSERT_EQ(plan.size(), 1u);
        EXPECT_EQ(plan[0].display.name, "*");
        EXPECT_EQ(plan[0].picture->absoluteString(), expected);
    }
}

TEST(PicturePlan, RefusesPicturesThatAreNoLocalFilesAndUnknownDisplays) {
    const PlistPtr store = parsePropertyList(asBytes(
        "<plist><dict><key>AllSpacesAndDisplays</key><dict><key>Desktop</key><dict><key>Content"
        "</key><dict><key>Choices</key><array><dict><key>Files</key><array><dict><key>relative"
        "</key><string>https://example.com/x.jpg</string></dict></array></dict></array></dict>"
        "</dict></dict></dict></plist>"));
    ASSERT_EQ(storePictureForAny(store.get()), "https://example.com/x.jpg");
    EXPECT_TRUE(std::holds_alternative<PlanError>(planStore(store.get(), kTwoDisplays, {})));
    EXPECT_TRUE(std::holds_alternative<PlanError>(
        planOnePicture("UUID-C", "file:///p/c.jpg", kTwoDisplays, {})));
    EXPECT_TRUE(std::holds_alternative<PlanError>(
        planOnePicture("UUID-A", "relative/c.jpg", kTwoDisplays, {})));
    // The other display keeps its picture, and says which it is when that is known. A UUID
    // typed in lower case still names its display.
    const auto plan = std::get<DisplayPlan>(
        planOnePicture("uuid-b", "file:///p/c.jpg", kTwoDisplays, {{"UUID-A", "file:///p/a.jpg"}}));
    EXPECT_EQ(pictures(plan),
              (std::vector<std::optional<std::string>>{std::nullopt, "file:///p/c.jpg"}));
    EXPECT_EQ(plan[0].shown->absoluteString(), "file:///p/a.jpg");
}

TEST(CommandTemplate, SplitsLikePlainShellWords) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
        {"swaymsg output {output} bg {file} fill",
         {"swaymsg", "output", "{output}", "bg", "{file}", "fill"}},
        {"  set-bg\t--mode 'fill  crop' \"a \\\"b\\\" \\\\\" ''", //
         {"set-bg", "--mode", "fill  crop", "a \"b\" \\", ""}},
        {"x 'it'\"'\"'s' back\\ slash", {"x", "it's", "back slash"}},
    };
    for (const auto& [text, words] : cases)
        EXPECT_EQ(splitCommandTemplate(text), words) << text;
    for (const char* bad : {"", "   ", "a 'open", "a \"open", "trailing\\"})
        EXPECT_FALSE(splitCommandTemplate(bad)) << bad;
}

TEST(BackendChoice, FollowsTheSessionAndNeverPaintsARootWindowNobodySees) {
    using enum BackendKind;
    struct Session {
        const char* desktop;
        const char* type = "x11";
        bool x11 = true;
        bool command = false;
        bool swaySocket = false;
        std::optional<BackendKind> running = std::nullopt;
    };
    // The session, the backend, for none the desktop the message names, and whether the
    // desktop fades to a new picture itself (so that covers would only hide it).
    const std::vector<std::tuple<Session, std::optional<BackendKind>, const char*, bool>> cases{
        {{"GNOME"}, Gnome, "", true},
        {{"ubuntu:GNOME", "wayland", false}, Gnome, "", true},
        {{"Budgie:GNOME"}, Gnome, "", true},
        {{"GNOME-Flashback:GNOME"}, Gnome, "", true},
        {{"KDE", "wayland"}, Plasma, "", true},
        {{"XFCE"}, Xfce, "", false},
        {{"xfce"}, Xfce, "", false},
        {{"X-Cinnamon"}, Cinnamon, "", true},
        {{"MATE"}, Mate, "", true},
        {{"LXQt"}, Lxqt, "", false},
        {{"sway", "wayland", false}, Sway, "", false},
        {{"", "wayland", false, false, true}, Sway, "", false},
        {{"GNOME", "x11", true, true}, Command, "", true},
        {{"Hyprland", "wayland", false, true}, Command, "", false},
        // Only where nothing paints over it is the root window the wallpaper.
        {{""}, X11Root, "", false},
        {{"i3"}, X11Root, "", false},
        {{"", "x11", true, false, false, Plasma}, Plasma, "", true},
        // No silent success: a session no backend of ours draws on fails, naming itself.
        {{"i3", "x11", false}, std::nullopt, "i3", false},
        {{"Hyprland", "wayland"}, std::nullopt, "Hyprland", false},
        {{"river", ""}, std::nullopt, "river", false},
        {{"", "wayland"}, std::nullopt, "", false},
        {{"LXDE"}, std::nullopt, "LXDE", false},
        {{"GNOMEISH"}, std::nullopt, "GNOMEISH", false},
        {{"", "x11", false}, std::nullopt, "", false},
    };
    for (const auto& [session, expected, named, fades] : cases) {
        const SessionFacts facts{.currentDesktop = session.desktop,
                                 .sessionType = session.type,
                                 .waylandDisplay = std::string_view(session.type) == "wayland",
                                 .swaySocket = session.swaySocket,
                                 .haveCommandTemplate = session.command,
                                 .x11Reachable = session.x11,
                                 .runningDesktop = session.running};
        const auto choice = chooseBackend(facts);
        EXPECT_EQ(choice.kind, expected) << session.desktop << " " << session.type;
        EXPECT_EQ(desktopAnimatesChanges(facts), fades) << session.desktop;
        if (!expected) {
            EXPECT_EQ(choice.desktop, named);
            EXPECT_TRUE(noBackendMessage(choice).starts_with(std::string(named)))
                << noBackendMessage(choice);
        }
    }
}

TEST(BackendChoice, ADesktopsSessionProgramOnThisDisplayIsFoundByTheNameTheKernelKeeps) {
    const auto proc =
        std::filesystem::temp_directory_path() / ("ks-proc-" + std::to_string(getpid()));
    for (const auto& [pid, comm, display, expected] :
         std::vector<std::tuple<const char*, const char*, std::string, std::optional<BackendKind>>>{
             {"self", "plasmashell", ":5", std::nullopt},
             {"17", "bash", ":5", std::nullopt},
             // The user's desktop beside a private X server is not this display's.
             {"18", "gnome-shell", ":0", std::nullopt},
             {"19", "gnome-shell", ":50", std::nullopt},
             {"230", "cinnamon-sessio", ":5", BackendKind::Cinnamon}, // cut at 15 characters
             {"4100", "plasmashell", ":5", BackendKind::Plasma}}) {
        std::filesystem::create_directories(proc / pid);
        std::ofstream(proc / pid / "comm") << comm << "\n";
        std::ofstream(proc / pid / "environ", std::ios::binary)
            << "HOME=/h" << '\0' << "DISPLAY=" << display << '\0' << "X=DISPLAY=:5" << '\0';
        EXPECT_EQ(runningDesktopProgram(proc, ":5"), expected) << comm << " " << display;
    }
    EXPECT_EQ(runningDesktopProgram(proc, ""), std::nullopt);
    std::filesystem::remove_all(proc);
}

TEST(DisplayUuids, StableVersion8FromTheEdidElseTheOutputNameAndOneForEachTwin) {
    const Bytes twin{0x00, 0xFF, 0xFF, 0x01, 0x02};
    const Bytes other{0x00, 0xFF, 0xFF, 0x03};
    const std::string fromEdid = displayUuid(twin, "DP-1");
    EXPECT_TRUE(std::regex_match(
        fromEdid,
        std::regex("[0-9A-F]{8}-[0-9A-F]{4}-8[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}")))
        << fromEdid;
    EXPECT_EQ(fromEdid, displayUuid(twin, "HDMI-2")) << "the monitor, not the port";
    EXPECT_NE(fromEdid, displayUuid({}, "DP-1"));
    // sha256("output:DP-1") = bd045a5d 8464 3ca6 afa4 27b2cc3162e0 …, version and variant set.
    EXPECT_EQ(displayUuid({}, "DP-1"), "BD045A5D-8464-8CA6-AFA4-27B2CC3162E0");

    // Twin monitors with one EDID still get a UUID each, the same on every run.
    std::vector<X11Display> displays{
        {.output = 1, .name = "DP-1", .edid = twin},
        {.output = 2, .name = "DP-2", .edid = twin},
        {.output = 3, .name = "HDMI-1", .edid = other},
        {.output = 4, .name = "VGA-1"},
    };
    assignDisplayUuids(displays);
    EXPECT_NE(displays[0].uuid, displays[1].uuid);
    EXPECT_NE(displays[0].uuid, fromEdid);
    EXPECT_EQ(displays[2].uuid, displayUuid(other, "HDMI-1"));
    EXPECT_EQ(displays[3].uuid, displayUuid({}, "VGA-1"));
    auto again = displays;
    assignDisplayUuids(again);
    EXPECT_EQ(again[1].uuid, displays[1].uuid);
}

TEST(X11PixelFormat, ConvertsToTheVisualsLayoutAndByteOrder) {
    const std::uint8_t rgba[] = {0xFF, 0x80, 0x00, 0x40, 0x12, 0x34, 0x56, 0xFF};
    const std::vector<std::pair<X11PixelFormat, std::vector<std::uint8_t>>> cases{
        // The alpha of a decoded picture is no part of an opaque desktop.
        {{0xFF0000, 0xFF00, 0xFF, 24, 32, 32, false}, {0, 0x80, 0xFF, 0, 0x56, 0x34, 0x12, 0}},
        {{0xFF0000, 0xFF00, 0xFF, 32, 32, 32, true}, {0xFF, 0xFF, 0x80, 0, 0xFF, 0x12, 0x34, 0x56}},
        {{0xFF, 0xFF00, 0xFF0000, 24, 32, 32, false}, {0xFF, 0x80, 0, 0, 0x12, 0x34, 0x56, 0}},
        // 565: red 31, green 32, blue 0; then 2, 13, 10. Padded to 32 bits.
        {{0xF800, 0x07E0, 0x1F, 16, 16, 32, false}, {0x00, 0xFC, 0xAA, 0x11}},
    };
    for (const auto& [format, expected] : cases) {
        ASSERT_TRUE(format.supported());
        EXPECT_EQ(format.rowBytes(2), expected.size());
        std::vector<std::uint8_t> out(format.rowBytes(2));
        format.convertRow(rgba, 2, out.data());
        EXPECT_EQ(out, expected) << format.bitsPerPixel << " " << format.redMask;
    }
    EXPECT_FALSE((X11PixelFormat{0xF0F000, 0xFF00, 0xFF, 24, 32, 32, false}.supported()));
    EXPECT_FALSE((X11PixelFormat{0, 0, 0, 8, 8, 32, false}.supported()));
}

} // namespace
} // namespace ks

// The tray menu's logic over a real engine and settings store in virtual time: the banner,
// which rows show, the submenus, the countdown and what a click does.

#include "engine/engine_fixture.h"
#include "main/countdown_text.h"
#include "main/running_status.h"
#include "main/status_menu.h"
#include "settings/duration_option.h"

#include <gtest/gtest.h>

namespace ks::test {
namespace {

using namespace std::chrono_literals;

TEST(CountdownTextTest, FirstRuleThatAppliesWins) {
    const SysTime now = std::chrono::sys_days{std::chrono::March / 2 / 2026} + 9h;
    const auto shortTime = [](SysTime) { return std::string("9:30 AM"); };
    struct Case {
        const char* name;
        CountdownInputs in;
        std::string expected;
    };
    const Case cases[] = {
        {"paused beats everything",
         {true, true, true, DurationOption::never, now + 5s, now},
         "Rotation paused"},
        {"held on battery", {false, true, true, 60, now + 5s, now}, "Paused on battery"},
        {"battery without the option", {false, false, true, 60, now + 5s, now}, "Next in 0:05"},
        {"never",
         {false, false, false, DurationOption::never, std::nullopt, now},
         "Stays until you change it"},
        {"on wake",
         {false, false, false, DurationOption::onWake, std::nullopt, now},
         "Changes when your computer wakes"},
        {"no date: hidden", {false, false, false, 60, std::nullopt, now}, ""},
        {"daily: short time",
         {false, false, false, DurationOption::daily, now + 30min, now, shortTime},
         "Next change at 9:30 AM"},
        {"an hour or more", {false, false, false, 7200, now + 3909s, now}, "Next in 1:05:09"},
        {"under an hour", {false, false, false, 600, now + 247s, now}, "Next in 4:07"},
        {"half a second rounds up", {false, false, false, 600, now + 2500ms, now}, "Next in 0:03"},
        {"past", {false, false, false, 600, now - 40s, now}, "Next in 0:00"},
        {"far away", {false, false, false, 600, now + 24h * 400, now}, "Next in 9600:00:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(countdownText(c.in), c.expected) << c.name;
}

class StatusMenuTest : public EngineTest {
protected:
    StatusMenuTest() {
        setPacks({packOf("dunes", "nnn"), packOf("sea", "nn")});
        settings.setIntervalSeconds(600);
    }

    StatusMenu& menu() {
        if (!m_menu) {
            ShellActions actions;
            actions.showSettings = [this](std::optional<Wallpaper> reveal) {
                revealed.push_back(reveal ? reveal->key() : "");
            };
            m_commands = std::make_unique<AppCommands>(engine(), settings, std::move(actions));
            StatusMenuHooks hooks;
            hooks.closeMenu = [this] { ++closes; };
            hooks.askForName = [this](const NamePrompt& prompt) {
                prompts.push_back(prompt);
                return answer;
            };
            hooks.isOnBattery = [this] { return onBattery; };
            m_menu = std::make_unique<StatusMenu>(*m_commands, library, loop, std::move(hooks));
            m_observation = engine().observeCurrent([this] { m_menu->currentChanged(); });
        }
        return *m_menu;
    }
    // What the presentation reports once a change is on screen.
    void presented() { engine().presentationChanged(); }
    void open() {
        menu().menuNeedsUpdate();
        menu().menuWillOpen();
    }
    bool hidden(MenuRowID id) { return menu().row(id).hidden; }
    std::string dunesTitle(int n) {
        return Wallpaper{"dunes", std::to_string(n) + ".jpg"}.title(*library.pack("dunes"));
    }
    static std::vector<std::string> titles(const std::vector<MenuEntry>& entries) {
        std::vector<std::string> out;
        for (const MenuEntry& e : entries)
            out.push_back(e.separator
                              ? "---"
                              : e.title + (e.checked ? " ✓" : "") + (e.enabled ? "" : " (off)"));
        return out;
    }

    std::vector<std::string> revealed;
    std::vector<NamePrompt> prompts;
    std::optional<std::string> answer;
    int closes = 0;

private:
    std::unique_ptr<AppCommands> m_commands;
    std::unique_ptr<StatusMenu> m_menu;
    NotificationCenter::Observation m_observation;
};

TEST_F(StatusMenuTest, BannerAndRowsFollowTheWallpaperOnScreen) {
    open();
    EXPECT_TRUE(hidden(MenuRowID::banner)) << "nothing on screen yet";
    EXPECT_TRUE(hidden(MenuRowID::favorite));
    EXPECT_TRUE(hidden(MenuRowID::addToCollection));
    EXPECT_TRUE(hidden(MenuRowID::hide));
    menu().click(MenuRowID::banner);
    EXPECT_TRUE(revealed.empty()) << "a banner without a wallpaper does nothing";

    started();
    presented();
    EXPECT_EQ(menu().model().imageID(), "dunes/1.jpg");
    EXPECT_EQ(menu().model().packName(), "dunes");
    EXPECT_EQ(menu().model().wallpaperName(), dunesTitle(1));
    EXPECT_FALSE(hidden(MenuRowID::banner));
    EXPECT_FALSE(hidden(MenuRowID::hide));

    // Still on screen after its pack left the library: the raw identifier and file name.
    setPacks({packOf("sea", "nn")});
    open();
    EXPECT_EQ(menu().model().packName(), "dunes");
    EXPECT_EQ(menu().model().wallpaperName(), "1");

    settings.setOriginalWallpaperPath("/home/u/own.png");
    engine().restoreOriginalWallpaper();
    open();
    EXPECT_EQ(menu().model().imageID(), "__original__");
    EXPECT_EQ(menu().model().packName(), "Your wallpaper");
    EXPECT_EQ(menu().model().wallpaperName(), "Rotation paused");
    EXPECT_TRUE(hidden(MenuRowID::favorite));
    EXPECT_TRUE(hidden(MenuRowID::addToCollection));
    EXPECT_TRUE(hidden(MenuRowID::hide));
    EXPECT_EQ(menu().row(MenuRowID::pause).title, "Resume Rotation");
    EXPECT_EQ(menu().row(MenuRowID::countdown).title, "Rotation paused");
}

TEST_F(StatusMenuTest, ClicksActAndTheRowsFollow) {
    started();
    open();
    menu().click(MenuRowID::favorite);
    EXPECT_TRUE(settings.isFavorite(*engine().currentWallpaper()));
    EXPECT_EQ(menu().row(MenuRowID::favorite).title, "Unfavorite");
    EXPECT_EQ(menu().row(MenuRowID::favorite).symbol, "heart.fill");

    menu().click(MenuRowID::next);
    EXPECT_EQ(current(), "dunes/2.jpg");
    presented();
    EXPECT_EQ(menu().model().imageID(), "dunes/2.jpg") << "the banner follows the desktop";
    EXPECT_EQ(menu().row(MenuRowID::favorite).title, "Favorite");
    menu().click(MenuRowID::previous);
    EXPECT_EQ(current(), "dunes/1.jpg");

    menu().click(MenuRowID::hide);
    EXPECT_TRUE(settings.isHidden(Wallpaper{"dunes", "1.jpg"}));
    EXPECT_EQ(current(), "dunes/2.jpg");

    menu().click(MenuRowID::pause);
    EXPECT_TRUE(engine().paused());
    EXPECT_EQ(menu().row(MenuRowID::pause).symbol, "play.fill");
    EXPECT_EQ(menu().row(MenuRowID::countdown).title, "Rotation paused");
    menu().click(MenuRowID::pause);
    EXPECT_EQ(menu().row(MenuRowID::pause).title, "Pause Rotation");
    EXPECT_EQ(menu().row(MenuRowID::countdown).title, "Next in 10:00");

    menu().click(MenuRowID::banner);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(revealed, std::vector<std::string>{"dunes/2.jpg"});
    menu().click(MenuRowID::settings);
    EXPECT_EQ(closes, 2);
    EXPECT_EQ(revealed.back(), "");
}

TEST_F(StatusMenuTest, SubmenusListTheCollections) {
    started();
    open();
    EXPECT_EQ(titles(menu().addToCollectionMenu()),
              (std::vector<std::string>{"No collections yet (off)", "---",
                                        "New Collection with This Wallpaper…"}));
    EXPECT_EQ(titles(menu().collectionsMenu()),
              (std::vector<std::string>{"Selected Packs ✓", "---", "Favorites (off)", "---",
                                        "New Collection…"}));

    // A cancelled prompt makes nothing; an answer makes a collection with the wallpaper.
    menu().addToCollectionMenu().back().action();
    EXPECT_TRUE(settings.collections().empty());
    answer = "  Evenings ";
    menu().addToCollectionMenu().back().action();
    ASSERT_EQ(settings.collections().size(), 1u);
    EXPECT_EQ(prompts.back().message, "Starts with the wallpaper on screen now.");
    EXPECT_EQ(prompts.back().placeholder, "Collection 1");
    const std::string id = settings.collections()[0].id;

    open();
    EXPECT_EQ(titles(menu().addToCollectionMenu())[0], "Evenings ✓");
    menu().addToCollectionMenu()[0].action();
    EXPECT_FALSE(settings.contains(*engine().currentWallpaper(), id));
    menu().addToCollectionMenu()[0].action();

    open();
    menu().collectionsMenu()[3].action();
    EXPECT_EQ(settings.rotationCollectionID(), id);
    open();
    EXPECT_EQ(titles(menu().collectionsMenu())[0], "Selected Packs");
    EXPECT_EQ(titles(menu().collectionsMenu())[3], "Evenings ✓");
    menu().collectionsMenu()[0].action();
    EXPECT_EQ(settings.rotationCollectionID(), std::nullopt);

    answer = "Empty";
    menu().collectionsMenu().back().action();
    EXPECT_EQ(settings.collections().back().name, "Empty");
    EXPECT_TRUE(settings.collections().back().wallpapers.empty());
}

TEST_F(StatusMenuTest, CountdownTicksOnlyWhileOpen) {
    started();
    menu().menuNeedsUpdate();
    EXPECT_FALSE(menu().countdownRunning());
    menu().menuWillOpen();
    menu().menuWillOpen(); // opened again before a close: still one timer
    EXPECT_TRUE(menu().countdownRunning());
    EXPECT_EQ(menu().row(MenuRowID::countdown).title, "Next in 10:00");
    loop.advance(Seconds(3));
    EXPECT_EQ(menu().row(MenuRowID::countdown).title, "Next in 9:57");

    settings.setPauseOnBattery(true);
    onBattery = true;
    loop.advance(Seconds(1));
    EXPECT_EQ(menu().row(MenuRowID::countdown).title, "Paused on battery");

    menu().menuDidClose();
    EXPECT_FALSE(menu().countdownRunning());
    onBattery = false;
    loop.advance(Seconds(5));
    EXPECT_EQ(menu().row(MenuRowID::countdown).title, "Paused on battery")
        << "no ticks when closed";
}

TEST_F(StatusMenuTest, StatusForStatusBars) {
    started();
    StatusMenuHooks hooks;
    EXPECT_EQ(runningStatus(engine(), library, settings, loop.now(), hooks),
              "wallpaper: dunes — " + dunesTitle(1) +
                  " (dunes/1.jpg)\npaused: no\nnext: Next in 10:00\n");
    engine().setPaused(true);
    EXPECT_NE(runningStatus(engine(), library, settings, loop.now(), hooks)
                  .find("paused: yes\nnext: Rotation paused\n"),
              std::string::npos);
}

} // namespace
} // namespace ks::test

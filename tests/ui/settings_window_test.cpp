// The settings window offscreen over a real store, library and engine in virtual time: one
// window at a time, the reveal, controls that write the store, the chips and their menus,
// the name prompts, launch at login, the footer, and the layout.

#include "base/manual_queue.h"
#include "engine/engine_fixture.h"
#include "library/thumbnail_cache.h"
#include "platform/login_items.h"
#include "settings/duration_option.h"
#include "support/log_capture.h"
#include "support/offscreen_application.h"
#include "ui/collection_chip.h"
#include "ui/fan_overlay.h"
#include "ui/fan_tile.h"
#include "ui/mini_toggle.h"
#include "ui/pack_tile.h"
#include "ui/pseudo_packs.h"
#include "ui/section_header.h"
#include "ui/segmented.h"
#include "ui/settings_view.h"
#include "ui/settings_window_controller.h"
#include "ui/step_slider.h"
#include "ui/thumb_image.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <cstdlib>

namespace ks::test {
namespace {

class FakeLoginItems final : public LoginItems {
public:
    int current = kStatusNotRegistered;
    bool fails = false;
    int status() const override { return current; }
    LoginItemResult enable() override { return change(kStatusEnabled); }
    LoginItemResult disable() override { return change(kStatusNotRegistered); }

private:
    LoginItemResult change(int to) {
        if (fails)
            return LoginItemResult::failure("the autostart folder is read-only");
        current = to;
        return LoginItemResult::success();
    }
};

class SettingsWindowTest : public EngineTest {
protected:
    SettingsWindowTest() {
        std::vector<Pack> packs;
        for (int i = 0; i < 9; ++i)
            packs.push_back(packOf("p" + std::to_string(i), "nnn"));
        setPacks(packs);
        ThumbnailCache::setShared(&m_thumbnails);
    }
    ~SettingsWindowTest() override {
        m_controller.reset();
        ThumbnailCache::setShared(nullptr);
    }

    SettingsWindowController& controller() {
        if (!m_controller) {
            SettingsWindowServices services{
                settings, library, nullptr, loginItems, loop, [this](const NamePrompt& p) {
                    prompts.push_back(p);
                    return answer;
                }};
            m_controller = std::make_unique<SettingsWindowController>(
                std::move(services), [this](const Wallpaper& w) { picked.push_back(w.key()); },
                [this] { return canRestore; }, [this] { ++restores; });
        }
        return *m_controller;
    }
    SettingsView& view() { return *controller().view(); }
    template <typename T> T* find(const char* name) {
        return controller().window()->findChild<T*>(QLatin1String(name));
    }
    const std::vector<PackTile*>& tiles() { return view().tiles(); }
    CollectionChip* chip(const std::string& id) {
        return find<CollectionChip>(("collectionChip:" + id).c_str());
    }
    QString packsSubtitle() { return find<SectionHeader>("packsHeader")->subtitle(); }
    FanOverlay* overlay() {
        return dynamic_cast<FanOverlay*>(view().findChild<QWidget*>(QStringLiteral("fanOverlay")));
    }

    FakeLoginItems loginItems;
    std::optional<std::string> answer;
    std::vector<NamePrompt> prompts;
    std::vector<std::string> picked;
    bool canRestore = false;
    int restores = 0;

private:
    OffscreenApplication m_app;

protected:
    ManualQueue queue;

private:
    ThumbnailCache m_thumbnails{loop, queue};
    std::unique_ptr<SettingsWindowController> m_controller;
};

TEST_F(SettingsWindowTest, OneWindowAtATimeAndAFreshViewAfterClosing) {
    controller().show(std::nullopt);
    QWidget* first = controller().window();
    SettingsView* firstView = controller().view();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->windowTitle(), "Kestrane Wallpapers");
    EXPECT_TRUE(first->isVisible());
    controller().show(std::nullopt);
    EXPECT_EQ(controller().view(), firstView);

    // Done closes it; nothing of the store changes.
    const double interval = settings.intervalSeconds();
    QTest::mouseClick(find<QPushButton>("done"), Qt::LeftButton);
    EXPECT_EQ(controller().window(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(settings.intervalSeconds(), interval);
    controller().show(std::nullopt);
    ASSERT_NE(controller().window(), nullptr);
    EXPECT_TRUE(controller().window()->isVisible());
}

TEST_F(SettingsWindowTest, RevealFansOutTheWallpapersPackAMomentAfterShowing) {
    controller().show(*library.wallpaper("p3/2.jpg"));
    loop.advance(Seconds(0.1));
    EXPECT_FALSE(view().expandedPack());
    loop.advance(Seconds(0.1));
    ASSERT_TRUE(view().expandedPack());
    EXPECT_EQ(view().expandedPack()->id, "p3");
    loop.advance(Seconds(0.01));
    EXPECT_TRUE(view().fanned());
    ASSERT_TRUE(overlay());
    EXPECT_TRUE(overlay()->fanned());

    // Closing, then opening again before the overlay goes, keeps it.
    view().collapseFan();
    loop.advance(Seconds(0.3));
    view().expandFan(*library.pack("p1"));
    loop.advance(Seconds(0.5));
    ASSERT_TRUE(view().expandedPack());
    EXPECT_EQ(view().expandedPack()->id, "p1");
    ASSERT_TRUE(overlay());
    EXPECT_EQ(overlay()->pack().id, "p1");
    view().collapseFan();
    view().collapseFan();
    loop.advance(Seconds(0.5));
    EXPECT_TRUE(overlay()) << "the tiles are still flying back";
    loop.advance(Seconds(0.06));
    EXPECT_FALSE(view().expandedPack());
    EXPECT_FALSE(overlay());

    // A close before the fan-out's turn is not undone by it.
    view().expandFan(*library.pack("p1"));
    view().collapseFan();
    loop.advance(Seconds(0.6));
    EXPECT_FALSE(overlay());

    // A wallpaper whose pack left the library opens the window without a fan.
    controller().show(Wallpaper{"gone", "1.jpg"});
    loop.advance(Seconds(1));
    EXPECT_FALSE(view().expandedPack());
}

TEST_F(SettingsWindowTest, PackBrowserSetsTicksAndFavoritesWallpapersAndClosesOnEscape) {
    controller().show(std::nullopt);
    QWidget* window = controller().window();
    window->activateWindow();
    QWidget* slider = find<QWidget>("durationSlider");
    slider->setFocus(Qt::TabFocusReason);
    const Pack pack = *library.pack("p2");
    view().expandFan(pack);
    FanOverlay* fan = overlay();
    ASSERT_TRUE(fan);
    // The wallpapers start gathered on the pack's tile, then fly out and come to rest.
    const QPointF tile = QRectF(view().tileFrames().at("p2")).center();
    EXPECT_EQ(fan->scene().tile(0, fan->now()).centre, (FanPoint{tile.x(), tile.y()}));
    // Still unseen on their tile, they take no clicks: the click lands on the background,
    // which closes; opening again turns them around.
    loop.advance(Seconds(0.01));
    QTest::mouseClick(fan, Qt::LeftButton, {}, tile.toPoint());
    EXPECT_TRUE(picked.empty());
    EXPECT_FALSE(view().fanned());
    view().expandFan(pack);
    EXPECT_EQ(overlay(), fan);
    loop.advance(Seconds(1.5));
    EXPECT_TRUE(fan->fanned());
    EXPECT_FALSE(fan->animating());
    ASSERT_EQ(fan->tiles().size(), 3u);

    QTest::mouseClick(fan, Qt::LeftButton, {}, fan->cellRect(1).center().toPoint());
    EXPECT_EQ(picked, (std::vector<std::string>{"p2/2.jpg"}));
    QTest::mouseClick(fan, Qt::LeftButton, {}, fan->tickCentre(0).toPoint());
    EXPECT_FALSE(settings.isInRotation(pack.wallpapers[0]));
    // The favourite badge sits in the bottom-left corner and shows under the pointer.
    const QRectF cell = fan->cellRect(2);
    QTest::mouseMove(fan, cell.center().toPoint());
    QTest::mouseClick(fan, Qt::LeftButton, {}, (cell.bottomLeft() + QPointF(14, -14)).toPoint());
    EXPECT_TRUE(settings.isFavorite(pack.wallpapers[2]));
    EXPECT_TRUE(picked.size() == 1) << "a badge click does not set the wallpaper";

    auto* selectAll = dynamic_cast<MiniToggle*>(fan->findChild<QWidget*>("fanSelectAll"));
    ASSERT_TRUE(selectAll);
    EXPECT_FALSE(selectAll->isOn());
    QTest::mouseClick(selectAll, Qt::LeftButton);
    EXPECT_TRUE(std::ranges::all_of(pack.wallpapers,
                                    [&](const Wallpaper& w) { return settings.isInRotation(w); }));
    EXPECT_TRUE(overlay()) << "the browser stays open through all of it";

    QTest::keyClick(fan, Qt::Key_Return);
    EXPECT_TRUE(window->isVisible()) << "Return does not press Done under the veil";
    // Tab goes between the browser and its switch, not to the controls under the veil.
    QTest::keyClick(fan, Qt::Key_Tab);
    EXPECT_TRUE(selectAll->hasFocus());
    QTest::keyClick(selectAll, Qt::Key_Tab);
    EXPECT_TRUE(fan->hasFocus());
    QTest::keyClick(window, Qt::Key_Escape);
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_FALSE(view().fanned());
    EXPECT_TRUE(slider->hasFocus()) << "the keyboard goes back where it was";
    // While the tiles fly back, the pointer already reaches the packs.
    QWidget* under = window->childAt(tiles()[4]->mapTo(window, tiles()[4]->coverFrame().center()));
    EXPECT_TRUE(under == tiles()[4] || tiles()[4]->isAncestorOf(under));
    loop.advance(Seconds(0.6));
    EXPECT_FALSE(overlay());
    EXPECT_TRUE(window->isVisible()) << "Escape closes the browser, not the window";
}

TEST_F(SettingsWindowTest, PackBrowserSurvivesEmptyPacksGoneCollectionsAndAClosingWindow) {
    const auto trip = settings.createCollection("Trip", {"p4/1.jpg", "gone/1.jpg"});
    controller().show(std::nullopt);
    // A collection flies out of its chip, with only the wallpapers the library still has.
    view().expandFan(collectionPack(*settings.collection(trip.id), library));
    ASSERT_TRUE(overlay());
    EXPECT_EQ(overlay()->tiles().size(), 1u);
    const QPointF chip = QRectF(view().tileFrames().at(collectionPackID(trip.id))).center();
    EXPECT_EQ(overlay()->scene().tile(0, overlay()->now()).centre, (FanPoint{chip.x(), chip.y()}));
    EXPECT_FALSE(overlay()->findChild<QWidget*>("fanSelectAll")->isVisible());
    loop.advance(Seconds(1));

    // Another pack, empty, replaces it; then the window closes during the fly-out.
    view().expandFan(Pack{"empty", "Empty", {}, false, {}});
    EXPECT_TRUE(overlay()->tiles().empty());
    loop.advance(Seconds(0.1));
    view().expandFan(*library.pack("p5"));
    loop.advance(Seconds(0.1));
    controller().window()->close();
    loop.advance(Seconds(2));
    EXPECT_EQ(controller().window(), nullptr);
}

TEST_F(SettingsWindowTest, ControlsWriteTheStoreAndFollowItsChanges) {
    controller().show(std::nullopt);
    auto* duration = find<StepSlider>("durationSlider");
    auto* changeAt = find<QWidget>("changeAtRow");
    // The last step is a mode ("Never"); drag to the far right end.
    QTest::mousePress(duration, Qt::LeftButton, {}, QPoint(duration->width() - 1, 9));
    QTest::mouseRelease(duration, Qt::LeftButton, {}, QPoint(duration->width() - 1, 9));
    EXPECT_EQ(settings.intervalSeconds(), DurationOption::all().back().seconds());

    settings.setIntervalSeconds(DurationOption::daily);
    settings.setDailyChangeMinutes(480);
    EXPECT_FALSE(changeAt->isHidden());
    EXPECT_EQ(find<QLabel>("durationDetail")->text(), "Daily at 08:00");
    // Return in the time field ends the typing; the window stays.
    auto* field = find<QLineEdit>("dailyTimeText");
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_NE(controller().window(), nullptr);
    settings.setIntervalSeconds(300);
    EXPECT_TRUE(changeAt->isHidden());

    QTest::mouseClick(find<Segmented>("orderControl"), Qt::LeftButton, {},
                      find<Segmented>("orderControl")->rect().center() + QPoint(40, 0));
    EXPECT_FALSE(settings.shuffle());
    auto* appearance = find<Segmented>("appearanceControl");
    QTest::mouseClick(appearance, Qt::LeftButton, {}, QPoint(appearance->width() - 5, 12));
    EXPECT_EQ(settings.appearance(), AppearanceFilter::dark);
    find<QCheckBox>("perDisplay")->click();
    EXPECT_TRUE(settings.perDisplayWallpapers());
    settings.setPauseOnBattery(true);
    EXPECT_TRUE(find<QCheckBox>("pauseOnBattery")->isChecked());

    // Pack tiles and the select-all button.
    QTest::mouseClick(tiles()[2], Qt::LeftButton);
    EXPECT_FALSE(settings.isPackSelected("p2"));
    auto* selectAll = find<QPushButton>("selectAllPacks");
    EXPECT_EQ(selectAll->text(), "Select all");
    selectAll->click();
    EXPECT_TRUE(settings.allPacksSelected());
    EXPECT_EQ(selectAll->text(), "Deselect all");
    selectAll->click();
    EXPECT_FALSE(settings.isPackSelected("p0"));
}

TEST_F(SettingsWindowTest, ChipsRotateACollectionAndOfferTheirMenus) {
    const auto trip = settings.createCollection("Trip", {"p1/1.jpg"});
    controller().show(std::nullopt);
    QTest::mouseClick(chip(trip.id), Qt::LeftButton);
    EXPECT_EQ(settings.rotationCollectionID(), trip.id);
    EXPECT_TRUE(packsSubtitle().startsWith("Rotating the \u201CTrip\u201D collection"));
    QTest::mouseClick(chip(trip.id), Qt::LeftButton);
    EXPECT_EQ(packsSubtitle(), "Select the packs you want in rotation");

    const auto titles = [](QMenu& menu) {
        std::vector<std::pair<QString, bool>> out;
        for (QAction* a : menu.actions())
            if (!a->isSeparator())
                out.emplace_back(a->text(), a->isEnabled());
        return out;
    };
    const auto favourites = view().chipMenu(chip("__favorites__")->state());
    EXPECT_EQ(titles(*favourites),
              (std::vector<std::pair<QString, bool>>{{"Show Wallpapers…", false}}));
    auto menu = view().chipMenu(chip(trip.id)->state());
    EXPECT_EQ(titles(*menu), (std::vector<std::pair<QString, bool>>{
                                 {"Show Wallpapers…", true}, {"Rename…", true}, {"Delete", true}}));
    menu->actions()[0]->trigger();
    ASSERT_TRUE(view().expandedPack());
    EXPECT_EQ(view().expandedPack()->id, "__collection__:" + trip.id);

    answer = "Holiday";
    menu->actions()[2]->trigger();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].title, "Rename collection");
    EXPECT_EQ(prompts[0].initial, "Trip");
    EXPECT_EQ(settings.collection(trip.id)->name, "Holiday");
    EXPECT_EQ(chip(trip.id)->state().name, "Holiday");
    menu->actions()[4]->trigger();
    EXPECT_FALSE(settings.collection(trip.id));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(chip(trip.id), nullptr);
}

TEST_F(SettingsWindowTest, NewCollectionsStartEmptyOrWithTheTickedWallpapers) {
    controller().show(std::nullopt);
    auto* newChip = find<QToolButton>("newCollectionChip");
    const auto entry = [&](const QString& title) {
        for (QAction* a : newChip->menu()->actions())
            if (a->text() == title)
                return a;
        return static_cast<QAction*>(nullptr);
    };
    // Cancelled: nothing made.
    entry("New Empty Collection…")->trigger();
    EXPECT_EQ(settings.collections().size(), 0u);

    answer = "Mine";
    for (int i = 0; i < 5; ++i)
        settings.togglePack("p" + std::to_string(i), library);
    entry("Save Current Selection…")->trigger();
    EXPECT_EQ(prompts.back().message, "Starts with the 12 wallpapers ticked right now.");
    EXPECT_EQ(prompts.back().placeholder, prompts.front().placeholder);
    ASSERT_EQ(settings.collections().size(), 1u);
    EXPECT_EQ(settings.collections()[0].wallpapers.size(), 12u);
    EXPECT_EQ(settings.collections()[0].wallpapers.front(), "p5/1.jpg");

    settings.setSelectedPackIDs({std::string(SettingsStore::nonePackSentinel)});
    entry("Save Current Selection…")->trigger();
    EXPECT_EQ(prompts.back().message,
              "Add wallpapers to it with the + on any wallpaper, or from the tray menu.");
    ASSERT_EQ(settings.collections().size(), 2u);
    EXPECT_TRUE(settings.collections()[1].wallpapers.empty());
}

TEST_F(SettingsWindowTest, LaunchAtLoginShowsTheRealStatusAfterAFailure) {
    loginItems.current = LoginItems::kStatusEnabled;
    controller().show(std::nullopt);
    auto* box = find<QCheckBox>("launchAtLogin");
    EXPECT_TRUE(box->isChecked());
    box->click();
    EXPECT_EQ(loginItems.current, LoginItems::kStatusNotRegistered);

    loginItems.fails = true;
    LogCapture log;
    box->click();
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{
                  "Launch-at-login toggle failed: the autostart folder is read-only"}));
}

TEST_F(SettingsWindowTest, RestoreShowsOnlyWhenThereIsSomethingToRestore) {
    controller().show(std::nullopt);
    EXPECT_EQ(find<QPushButton>("restoreOriginal"), nullptr);
    controller().window()->close();
    canRestore = true;
    controller().show(std::nullopt);
    find<QPushButton>("restoreOriginal")->click();
    EXPECT_EQ(restores, 1);
    // Return presses "Done".
    QTest::keyClick(controller().window(), Qt::Key_Return);
    EXPECT_EQ(controller().window(), nullptr);
}

TEST_F(SettingsWindowTest, LayoutPutsThreeBoxesOverAnEightColumnGridAndTheFooter) {
    controller().show(std::nullopt);
    QWidget* window = controller().window();
    EXPECT_EQ(window->width(), 800);
    const auto frame = [&](const char* name) {
        QWidget* w = find<QWidget>(name);
        return QRect(w->mapTo(window, QPoint()), w->size());
    };
    const QRect timing = frame("timingBox"), order = frame("orderBox"),
                options = frame("optionsBox");
    EXPECT_EQ(timing.left(), 20);
    EXPECT_EQ(timing.width(), 350);
    EXPECT_EQ(order.left(), timing.right() + 1 + 14);
    EXPECT_EQ(order.width(), 210);
    EXPECT_EQ(options.right() + 1, 780);
    EXPECT_EQ(timing.top(), 34);
    EXPECT_EQ(order.top(), 34);

    // Nine packs: eight columns, then the ninth starts the second row on the left.
    std::vector<QRect> covers;
    for (PackTile* tile : tiles())
        covers.push_back(QRect(tile->mapTo(window, QPoint()), tile->size()));
    ASSERT_EQ(covers.size(), 9u);
    for (int c = 1; c < 8; ++c) {
        EXPECT_EQ(covers[c].top(), covers[0].top());
        EXPECT_EQ(covers[c].left() - covers[c - 1].left(), 86 + 8);
    }
    EXPECT_EQ(covers[8].left(), covers[0].left());
    EXPECT_GT(covers[8].top(), covers[0].bottom());
    EXPECT_GT(covers[0].top(), std::max({timing.bottom(), order.bottom(), options.bottom()}));
    const QRect footer = frame("settingsFooter");
    EXPECT_GT(footer.top(), covers[8].bottom());
    EXPECT_LE(window->height() - footer.bottom(), 8);
    EXPECT_GT(frame("done").left(), frame("makerLink").right());
}

TEST_F(SettingsWindowTest, TabReachesEachControlOnceAndNothingElse) {
    controller().show(std::nullopt);
    QWidget* window = controller().window();
    std::vector<std::string> stops;
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->isEnabled())
            stops.push_back(w->objectName().toStdString());
    EXPECT_EQ(stops, (std::vector<std::string>{"durationSlider", "transitionSlider", "orderControl",
                                               "appearanceControl", "pauseOnBattery", "perDisplay",
                                               "launchAtLogin", "done"}));
}

TEST_F(SettingsWindowTest, ManyPacksAndLongNamesKeepTheLayout) {
    std::vector<Pack> packs;
    for (int i = 0; i < 200; ++i)
        packs.push_back(packOf("pack" + std::to_string(i), i % 2 ? "n" : ""));
    packs[0].displayName = std::string(300, 'W');
    setPacks(packs);
    settings.createCollection(std::string(500, 'C'), {});
    controller().show(std::nullopt);
    QWidget* window = controller().window();
    EXPECT_EQ(window->width(), 800);
    EXPECT_LE(window->height(), window->screen()->availableGeometry().height());
    auto* grid = find<QScrollArea>("packGridScroll");
    EXPECT_GT(grid->widget()->height(), grid->viewport()->height());
    EXPECT_LE(tiles()[0]->width(), 86);
    EXPECT_LE(chip(settings.collections()[0].id)->width(), 260);

    // Closed while the covers are still being decoded: the late answers find no tile.
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    queue.runAll();
    loop.advance(Seconds(0));
    EXPECT_EQ(controller().window(), nullptr);
}

} // namespace
} // namespace ks::test

// The tray's two menus over a real StatusMenu, engine and settings store in virtual time, on
// Qt's offscreen platform: the popup's rows, clicks that keep it open, closing, the context
// menu's actions, the submenus, the name prompt and the wallpaper's collections menu.

#include "engine/engine_fixture.h"
#include "main/app_commands.h"
#include "main/ask_for_name.h"
#include "main/closure_menu_target.h"
#include "main/collections_popup.h"
#include "main/menu_banner_view.h"
#include "main/menu_popup.h"
#include "main/popup_placement.h"
#include "main/status_menu.h"
#include "main/stay_open_menu_item_view.h"
#include "main/tray.h"
#include "main/tray_context_menu.h"
#include "support/offscreen_application.h"
#include "ui/symbol_icons.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

namespace ks::test {
namespace {

// A picture of a sky over sand, so the banner has something to fill its frame with.
Image landscape(int width, int height) {
    auto pixels = std::make_shared<std::uint8_t[]>(std::size_t(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = pixels.get() + (std::size_t(y) * width + x) * 4;
            const bool sky = y < height * 3 / 5;
            p[0] = static_cast<std::uint8_t>(sky ? 90 + x * 60 / width : 214);
            p[1] = static_cast<std::uint8_t>(sky ? 150 + y * 60 / height : 170);
            p[2] = static_cast<std::uint8_t>(sky ? 230 : 110 + x * 40 / width);
            p[3] = 255;
        }
    return Image{width, height, std::move(pixels)};
}

class MenuPopupTest : public EngineTest {
protected:
    MenuPopupTest() {
        setPacks({packOf("dunes", "nnn"), packOf("sea", "nn")});
        settings.setIntervalSeconds(600);
        ShellActions actions;
        actions.showSettings = [this](std::optional<Wallpaper>) { ++settingsShown; };
        m_commands = std::make_unique<AppCommands>(engine(), settings, std::move(actions));
        StatusMenuHooks hooks;
        hooks.closeMenu = [this] { m_tray->closeMenu(); };
        hooks.askForName = [this](const NamePrompt&) { return answer; };
        m_menu = std::make_unique<StatusMenu>(*m_commands, library, loop, std::move(hooks));
        m_currentObservation = engine().observeCurrent([this] { m_menu->currentChanged(); });
        m_tray = std::make_unique<Tray>(*m_menu);
    }

    StatusMenu& menu() { return *m_menu; }
    Tray& tray() { return *m_tray; }
    MenuPopup& popup() { return *m_tray->popup(); }
    TrayContextMenu& contextMenu() { return *m_tray->contextMenu(); }
    void presented() { engine().presentationChanged(); }
    std::string dunesTitle(int n) {
        return Wallpaper{"dunes", std::to_string(n) + ".jpg"}.title(*library.pack("dunes"));
    }
    void click(MenuRowID id) { QTest::mouseClick(popup().rowView(id), Qt::LeftButton); }

    // The rows the popup shows, top to bottom.
    std::vector<std::string> shownRows() {
        std::vector<QWidget*> shown;
        for (QWidget* child : popup().findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (child->isVisibleTo(&popup()) && child->objectName().startsWith("menu"))
                shown.push_back(child);
        std::sort(shown.begin(), shown.end(),
                  [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
        std::vector<std::string> names;
        for (QWidget* widget : shown)
            names.push_back(widget->objectName().toStdString());
        return names;
    }

    static std::vector<std::string> entries(const QMenu& menu) {
        std::vector<std::string> out;
        for (const QAction* action : menu.actions())
            out.push_back(action->isSeparator() ? "---"
                                                : action->iconText().toStdString() +
                                                      (action->isChecked() ? " ✓" : "") +
                                                      (action->isEnabled() ? "" : " (off)"));
        return out;
    }

    int settingsShown = 0;
    std::optional<std::string> answer;

private:
    OffscreenApplication m_app;
    std::unique_ptr<AppCommands> m_commands;
    std::unique_ptr<StatusMenu> m_menu;
    NotificationCenter::Observation m_currentObservation;
    std::unique_ptr<Tray> m_tray;
};

TEST_F(MenuPopupTest, RowsFollowTheLayoutAndHideWhatDoesNotApply) {
    tray().openMenu();
    ASSERT_TRUE(popup().isVisible());
    // Nothing on screen yet: no banner, no rows about the current wallpaper, no countdown,
    // and no separator above the first row.
    EXPECT_EQ(shownRows(),
              (std::vector<std::string>{"menuRow_previous", "menuRow_next", "menuRow_pause",
                                        "menuRow_collections", "menuRow_settings",
                                        "menuRow_checkForUpdates", "menuRow_quit"}));
    EXPECT_EQ(popup().rowView(MenuRowID::previous)->y(), popup().panelRect().top() + 5);
    tray().closeMenu();

    started();
    presented();
    tray().openMenu();
    EXPECT_EQ(shownRows(), (std::vector<std::string>{
                               "menuBanner", "menuRow_favorite", "menuRow_addToCollection",
                               "menuRow_hide", "menuRow_previous", "menuRow_next", "menuRow_pause",
                               "menuRow_countdown", "menuRow_collections", "menuRow_settings",
                               "menuRow_checkForUpdates", "menuRow_quit"}));
    EXPECT_EQ(popup().banner().packText(), "dunes");
    EXPECT_EQ(popup().rowView(MenuRowID::countdown)->row().title, "Next in 10:00");
    // Rows never overlap, and the panel holds them all.
    int bottom = popup().panelRect().top();
    for (const std::string& name : shownRows()) {
        const QWidget* row = popup().findChild<QWidget*>(QString::fromStdString(name));
        EXPECT_GE(row->y(), bottom) << name;
        bottom = row->geometry().bottom() + 1;
    }
    EXPECT_LE(bottom, popup().panelRect().bottom() + 1);
}

TEST_F(MenuPopupTest, RowsStayOpenWhenClickedAndTheBannerFollows) {
    started();
    presented();
    tray().openMenu();
    for (int n : {2, 3}) {
        click(MenuRowID::next);
        presented();
        EXPECT_TRUE(popup().isVisible()) << "a row keeps the popup open";
        EXPECT_EQ(current(), "dunes/" + std::to_string(n) + ".jpg");
        EXPECT_EQ(popup().banner().packText(), "dunes");
        EXPECT_EQ(popup().banner().wallpaperText().toStdString(), dunesTitle(n));
    }
    click(MenuRowID::favorite);
    EXPECT_EQ(popup().rowView(MenuRowID::favorite)->row().title, "Unfavorite");
    EXPECT_TRUE(popup().isVisible());

    // The ticks while open reach the countdown row.
    const StayOpenMenuItemView& countdown = *popup().rowView(MenuRowID::countdown);
    const std::string before = countdown.row().title;
    loop.advance(Seconds(5));
    EXPECT_NE(countdown.row().title, before);
    EXPECT_EQ(countdown.row().title, menu().row(MenuRowID::countdown).title);

    // Rows that open a window close the popup through the hook.
    click(MenuRowID::settings);
    EXPECT_FALSE(popup().isVisible());
    EXPECT_FALSE(menu().countdownRunning());
    tray().openMenu();
    QTest::mouseClick(&popup().banner(), Qt::LeftButton);
    EXPECT_FALSE(popup().isVisible());
    EXPECT_EQ(settingsShown, 2);
}

TEST_F(MenuPopupTest, EscapeAndTheTrayIconCloseIt) {
    started();
    for (const bool escape : {true, false}) {
        tray().openMenu();
        ASSERT_TRUE(popup().isVisible());
        EXPECT_TRUE(menu().countdownRunning());
        if (escape)
            QTest::keyClick(&popup(), Qt::Key_Escape);
        else
            tray().openMenu();
        EXPECT_FALSE(popup().isVisible());
        EXPECT_FALSE(menu().countdownRunning());
    }
    // Closed twice over: nothing more happens.
    tray().closeMenu();
    EXPECT_FALSE(menu().countdownRunning());
}

TEST_F(MenuPopupTest, ContextMenuMirrorsTheRows) {
    started();
    presented();
    QMenu& context = contextMenu().menu();
    emit context.aboutToShow();
    EXPECT_TRUE(menu().countdownRunning());
    for (const auto& entry : StatusMenu::layout()) {
        if (!entry || *entry == MenuRowID::banner)
            continue;
        const MenuRow& row = menu().row(*entry);
        const QAction* action = contextMenu().action(*entry);
        EXPECT_EQ(action->text().toStdString(), row.title) << row.title;
        EXPECT_EQ(action->isVisible(), !row.hidden) << row.title;
    }
    EXPECT_EQ(contextMenu().action(MenuRowID::banner)->text().toStdString(),
              "dunes — " + dunesTitle(1));
    EXPECT_EQ(contextMenu().action(MenuRowID::next)->shortcut(),
              QKeySequence(Qt::CTRL | Qt::ALT | Qt::META | Qt::Key_N));
    const QAction* countdown = contextMenu().action(MenuRowID::countdown);
    EXPECT_FALSE(countdown->isEnabled());
    EXPECT_FALSE(countdown->icon().isNull());
    loop.advance(Seconds(1));
    EXPECT_EQ(countdown->text(), "Next in 9:59") << "it ticks while open";

    contextMenu().action(MenuRowID::next)->trigger();
    EXPECT_EQ(current(), "dunes/2.jpg");
    emit context.aboutToHide();
    EXPECT_FALSE(menu().countdownRunning());
}

TEST_F(MenuPopupTest, AddToCollectionListsNoneYetAndMakesOne) {
    started();
    presented();
    tray().openMenu();
    click(MenuRowID::addToCollection);
    ASSERT_TRUE(popup().submenu());
    emit contextMenu().menu().aboutToShow();
    const std::vector<std::string> expected{"No collections yet (off)", "---",
                                            "New Collection with This Wallpaper…"};
    EXPECT_EQ(entries(*popup().submenu()), expected);
    EXPECT_EQ(entries(contextMenu().addToCollectionMenu()), expected);
    emit contextMenu().menu().aboutToHide();

    // Chosen: the whole menu closes, then the prompt's answer makes the collection.
    answer = "Rock & Roll";
    popup().submenu()->actions().back()->trigger();
    EXPECT_FALSE(popup().isVisible());
    QCoreApplication::processEvents();
    ASSERT_EQ(settings.collections().size(), 1u);
    EXPECT_EQ(settings.collections()[0].name, "Rock & Roll");
    tray().openMenu();
    click(MenuRowID::addToCollection);
    EXPECT_EQ(entries(*popup().submenu()).front(), "Rock & Roll ✓") << "shown as named";

    // A name as long as a paragraph is cut short in the menu, never in the store.
    settings.renameCollection(settings.collections()[0].id, std::string(500, 'x'));
    tray().closeMenu();
    tray().openMenu();
    click(MenuRowID::addToCollection);
    ASSERT_TRUE(popup().submenu());
    EXPECT_EQ(entries(*popup().submenu()).front(), std::string(59, 'x') + "… ✓");
    EXPECT_EQ(settings.collections()[0].name.size(), 500u);
}

TEST_F(MenuPopupTest, EverySymbolOfTheMenuHasAnIcon) {
    started();
    presented();
    std::set<std::string> symbols{"chevron.right", "arrow.up.left.and.arrow.down.right",
                                  "photo.on.rectangle.angled"};
    for (int round = 0; round < 2; ++round) {
        menu().menuNeedsUpdate();
        for (const auto& entry : StatusMenu::layout())
            if (entry && !menu().row(*entry).symbol.empty())
                symbols.insert(menu().row(*entry).symbol);
        // The other state of the rows that change their symbol.
        menu().click(MenuRowID::favorite);
        menu().click(MenuRowID::pause);
    }
    for (const std::string& symbol : symbols) {
        EXPECT_FALSE(symbolIconName(symbol).empty()) << symbol << " is not in the table";
        EXPECT_FALSE(symbolIcon(symbol).isNull()) << symbol << " has no icon";
    }
    EXPECT_TRUE(symbolIcon("no.such.symbol").isNull());
    QImage canvas(16, 16, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    drawSymbol(painter, QRectF(0, 0, 16, 16), "no.such.symbol", Qt::black);
    painter.end();
    EXPECT_EQ(canvas.pixel(8, 8), 0u) << "a missing icon draws nothing";
}

TEST_F(MenuPopupTest, AskForNameOffersRenameOrCreateAndKeepsTheSpaces) {
    struct Case {
        std::string initial;
        std::string typed;
        bool confirm;
        QString button;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"", "  Trip  ", true, "Create", "  Trip  "},
        {"Evenings", "Nights", true, "Rename", "Nights"},
        {"Evenings", "Nights", false, "Rename", std::nullopt},
    };
    for (const Case& c : cases) {
        QString offered;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_TRUE(dialog);
            auto* field = dialog->findChild<QLineEdit*>("nameField");
            EXPECT_EQ(field->text().toStdString(), c.initial);
            EXPECT_EQ(dialog->focusWidget(), field);
            field->setText(QString::fromStdString(c.typed));
            offered = dialog->findChild<QPushButton*>("confirmButton")->text();
            dialog->findChild<QPushButton*>(c.confirm ? "confirmButton" : "cancelButton")->click();
        });
        EXPECT_EQ(askForName({"Rename collection", "A name", "Collection 1", c.initial}),
                  c.expected)
            << c.typed;
        EXPECT_EQ(offered, c.button);
    }
}

TEST_F(MenuPopupTest, CollectionsMenuOfAWallpaperLivesUntilTheNextOne) {
    const auto dune = *library.pack("dunes")->wallpapers.begin();
    const auto id = settings.createCollection("Rock & Roll", {}).id;
    popUpCollectionsMenu(dune, settings);
    QPointer<QMenu> first = ClosureMenuTarget::liveMenu();
    ASSERT_TRUE(first);
    EXPECT_EQ(entries(*first), (std::vector<std::string>{"Rock & Roll", "---",
                                                         "New Collection with This Wallpaper…"}));
    first->actions().front()->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(settings.contains(dune, id));

    popUpCollectionsMenu(dune, settings);
    EXPECT_NE(ClosureMenuTarget::liveMenu(), first.data());
    EXPECT_EQ(entries(*ClosureMenuTarget::liveMenu()).front(), "Rock & Roll ✓");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first) << "the replaced menu is gone";

    // A choice made just before its menu is replaced still counts, and nothing runs on a
    // menu that is gone.
    QPointer<QMenu> second = ClosureMenuTarget::liveMenu();
    second->actions().front()->trigger();
    popUpCollectionsMenu(dune, settings);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(second);
    EXPECT_FALSE(settings.contains(dune, id));
}

TEST_F(MenuPopupTest, BannerFillsItsFrameWithThePictureUnderAShade) {
    started();
    presented();
    tray().openMenu();
    // A wide picture: its middle fills the frame, sky on top, sand under the shade.
    menu().model().setBanner({landscape(560, 315), "sky", "Dunes", "Dunes 1"}, 0);
    const QImage withPicture = popup().grab().toImage();
    const QPoint frame = popup().banner().pos() + popup().banner().frame().topLeft();
    const QColor sky = withPicture.pixelColor(frame + QPoint(128, 8));
    EXPECT_GT(sky.blue(), sky.red() + 60) << "RGBA pixels read as RGBA";
    const QColor shaded = withPicture.pixelColor(frame + QPoint(200, 64));
    EXPECT_LT(shaded.red(), 214 * 0.45) << "the bottom is shaded";

    menu().model().setBanner({std::nullopt, "none", "Dunes", "Dunes 1"}, 0);
    const QColor grey = popup().grab().toImage().pixelColor(frame + QPoint(128, 8));
    EXPECT_NEAR(grey.red(), 64, 2);
    EXPECT_EQ(grey.red(), grey.blue());

    // For a look at the whole popup: KESTRANE_RENDER_DIR=folder.
    if (const char* folder = std::getenv("KESTRANE_RENDER_DIR")) {
        menu().model().setBanner({landscape(560, 315), "sky", "Dunes",
                                  "Dunes 1 — a name long enough to be cut short at the edge"},
                                 0);
        menu().model().setHovering(true);
        popup().rowView(MenuRowID::next)->setHighlighted(true);
        for (const qreal ratio : {1.0, 2.0}) {
            QPixmap pixmap(popup().size() * ratio);
            pixmap.setDevicePixelRatio(ratio);
            pixmap.fill(QColor(110, 120, 130));
            popup().render(&pixmap, {}, {}, QWidget::DrawChildren);
            pixmap.save(QDir(folder).filePath(QStringLiteral("menu-popup@%1x.png").arg(ratio)));
        }
    }
}

TEST(PopupPlacementTest, AtTheIconInsideTheScreenOrAtThePointer) {
    const QRect screen(0, 0, 1920, 1080);
    const QRect available(0, 28, 1920, 1052);
    const QSize size(272, 400);
    struct Case {
        const char* name;
        QRect icon;
        QPoint pointer;
        QPoint expected;
    };
    const Case cases[] = {
        {"below an icon in a top panel", {1000, 2, 24, 24}, {}, {876, 28}},
        {"above an icon in a bottom panel", {1000, 1056, 24, 24}, {}, {876, 656}},
        {"kept inside at the right edge", {1900, 2, 20, 24}, {}, {1648, 28}},
        {"at the pointer", {}, {500, 300}, {500, 300}},
        {"above and left of a pointer in the corner", {}, {1900, 1070}, {1628, 670}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(popupPosition(size, c.icon, c.pointer, screen, available), c.expected) << c.name;
}

} // namespace
} // namespace ks::test

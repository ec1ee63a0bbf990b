#include "ui/settings_view.h"

#include "base/log.h"
#include "library/library.h"
#include "library/pack_downloader.h"
#include "library/thumbnail_cache.h"
#include "platform/linux/release_memory.h"
#include "platform/login_items.h"
#include "settings/duration_option.h"
#include "settings/settings_store.h"
#include "settings/transition_option.h"
#include "ui/box_style.h"
#include "ui/busy_spinner.h"
#include "ui/collection_chip.h"
#include "ui/daily_time_field.h"
#include "ui/design_tokens.h"
#include "ui/ds_font.h"
#include "ui/fan_overlay.h"
#include "ui/pack_tile.h"
#include "ui/palette.h"
#include "ui/pseudo_packs.h"
#include "ui/qt_text.h"
#include "ui/reveal_request.h"
#include "ui/section_header.h"
#include "ui/segmented.h"
#include "ui/settings_view_model.h"
#include "ui/step_slider.h"
#include "ui/symbol_icons.h"
#include "ui/thumb_image.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace ks {

namespace {

constexpr int kColumns = 8;
constexpr int kColumnWidth = PackTile::kWidth;
constexpr int kColumnGap = 8;
constexpr int kRowGap = 10;
constexpr double kFanDelay = 0.15;
constexpr double kFanRemoval = 0.55;
// The maker's site, behind the footer's link.
constexpr const char* kMakerURL = "https://kestrane.app/wallpapers";

QLabel* label(const QString& text, double points, QFont::Weight weight, QColor colour,
              QWidget* parent = nullptr) {
    auto* made = new QLabel(text, parent);
    made->setFont(dsFont(points, weight));
    QPalette palette = made->palette();
    palette.setColor(QPalette::WindowText, colour);
    made->setPalette(palette);
    return made;
}

// The hairline between the content and the footer.
class Divider final : public QWidget {
public:
    Divider() { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(QRectF(0, 0, width(), 0.5), Panel::hairline().resolve(this));
        QColor faint = Panel::hairline().resolve(this);
        faint.setAlphaF(faint.alphaF() / 2);
        painter.fillRect(QRectF(0, 0.5, width(), 0.5), faint);
    }
};

// A horizontal strip that a plain wheel scrolls sideways, since it shows no scroll bar.
class SidewaysScrollArea final : public QScrollArea {
protected:
    void wheelEvent(QWheelEvent* event) override {
        const QPoint delta = event->angleDelta();
        const int step = delta.x() != 0 ? delta.x() : delta.y();
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - step / 2);
        event->accept();
    }
};

QPushButton* linkButton(const QString& text, double points, QColor colour) {
    auto* button = new QPushButton(text);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(dsFont(points));
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(
        QStringLiteral("QPushButton { border: none; padding: 0; color: %1; }").arg(colour.name()));
    return button;
}

std::vector<double> secondsOf(auto options) {
    std::vector<double> seconds;
    for (const auto& option : options)
        seconds.push_back(option.seconds());
    return seconds;
}

} // namespace

SettingsView::SettingsView(SettingsViewInputs inputs, QWidget* parent)
    : QWidget(parent), m_in(std::move(inputs)) {
    setObjectName(QStringLiteral("settingsView"));
    setFixedWidth(kWidth);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* top = new QWidget;
    auto* topColumn = new QVBoxLayout(top);
    topColumn->setContentsMargins(20, 34, 20, 16);
    topColumn->setSpacing(static_cast<int>(DS::Space::l));
    topColumn->addWidget(makeTopRow());
    topColumn->addWidget(makePacksSection());
    column->addWidget(top);
    column->addWidget(new Divider);
    column->addWidget(makeFooter());

    m_settingsObservation = m_in.settings.observe([this] { refresh(); });
    m_revealObservation = m_in.reveal.observe([this] { revealRequested(); });
    if (m_in.downloader)
        m_downloadObservation = m_in.downloader->observe([this] { refreshFooter(); });
    refresh();
    refreshFooter();
    fitGridHeight();
    // Settled now, so the window takes this size at once rather than on a later turn.
    column->activate();
}

SettingsView::~SettingsView() = default;

QWidget* SettingsView::makeTopRow() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    QWidget* timing = makeTimingBox();
    timing->setFixedWidth(350);
    QWidget* order = makeOrderBox();
    order->setFixedWidth(210);
    layout->addWidget(timing, 0, Qt::AlignTop);
    layout->addWidget(order, 0, Qt::AlignTop);
    layout->addWidget(makeOptionsBox(), 1, Qt::AlignTop);
    return row;
}

QWidget* SettingsView::makeTimingBox() {
    auto* box = new BoxFrame;
    box->setObjectName(QStringLiteral("timingBox"));
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    auto* header = new SectionHeader(QStringLiteral("Timing"));
    header->setSubtitle(QStringLiteral("Time on each wallpaper, and the fade between"));
    layout->addWidget(header);

    const QColor ink = Palette::ink().resolve(this);
    const QColor secondary = Panel::secondary().resolve(this);
    const auto sliderRow = [&](const QString& name, QLabel*& detail, StepSlider* slider) {
        auto* rowLayout = new QVBoxLayout;
        rowLayout->setSpacing(2);
        auto* line = new QHBoxLayout;
        line->addWidget(label(name, 11.5, QFont::DemiBold, ink));
        line->addStretch(1);
        detail = label({}, 11, QFont::Normal, secondary);
        line->addWidget(detail);
        rowLayout->addLayout(line);
        rowLayout->addWidget(slider);
        layout->addLayout(rowLayout);
    };

    m_duration = new StepSlider(
        secondsOf(DurationOption::all()),
        [](double seconds) { return DurationOption::label(seconds); }, 18, 4);
    m_duration->setObjectName(QStringLiteral("durationSlider"));
    m_duration->setOnValueChanged([this](double v) { m_in.settings.setIntervalSeconds(v); });
    sliderRow(QStringLiteral("Duration"), m_durationDetail, m_duration);
    m_durationDetail->setObjectName(QStringLiteral("durationDetail"));

    m_changeAtRow = new QWidget;
    m_changeAtRow->setObjectName(QStringLiteral("changeAtRow"));
    auto* changeAt = new QHBoxLayout(m_changeAtRow);
    changeAt->setContentsMargins(0, 0, 0, 0);
    changeAt->addWidget(label(QStringLiteral("Change at"), 11, QFont::DemiBold, ink));
    changeAt->addStretch(1);
    changeAt->addWidget(new DailyTimeField(m_in.settings));
    layout->addWidget(m_changeAtRow);

    m_transition = new StepSlider(
        secondsOf(TransitionOption::all()),
        [](double seconds) { return TransitionOption::label(seconds); }, 18, 4);
    m_transition->setObjectName(QStringLiteral("transitionSlider"));
    m_transition->setOnValueChanged([this](double v) { m_in.settings.setCrossfadeSeconds(v); });
    sliderRow(QStringLiteral("Transition"), m_transitionDetail, m_transition);
    m_transitionDetail->setObjectName(QStringLiteral("transitionDetail"));
    return box;
}

QWidget* SettingsView::makeOrderBox() {
    auto* box = new BoxFrame;
    box->setObjectName(QStringLiteral("orderBox"));
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    auto* header = new SectionHeader(QStringLiteral("Order"));
    header->setSubtitle(QStringLiteral("Shuffle or in order"));
    layout->addWidget(header);
    m_order = new Segmented(
        {{QStringLiteral("Shuffle"), "shuffle"}, {QStringLiteral("In Order"), "list.bullet"}});
    m_order->setObjectName(QStringLiteral("orderControl"));
    m_order->setOnSelect([this](int index) { m_in.settings.setShuffle(index == 0); });
    layout->addWidget(m_order);
    layout->addWidget(label(QStringLiteral("Light & dark packs"), 11, QFont::Normal,
                            Panel::secondary().resolve(this)));
    m_appearance = new Segmented({{QStringLiteral("Auto"), "circle.lefthalf.filled"},
                                  {QStringLiteral("Light"), "sun.max"},
                                  {QStringLiteral("Dark"), "moon"}});
    m_appearance->setObjectName(QStringLiteral("appearanceControl"));
    m_appearance->setOnSelect([this](int index) {
        static constexpr AppearanceFilter filters[] = {
            AppearanceFilter::system, AppearanceFilter::light, AppearanceFilter::dark};
        m_in.settings.setAppearance(filters[std::clamp(index, 0, 2)]);
    });
    layout->addWidget(m_appearance);
    return box;
}

QWidget* SettingsView::makeOptionsBox() {
    auto* box = new BoxFrame;
    box->setObjectName(QStringLiteral("optionsBox"));
    auto* layout = new QVBoxLayout(box);
    // What is left of the row is narrow: the checkboxes' texts need the room.
    layout->setContentsMargins(10, 12, 8, 12);
    layout->setSpacing(8);
    auto* header = new SectionHeader(QStringLiteral("Options"));
    header->setSubtitle(QStringLiteral("Extra preferences"));
    layout->addWidget(header);
    const auto checkbox = [&](const QString& text, const char* name) {
        auto* made = new QCheckBox(text);
        made->setObjectName(QLatin1String(name));
        made->setFont(dsFont(11.5));
        made->setFocusPolicy(Qt::TabFocus);
        made->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        layout->addWidget(made);
        return made;
    };
    m_pauseOnBattery = checkbox(QStringLiteral("Pause on battery"), "pauseOnBattery");
    connect(m_pauseOnBattery, &QCheckBox::toggled, this,
            [this](bool on) { m_in.settings.setPauseOnBattery(on); });
    m_perDisplay = checkbox(QStringLiteral("Different per display"), "perDisplay");
    connect(m_perDisplay, &QCheckBox::toggled, this,
            [this](bool on) { m_in.settings.setPerDisplayWallpapers(on); });
    m_launchAtLogin = checkbox(QStringLiteral("Launch at login"), "launchAtLogin");
    m_launchAtLogin->setChecked(m_in.loginItems.status() == LoginItems::kStatusEnabled);
    connect(m_launchAtLogin, &QCheckBox::toggled, this,
            [this](bool on) { launchAtLoginToggled(on); });
    layout->addStretch(1);
    return box;
}

void SettingsView::launchAtLoginToggled(bool on) {
    const LoginItemResult result = on ? m_in.loginItems.enable() : m_in.loginItems.disable();
    if (result.ok)
        return;
    logLine("Launch-at-login toggle failed: " + result.error);
    const QSignalBlocker quiet(m_launchAtLogin);
    m_launchAtLogin->setChecked(m_in.loginItems.status() == LoginItems::kStatusEnabled);
}

QWidget* SettingsView::makePacksSection() {
    auto* section = new QWidget;
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(7);
    m_packsHeader = new SectionHeader(QStringLiteral("Wallpaper Packs"));
    m_packsHeader->setObjectName(QStringLiteral("packsHeader"));
    auto* selectAll = linkButton({}, 11.5, Palette::accent());
    selectAll->setFont(dsFont(11.5, QFont::Medium));
    selectAll->setObjectName(QStringLiteral("selectAllPacks"));
    connect(selectAll, &QPushButton::clicked, this, [this] {
        if (selectAllButton(m_in.settings).deselects)
            m_in.settings.toggleAllPacks();
        else
            m_in.settings.selectAllPacks();
    });
    m_selectAll = selectAll;
    m_packsHeader->setTrailing(selectAll);
    layout->addWidget(m_packsHeader);
    layout->addWidget(makeCollectionsRow());
    layout->addWidget(makePackGrid());
    return section;
}

QWidget* SettingsView::makeCollectionsRow() {
    auto* scroll = new SidewaysScrollArea;
    scroll->setObjectName(QStringLiteral("collectionsRow"));
    scroll->setFrameShape(QFrame::NoFrame);
    // Scrolled by the wheel; as a Tab stop it would take the keys and show nothing.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setFixedHeight(28);
    scroll->viewport()->setAutoFillBackground(false);
    auto* strip = new QWidget;
    strip->setAutoFillBackground(false);
    m_chipsLayout = new QHBoxLayout(strip);
    m_chipsLayout->setContentsMargins(6, 2, 6, 2);
    m_chipsLayout->setSpacing(6);
    auto* symbol = new QLabel;
    symbol->setPixmap(symbolIcon("square.stack").pixmap(12, 12));
    m_chipsLayout->addWidget(symbol);
    m_chipsLayout->addWidget(
        label(QStringLiteral("Collections"), 11.5, QFont::DemiBold, Palette::ink().resolve(this)));
    m_chipsLayout->addSpacing(4);
    m_chipsLayout->addWidget(makeNewCollectionChip());
    m_chipsLayout->addStretch(1);
    scroll->setWidget(strip);
    return scroll;
}

QAbstractButton* SettingsView::makeNewCollectionChip() {
    auto* chip = new QToolButton;
    chip->setObjectName(QStringLiteral("newCollectionChip"));
    chip->setText(QStringLiteral("New"));
    chip->setIcon(symbolIcon("plus"));
    chip->setIconSize(QSize(11, 11));
    chip->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    chip->setAutoRaise(true);
    chip->setFont(dsFont(11.5, QFont::Medium));
    chip->setToolTip(QStringLiteral("Make a new collection"));
    chip->setPopupMode(QToolButton::InstantPopup);
    chip->setFocusPolicy(Qt::NoFocus);
    // Borderless in every state (the style frames a raised tool button once its menu has
    // been open), with the menu's chevron beside the text rather than across a frame.
    chip->setStyleSheet(QStringLiteral(
        "QToolButton { border: none; background: transparent; padding: 2px 11px 2px 2px; }"
        "QToolButton::menu-indicator { subcontrol-origin: padding;"
        " subcontrol-position: right center; width: 7px; height: 7px; right: 1px; }"));
    auto* menu = new QMenu(chip);
    menu->addAction(QStringLiteral("New Empty Collection…"), this,
                    [this] { promptNewCollection({}); });
    menu->addAction(QStringLiteral("Save Current Selection…"), this,
                    [this] { promptNewCollection(keysInRotation(m_in.settings, m_in.library)); });
    chip->setMenu(menu);
    return chip;
}

QWidget* SettingsView::makePackGrid() {
    m_gridScroll = new QScrollArea;
    m_gridScroll->setObjectName(QStringLiteral("packGridScroll"));
    m_gridScroll->setFrameShape(QFrame::NoFrame);
    m_gridScroll->setFocusPolicy(Qt::NoFocus);
    m_gridScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_gridScroll->setWidgetResizable(true);
    m_gridScroll->viewport()->setAutoFillBackground(false);
    m_grid = new QWidget;
    m_grid->setObjectName(QStringLiteral("packGrid"));
    m_grid->setAutoFillBackground(false);
    auto* grid = new QGridLayout(m_grid);
    // Eight fixed columns, centred as a whole; a short last row starts at the left.
    const int side = (kWidth - 40 - kColumns * kColumnWidth - (kColumns - 1) * kColumnGap) / 2;
    grid->setContentsMargins(side, 4, side, 4);
    grid->setHorizontalSpacing(kColumnGap);
    grid->setVerticalSpacing(kRowGap);
    grid->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    int index = 0;
    for (const Pack& pack : m_in.library.packs()) {
        PackTile::Actions actions;
        const std::string id = pack.id;
        actions.toggle = [this, id] { m_in.settings.togglePack(id, m_in.library); };
        actions.toggleFavorite = [this, id] {
            if (const auto found = m_in.library.pack(id))
                m_in.settings.togglePackFavorite(*found);
        };
        actions.browse = [this, id] {
            if (const auto found = m_in.library.pack(id))
                expandFan(*found);
        };
        auto* tile = new PackTile(std::move(actions));
        grid->addWidget(tile, index / kColumns, index % kColumns);
        m_tiles.push_back(tile);
        ++index;
    }
    for (int c = 0; c < kColumns; ++c) {
        grid->setColumnMinimumWidth(c, kColumnWidth);
        grid->setColumnStretch(c, 0);
    }
    grid->setColumnStretch(kColumns, 1);
    m_gridOpacity = new QGraphicsOpacityEffect(m_grid);
    m_gridOpacity->setOpacity(1.0);
    // Off while opaque: an active effect renders the grid through an extra buffer.
    m_gridOpacity->setEnabled(false);
    m_grid->setGraphicsEffect(m_gridOpacity);
    m_gridScroll->setWidget(m_grid);
    return m_gridScroll;
}

void SettingsView::fitGridHeight() {
    // The whole grid when the screen has room for it; otherwise as many rows as fit, and
    // the rest scrolls.
    m_gridScroll->setFixedHeight(0);
    const int rest = sizeHint().height();
    const int content = m_grid->sizeHint().height();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().height() - 60 : 900;
    const int tileRow = m_tiles.empty() ? 0 : m_tiles.front()->height() + kRowGap;
    const int shown = std::min(content, std::max(room - rest, 2 * tileRow));
    m_gridScroll->setFixedHeight(shown);
    if (shown < content) {
        // The scroll bar takes the right-hand margin, slim, so no column goes under it.
        m_gridScroll->verticalScrollBar()->setStyleSheet(
            QStringLiteral("QScrollBar:vertical { width: 10px; }"));
        m_grid->layout()->setContentsMargins(2, 4, 0, 4);
    }
    // Layouts keep their children's sizes until told; the window is sized from this at once.
    for (QWidget* w = m_gridScroll->parentWidget(); w; w = w->parentWidget()) {
        w->updateGeometry();
        if (w->layout())
            w->layout()->invalidate();
        if (w == this)
            break;
    }
}

QWidget* SettingsView::makeFooter() {
    auto* footer = new QWidget;
    footer->setObjectName(QStringLiteral("settingsFooter"));
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(20, 12, 20, 12);
    row->setSpacing(8);
    const QColor secondary = Panel::secondary().resolve(this);
    m_spinner = new BusySpinner(13);
    m_spinner->setObjectName(QStringLiteral("downloadSpinner"));
    row->addWidget(m_spinner, 0, Qt::AlignVCenter);
    m_downloadText = label({}, 11, QFont::Normal, secondary);
    m_downloadText->setObjectName(QStringLiteral("downloadProgress"));
    row->addWidget(m_downloadText);
    m_errorText = label({}, 11, QFont::Normal, QColor(Qt::red).darker(115));
    m_errorText->setObjectName(QStringLiteral("downloadError"));
    row->addWidget(m_errorText);
    auto* retry = linkButton(QStringLiteral("Retry"), 11, Palette::accent());
    retry->setObjectName(QStringLiteral("retryDownload"));
    connect(retry, &QPushButton::clicked, this, [this] {
        if (m_in.downloader)
            m_in.downloader->downloadMissingPacks();
    });
    m_retry = retry;
    row->addWidget(retry);

    auto* maker = linkButton(QStringLiteral("Wallpapers by Kestrane "), 11, secondary);
    maker->setObjectName(QStringLiteral("makerLink"));
    maker->setIcon(symbolIcon("arrow.up.right"));
    maker->setIconSize(QSize(10, 10));
    maker->setLayoutDirection(Qt::RightToLeft);
    maker->setToolTip(QString::fromLatin1(kMakerURL));
    connect(maker, &QPushButton::clicked, this,
            [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kMakerURL))); });
    row->addWidget(maker);
    row->addStretch(1);

    if (m_in.canRestoreOriginal) {
        auto* restore = new QPushButton(QStringLiteral("Restore My Wallpaper"));
        restore->setObjectName(QStringLiteral("restoreOriginal"));
        restore->setFont(dsFont(11.5));
        restore->setToolTip(QStringLiteral("Put your own wallpaper back and pause the rotation"));
        restore->setAutoDefault(false);
        connect(restore, &QPushButton::clicked, this, [this] {
            if (m_in.onRestoreOriginal)
                m_in.onRestoreOriginal();
        });
        row->addWidget(restore);
    }
    auto* done = new QPushButton(QStringLiteral("Done"));
    done->setObjectName(QStringLiteral("done"));
    done->setFont(dsFont(13, QFont::Medium));
    done->setDefault(true);
    const QColor accent = Palette::accent();
    done->setStyleSheet(
        QStringLiteral(
            "QPushButton { background: %1; color: white; border: none; border-radius: 6px;"
            " padding: 4px 14px; } QPushButton:pressed { background: %2; }")
            .arg(accent.name(), accent.darker(115).name()));
    done->setMinimumWidth(72);
    connect(done, &QPushButton::clicked, this, [this] {
        if (m_in.onDone)
            m_in.onDone();
    });
    row->addWidget(done);
    return footer;
}

void SettingsView::refresh() {
    SettingsStore& settings = m_in.settings;
    m_duration->setValue(settings.intervalSeconds());
    m_durationDetail->setText(qtext(durationDetail(settings)));
    m_changeAtRow->setVisible(showsChangeAtRow(settings));
    m_transition->setValue(settings.crossfadeSeconds());
    m_transitionDetail->setText(qtext(transitionDetail(settings)));
    m_order->setSelectedIndex(settings.shuffle() ? 0 : 1);
    const AppearanceFilter filter = settings.appearance();
    // "Both" is not offered here; it shows as no segment chosen.
    m_appearance->setSelectedIndex(filter == AppearanceFilter::system  ? 0
                                   : filter == AppearanceFilter::light ? 1
                                   : filter == AppearanceFilter::dark  ? 2
                                                                       : -1);
    {
        const QSignalBlocker a(m_pauseOnBattery), b(m_perDisplay);
        m_pauseOnBattery->setChecked(settings.pauseOnBattery());
        m_perDisplay->setChecked(settings.perDisplayWallpapers());
    }
    m_packsHeader->setSubtitle(qtext(packsSubtitle(settings)));
    m_packsHeader->setDetail(qtext(packsDetail(settings, m_in.library)));
    const SelectAllButton selectAll = selectAllButton(settings);
    m_selectAll->setText(qtext(selectAll.title));
    m_selectAll->setToolTip(qtext(selectAll.help));
    refreshChips();
    refreshOverlay();

    const auto& packs = m_in.library.packs();
    for (std::size_t i = 0; i < m_tiles.size() && i < packs.size(); ++i)
        m_tiles[i]->setState(packTileState(settings, packs[i]), true);
    const bool faded = collectionRotates(settings);
    if (faded != m_gridFaded) {
        m_gridFaded = faded;
        m_gridOpacity->setEnabled(true);
        m_gridFade = std::make_unique<QVariantAnimation>();
        m_gridFade->setStartValue(m_gridOpacity->opacity());
        m_gridFade->setEndValue(faded ? 0.6 : 1.0);
        m_gridFade->setDuration(isVisible() ? 200 : 0);
        m_gridFade->setEasingCurve(QEasingCurve::OutCubic);
        connect(m_gridFade.get(), &QVariantAnimation::valueChanged, this,
                [this](const QVariant& v) { m_gridOpacity->setOpacity(v.toDouble()); });
        connect(m_gridFade.get(), &QVariantAnimation::finished, this,
                [this] { m_gridOpacity->setEnabled(m_gridOpacity->opacity() < 1.0); });
        m_gridFade->start();
    }
}

void SettingsView::refreshChips() {
    const std::vector<CollectionChipState> states = collectionChips(m_in.settings, m_in.library);
    while (m_chips.size() > states.size()) {
        // Later: the chip may be the one whose menu deleted its collection.
        CollectionChip* gone = m_chips.back();
        m_chipsLayout->removeWidget(gone);
        gone->hide();
        gone->deleteLater();
        m_chips.pop_back();
    }
    while (m_chips.size() < states.size()) {
        auto* chip = new CollectionChip;
        const std::size_t index = m_chips.size();
        connect(chip, &QAbstractButton::clicked, this,
                [this, chip] { m_in.settings.toggleRotation(chip->state().id); });
        connect(chip, &QWidget::customContextMenuRequested, this, [this, chip](QPoint at) {
            const std::unique_ptr<QMenu> menu = chipMenu(chip->state());
            menu->exec(chip->mapToGlobal(at));
        });
        // After the caption and its gap, before the new-collection chip.
        m_chipsLayout->insertWidget(static_cast<int>(3 + index), chip);
        m_chips.push_back(chip);
    }
    for (std::size_t i = 0; i < states.size(); ++i)
        m_chips[i]->setState(states[i]);
}

std::unique_ptr<QMenu> SettingsView::chipMenu(const CollectionChipState& chip) {
    auto menu = std::make_unique<QMenu>();
    const std::string id = chip.id;
    QAction* show = menu->addAction(QStringLiteral("Show Wallpapers…"), [this, id] {
        if (const auto collection = m_in.settings.collection(id))
            expandFan(collectionPack(*collection, m_in.library));
    });
    show->setEnabled(chip.canShowWallpapers);
    if (!chip.canEdit)
        return menu;
    menu->addSeparator();
    const std::string name = chip.name;
    menu->addAction(QStringLiteral("Rename…"), [this, id, name] {
        if (!m_in.askForName)
            return;
        if (const auto answer = m_in.askForName({"Rename collection", "", name, name}))
            m_in.settings.renameCollection(id, *answer);
    });
    menu->addSeparator();
    QAction* remove = menu->addAction(QStringLiteral("Delete"),
                                      [this, id] { m_in.settings.deleteCollection(id); });
    remove->setObjectName(QStringLiteral("deleteCollection"));
    return menu;
}

void SettingsView::promptNewCollection(std::vector<std::string> keys) {
    if (!m_in.askForName)
        return;
    const NamePrompt prompt{"New collection", newCollectionMessage(keys.size()),
                            m_in.settings.nextCollectionName(), ""};
    if (const auto name = m_in.askForName(prompt))
        m_in.settings.createCollection(*name, std::move(keys));
}

void SettingsView::refreshFooter() {
    const FooterStatus status =
        m_in.downloader ? footerStatus(m_in.downloader->isDownloading(),
                                       m_in.downloader->progress(), m_in.downloader->lastError())
                        : FooterStatus{};
    const bool downloading = status.kind == FooterStatus::Kind::downloading;
    const bool failed = status.kind == FooterStatus::Kind::failed;
    m_spinner->setVisible(downloading);
    m_downloadText->setVisible(downloading);
    m_errorText->setVisible(failed);
    m_retry->setVisible(failed);
    (downloading ? m_downloadText : m_errorText)->setText(qtext(status.text));
    // A pack that arrived brings its cover.
    for (PackTile* tile : m_tiles)
        tile->cover()->reloadIfMissing();
}

std::map<std::string, QRect> SettingsView::tileFrames() const {
    std::map<std::string, QRect> frames;
    for (const PackTile* tile : m_tiles)
        frames[tile->state().id] =
            QRect(tile->mapTo(this, tile->coverFrame().topLeft()), tile->coverFrame().size());
    for (const CollectionChip* chip : m_chips)
        frames[chip->state().anchorID] = QRect(chip->mapTo(this, QPoint()), chip->size());
    return frames;
}

void SettingsView::later(std::function<void()> fn) {
    const std::weak_ptr<SettingsView*> self = m_self;
    m_in.loop.post([self, fn = std::move(fn)] {
        if (self.lock())
            fn();
    });
}

void SettingsView::expandFan(const Pack& pack) {
    if (const auto frame = tileFrames(); frame.contains(pack.id))
        m_fanSource = frame.at(pack.id);
    // Started before the browser first draws, so its tiles usually come from the cache.
    ThumbnailCache::shared().prefetch(pack.wallpapers);
    m_collapseTimer.cancel();
    m_expandedPack = pack;
    m_fanned = false;
    showOverlay(pack);
    // The wallpapers are drawn gathered at the source first, then fan out, unless the browser
    // was closed (or opened again) in between.
    const int generation = ++m_fanGeneration;
    later([this, generation] {
        if (!m_expandedPack || generation != m_fanGeneration)
            return;
        m_fanned = true;
        if (m_overlay)
            m_overlay->setFanned(true);
    });
    logLine("SettingsView: fanning out " + pack.id + " (" + std::to_string(pack.wallpapers.size()) +
            " wallpapers)");
}

void SettingsView::collapseFan() {
    m_fanned = false;
    ++m_fanGeneration;
    if (m_overlay) {
        // The content may have changed under the overlay; it shows again as the veil lifts.
        m_overlay->setBackdrop(contentSnapshot());
        m_overlay->setFanned(false);
        // The keyboard goes back to where it was, as the pointer already does.
        if (m_focusBeforeFan)
            m_focusBeforeFan->setFocus(Qt::OtherFocusReason);
        else if (m_overlay->hasFocus())
            m_overlay->clearFocus();
    }
    m_collapseTimer = m_in.loop.postAfter(Seconds(kFanRemoval), [this] {
        if (m_fanned)
            return;
        m_expandedPack.reset();
        delete m_overlay;
        m_overlay = nullptr;
        // Its pictures and backdrops are several megabytes the allocator would keep.
        releaseFreedMemory();
    });
}

void SettingsView::showOverlay(const Pack& pack) {
    if (!m_overlay) {
        FanOverlayInputs inputs{m_in.settings,
                                m_in.library,
                                m_in.loop,
                                m_in.onPickWallpaper,
                                m_in.showCollectionsMenu,
                                [this] { collapseFan(); }};
        m_focusBeforeFan = window()->focusWidget();
        m_overlay = new FanOverlay(std::move(inputs), this);
        m_overlay->setGeometry(rect());
        m_overlay->setBackdrop(contentSnapshot());
        m_overlay->show();
    }
    m_overlay->raise();
    // The same pack flying back turns around from where it is.
    if (m_overlay->pack() != pack)
        m_overlay->setPack(pack);
    m_overlay->setSource(m_fanSource);
    m_overlay->setFocus();
}

void SettingsView::followFanSource() {
    if (!m_overlay || !m_expandedPack)
        return;
    // Without a frame (a tile off the grid), the source stays where it was.
    if (const auto frames = tileFrames(); frames.contains(m_expandedPack->id))
        m_fanSource = frames.at(m_expandedPack->id);
    m_overlay->setSource(m_fanSource);
}

QPixmap SettingsView::contentSnapshot() const {
    const double ratio = devicePixelRatioF();
    QPixmap snapshot(size() * ratio);
    snapshot.setDevicePixelRatio(ratio);
    snapshot.fill(palette().color(QPalette::Window));
    QPainter painter(&snapshot);
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != m_overlay && child->isVisible())
            child->render(&painter, child->pos(), QRegion(), QWidget::DrawChildren);
    return snapshot;
}

void SettingsView::refreshOverlay() {
    if (!m_overlay)
        return;
    m_overlay->refresh();
    if (m_backdropQueued)
        return;
    m_backdropQueued = true;
    // Once the content below has taken the change in.
    later([this] {
        m_backdropQueued = false;
        if (!m_overlay)
            return;
        m_overlay->setBackdrop(contentSnapshot());
        // A chip grows with its count, and the ones after it move.
        followFanSource();
    });
}

void SettingsView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!m_overlay)
        return;
    m_overlay->setGeometry(rect());
    followFanSource();
    refreshOverlay();
}

void SettingsView::revealRequested() {
    const auto& wallpaper = m_in.reveal.wallpaper();
    if (!wallpaper)
        return;
    const auto pack = m_in.library.pack(wallpaper->packID);
    if (!pack)
        return;
    m_revealTimer =
        m_in.loop.postAfter(Seconds(kFanDelay), [this, pack = *pack] { expandFan(pack); });
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // No field starts focused.
    later([this] {
        if (QWidget* focused = window()->focusWidget())
            focused->clearFocus();
    });
}

} // namespace ks

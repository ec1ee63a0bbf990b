#include "main/welcome_view.h"

#include "base/locations.h"
#include "main/app_icon.h"
#include "ui/ds_font.h"
#include "ui/palette.h"
#include "ui/symbol_icons.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace ks {

namespace {

constexpr int kColumnWidth = 460;
constexpr int kRowInset = 36;
constexpr int kSymbolColumn = 22;
constexpr int kSymbolSize = 15;
constexpr int kMenuIconSize = 14;

QLabel* textLabel(const QString& text, double points, QFont::Weight weight, const QColor& colour) {
    auto* label = new QLabel(text);
    label->setFont(dsFont(points, weight));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

// A picture of `size` points in one colour: the picture's alpha, filled with `colour`.
QPixmap tinted(const QPixmap& mask, QSize size, const QColor& colour, qreal ratio) {
    QPixmap out(size * ratio);
    out.setDevicePixelRatio(ratio);
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRect(QPoint(0, 0), size), mask);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRect(QPoint(0, 0), size), colour);
    return out;
}

QPixmap symbolPixmap(std::string_view name, const QColor& colour, qreal ratio) {
    QPixmap out(QSize(kSymbolColumn, kSymbolSize) * ratio);
    out.setDevicePixelRatio(ratio);
    out.fill(Qt::transparent);
    QPainter painter(&out);
    drawSymbol(painter, QRectF(0, 0, kSymbolSize, kSymbolSize), name, colour);
    return out;
}

} // namespace

QPixmap WelcomeView::menuIcon() {
    const auto resources = Locations::resourcesDir();
    if (!resources)
        return {};
    return QPixmap(QString::fromStdString((*resources / "MenuIcon.png").string()));
}

WelcomeView::WelcomeView(std::function<void()> onOpenSettings, std::function<void()> onDone,
                         std::function<void()> onClose)
    : m_onOpenSettings(std::move(onOpenSettings)), m_onDone(std::move(onDone)),
      m_onClose(std::move(onClose)) {
    setObjectName(QStringLiteral("welcomeView"));
    setDrawingAppearance(this, DrawingAppearance::light);
    const QColor ink = Palette::ink().resolve(this);
    const QColor ink2 = Palette::ink2().resolve(this);
    QPalette light = palette();
    light.setColor(QPalette::Window, QColor::fromRgbF(0.955f, 0.955f, 0.955f));
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::WindowText, ink);
    light.setColor(QPalette::Text, ink);
    light.setColor(QPalette::ButtonText, ink);
    light.setColor(QPalette::Button, QColor(0xF6, 0xF5, 0xF4));
    setPalette(light);
    setAutoFillBackground(true);
    setFixedWidth(kColumnWidth);
    const qreal ratio = devicePixelRatioF();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 28, 0, 26);
    column->setSpacing(0);

    auto* appIcon = new QLabel;
    appIcon->setObjectName(QStringLiteral("welcomeAppIcon"));
    appIcon->setFixedSize(96, 96);
    appIcon->setPixmap(applicationIcon().pixmap(QSize(96, 96), ratio));
    appIcon->setScaledContents(true);
    column->addWidget(appIcon, 0, Qt::AlignHCenter);
    column->addSpacing(14);

    column->addWidget(
        textLabel(QStringLiteral("Kestrane Wallpapers is running"), 20, QFont::DemiBold, ink), 0,
        Qt::AlignHCenter);
    column->addSpacing(6);

    auto* whereLine = new QHBoxLayout;
    whereLine->setSpacing(5);
    whereLine->addStretch();
    whereLine->addWidget(textLabel(QStringLiteral("It lives in your system tray — look for the"),
                                   13, QFont::Normal, ink2));
    // A template like the tray's: its shape in the text's primary colour.
    if (const QPixmap icon = menuIcon(); !icon.isNull()) {
        auto* iconLabel = new QLabel;
        iconLabel->setObjectName(QStringLiteral("welcomeMenuIcon"));
        iconLabel->setFixedSize(kMenuIconSize, kMenuIconSize);
        iconLabel->setPixmap(tinted(icon, QSize(kMenuIconSize, kMenuIconSize), ink, ratio));
        whereLine->addWidget(iconLabel);
    }
    whereLine->addWidget(textLabel(QStringLiteral("in your panel."), 13, QFont::Normal, ink2));
    whereLine->addStretch();
    column->addLayout(whereLine);
    column->addSpacing(22);

    struct Point {
        std::string_view symbol;
        const char* text;
    };
    static constexpr Point points[] = {
        {"photo.on.rectangle.angled",
         "Your desktop now rotates through the packs you choose, on every workspace."},
        {"forward.fill", "Click the tray icon for Next, Previous, Favorite and Pause. "
                         "Ctrl+Alt+Super+N skips from anywhere."},
        {"gearshape", "Settings… picks packs, timing and the transition. Your old wallpaper "
                      "can be restored any time."},
    };
    auto* rows = new QVBoxLayout;
    rows->setContentsMargins(kRowInset, 0, kRowInset, 0);
    rows->setSpacing(12);
    for (const Point& point : points) {
        auto* row = new QHBoxLayout;
        row->setSpacing(0);
        auto* symbol = new QLabel;
        symbol->setFixedSize(kSymbolColumn, kSymbolSize);
        symbol->setPixmap(symbolPixmap(point.symbol, Palette::accent(), ratio));
        row->addWidget(symbol, 0, Qt::AlignTop);
        auto* text = textLabel(QString::fromUtf8(point.text), 13, QFont::Normal, ink);
        text->setWordWrap(true);
        row->addWidget(text, 1);
        rows->addLayout(row);
    }
    column->addLayout(rows);
    column->addSpacing(26);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    buttons->addStretch();
    auto* done = new QPushButton(QStringLiteral("Done"));
    done->setObjectName(QStringLiteral("welcomeDone"));
    done->setFont(dsFont(13));
    connect(done, &QPushButton::clicked, this, [this] { m_onDone(); });
    buttons->addWidget(done);
    auto* openSettings = new QPushButton(QStringLiteral("Open Settings"));
    openSettings->setObjectName(QStringLiteral("welcomeOpenSettings"));
    openSettings->setFont(dsFont(13));
    const QColor accent = Palette::accent();
    openSettings->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: white; border: none;"
                       " border-radius: 6px; padding: 5px 14px; }"
                       "QPushButton:pressed { background: %2; }")
            .arg(accent.name(), accent.darker(115).name()));
    connect(openSettings, &QPushButton::clicked, this, [this] { m_onOpenSettings(); });
    buttons->addWidget(openSettings);
    buttons->addStretch();
    column->addLayout(buttons);
}

void WelcomeView::keyPressEvent(QKeyEvent* event) {
    // Whatever has the focus: a window without a text field has nothing else for these keys.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_onOpenSettings();
        return;
    case Qt::Key_Escape:
        m_onDone();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void WelcomeView::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (m_onClose)
        m_onClose();
}

} // namespace ks

#include "ui/symbol_icons.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStandardPaths>

#include <array>
#include <cmath>
#include <utility>

namespace ks {

namespace {

// Names that Adwaita has, so every symbol shows at least with it; other themes that follow
// the freedesktop icon naming rules draw them in their own style. Adwaita lacks an outlined heart,
// so both hearts are the filled one: the row's title tells them apart.
constexpr std::array<std::pair<std::string_view, std::string_view>, 26> kSymbols{{
    {"heart", "emblem-favorite-symbolic"},
    {"heart.fill", "emblem-favorite-symbolic"},
    {"plus.square.on.square", "tab-new-symbolic"},
    {"eye.slash", "view-conceal-symbolic"},
    {"backward.fill", "media-seek-backward-symbolic"},
    {"forward.fill", "media-seek-forward-symbolic"},
    {"pause.fill", "media-playback-pause-symbolic"},
    {"play.fill", "media-playback-start-symbolic"},
    {"clock", "document-open-recent-symbolic"},
    {"square.stack", "view-paged-symbolic"},
    {"gearshape", "emblem-system-symbolic"},
    {"arrow.triangle.2.circlepath", "emblem-synchronizing-symbolic"},
    {"power", "system-shutdown-symbolic"},
    {"chevron.right", "go-next-symbolic"},
    {"arrow.up.left.and.arrow.down.right", "view-fullscreen-symbolic"},
    {"photo.on.rectangle.angled", "image-x-generic-symbolic"},
    {"shuffle", "media-playlist-shuffle-symbolic"},
    {"list.bullet", "view-list-bullet-symbolic"},
    {"circle.lefthalf.filled", "display-brightness-symbolic"},
    {"sun.max", "weather-clear-symbolic"},
    {"moon", "weather-clear-night-symbolic"},
    {"plus", "list-add-symbolic"},
    {"arrow.up.right", "send-to-symbolic"},
    {"square.grid.3x3", "view-app-grid-symbolic"},
    {"square.stack.fill", "view-paged-symbolic"},
    {"chevron.left", "go-previous-symbolic"},
}};

constexpr auto kSymbolNames = [] {
    std::array<std::string_view, kSymbols.size()> names{};
    for (std::size_t i = 0; i < kSymbols.size(); ++i)
        names[i] = kSymbols[i].first;
    return names;
}();

QString qstring(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Adwaita's scalable file for `name`, for a user theme that neither has the icon nor falls
// back on Adwaita (a theme that names its parents gets no fallback from Qt).
QIcon adwaitaFile(const QString& name) {
    for (const QString& root : QIcon::themeSearchPaths()) {
        const QDir scalable(root + QStringLiteral("/Adwaita/scalable"));
        for (const QString& context : scalable.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString file = scalable.filePath(context + '/' + name + QStringLiteral(".svg"));
            if (QFile::exists(file))
                return QIcon(file);
        }
    }
    return {};
}

} // namespace

std::span<const std::string_view> knownSymbols() {
    return kSymbolNames;
}

std::string_view symbolIconName(std::string_view symbolName) {
    for (const auto& [symbol, icon] : kSymbols)
        if (symbol == symbolName)
            return icon;
    return {};
}

QIcon symbolIcon(std::string_view symbolName) {
    static const bool themesSet = [] {
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
        // A platform without a desktop's theme (offscreen, for one) names neither a theme nor
        // where the themes are.
        QStringList paths = QIcon::themeSearchPaths();
        for (const QString& folder :
             QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                       QStandardPaths::LocateDirectory))
            if (!paths.contains(folder))
                paths.append(folder);
        QIcon::setThemeSearchPaths(paths);
        if (QIcon::themeName().isEmpty())
            QIcon::setThemeName(QStringLiteral("Adwaita"));
        return true;
    }();
    (void)themesSet;
    // Looked up once per symbol; a theme icon follows later changes of the theme itself.
    // Emptied while the application object stands: an icon's engine may come from a plugin.
    static QHash<QString, QIcon> found;
    if (found.isEmpty())
        qAddPostRoutine([] { found.clear(); });
    const QString symbol = qstring(symbolName);
    if (const auto it = found.constFind(symbol); it != found.constEnd())
        return *it;
    const QString name = qstring(symbolIconName(symbolName));
    QIcon icon;
    if (!name.isEmpty()) {
        icon = QIcon::fromTheme(name);
        if (icon.isNull())
            icon = adwaitaFile(name);
    }
    found.insert(symbol, icon);
    return icon;
}

void drawSymbol(QPainter& painter, const QRectF& rect, std::string_view symbolName,
                const QColor& colour) {
    if (rect.isEmpty())
        return;
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize logical(static_cast<int>(std::ceil(rect.width())),
                        static_cast<int>(std::ceil(rect.height())));
    const QString key = QStringLiteral("ks-symbol:%1:%2x%3@%4:%5")
                            .arg(qstring(symbolName))
                            .arg(logical.width())
                            .arg(logical.height())
                            .arg(ratio)
                            .arg(colour.rgba(), 0, 16);
    QPixmap tinted;
    if (!QPixmapCache::find(key, &tinted)) {
        const QIcon icon = symbolIcon(symbolName);
        if (icon.isNull())
            return;
        // Symbolic icons carry their shape in the alpha channel; the colour is ours.
        QImage image = icon.pixmap(logical, ratio)
                           .toImage()
                           .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (image.isNull())
            return;
        QPainter tint(&image);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(image.rect(), colour);
        tint.end();
        tinted = QPixmap::fromImage(std::move(image));
        QPixmapCache::insert(key, tinted);
    }
    // Centred in `rect`, at the size the theme drew (an icon may be smaller than asked).
    const QSizeF size = tinted.deviceIndependentSize();
    const QRectF target(rect.center() - QPointF(size.width() / 2, size.height() / 2), size);
    painter.drawPixmap(target, tinted, QRectF(tinted.rect()));
}

} // namespace ks

#include "main/app_icon.h"

#include "base/locations.h"

#include <QPixmap>
#include <QString>

namespace ks {

QIcon applicationIcon() {
    QIcon rendered;
    if (const auto resources = Locations::resourcesDir()) {
        for (const int size : {48, 128, 256}) {
            const auto path = *resources / ("AppIcon-" + std::to_string(size) + ".png");
            const QPixmap pixmap(QString::fromStdString(path.string()));
            if (!pixmap.isNull())
                rendered.addPixmap(pixmap);
        }
    }
    return QIcon::fromTheme(QStringLiteral("kestrane-wallpapers"), rendered);
}

} // namespace ks

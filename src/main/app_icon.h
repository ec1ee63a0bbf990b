#pragma once

#include <QIcon>

namespace ks {

// The application's icon: "kestrane-wallpapers" from the icon theme (installed into hicolor),
// else the pictures the build rendered into the resources (AppIcon-<size>.png), so a build
// tree or a prefix the desktop does not search still shows it.
QIcon applicationIcon();

} // namespace ks

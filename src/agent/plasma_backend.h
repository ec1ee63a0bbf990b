#pragma once

#include "agent/desktop_backend.h"
#include "agent/picture_loader.h"

#include <string>

namespace ks {

// KDE Plasma 5 and 6, on X11 and Wayland: a script run by the shell over D-Bus sets the
// picture of each Plasma desktop, scaled and cropped. A desktop gets the picture of the
// display whose geometry its screen has; when the screens cannot all be matched (Wayland
// scaling, no display list), the first picture goes on every desktop.
class PlasmaBackend : public DesktopBackend {
public:
    explicit PlasmaBackend(PictureLoader& loader);
    bool show(const DisplayPlan& plan) override;

    // The script for `plan`; it prints kPlasmaScriptDone when it has set every desktop.
    static std::string script(const DisplayPlan& plan);

private:
    PictureLoader& m_loader;
};

inline constexpr std::string_view kPlasmaScriptDone = "kestrane-wallpaper-set";

} // namespace ks

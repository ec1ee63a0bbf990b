#pragma once

#include "agent/desktop_backend.h"
#include "agent/picture_loader.h"
#include "agent/spanned_picture.h"

#include <filesystem>
#include <string>

namespace ks {

// Where one desktop of the GNOME family keeps its background in GSettings.
struct GsettingsDesktop {
    // As log lines name it.
    const char* name;
    const char* schema;
    const char* pictureKey;
    // Also set when the schema has it (GNOME 42 and later: the picture of the dark style).
    const char* darkPictureKey;
    // The key holds a plain path rather than a file URI.
    bool pictureIsPath;
};

inline constexpr GsettingsDesktop kGnomeDesktop{"GNOME", "org.gnome.desktop.background",
                                                "picture-uri", "picture-uri-dark", false};
inline constexpr GsettingsDesktop kCinnamonDesktop{"Cinnamon", "org.cinnamon.desktop.background",
                                                   "picture-uri", nullptr, false};
inline constexpr GsettingsDesktop kMateDesktop{"MATE", "org.mate.background", "picture-filename",
                                               nullptr, true};

// GNOME, Cinnamon, MATE and the desktops built on their settings: one picture for every
// display. One picture everywhere is shown zoomed to fill; different pictures per display are
// composed into one picture spanning all displays, kept in `folder`.
class GsettingsDesktopBackend : public DesktopBackend {
public:
    GsettingsDesktopBackend(const GsettingsDesktop& desktop, PictureLoader& loader,
                            std::filesystem::path folder);
    bool show(const DisplayPlan& plan) override;

private:
    bool showSpanned(const DisplayPlan& plan);
    bool apply(const std::string& options, const FileUrl& picture);
    void fail(const std::string& reason) const;

    GsettingsDesktop m_desktop;
    PictureLoader& m_loader;
    SpannedPicture m_spanned;
};

} // namespace ks

#pragma once

#include "agent/desktop_backend.h"
#include "agent/picture_loader.h"

#include <filesystem>
#include <string>

namespace ks {

// GNOME and the desktops built on its settings: one picture URI (set for the light and the
// dark style alike). One picture everywhere is shown zoomed to fill; different pictures per
// display are composed into one picture spanning all displays, kept in `folder`.
class GnomeBackend : public DesktopBackend {
public:
    GnomeBackend(PictureLoader& loader, std::filesystem::path folder);
    bool show(const DisplayPlan& plan) override;

private:
    bool showSpanned(const DisplayPlan& plan);
    bool apply(const std::string& options, const FileUrl& url);

    PictureLoader& m_loader;
    std::filesystem::path m_folder;
};

} // namespace ks

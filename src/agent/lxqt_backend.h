#pragma once

#include "agent/desktop_backend.h"
#include "agent/picture_loader.h"
#include "agent/spanned_picture.h"

#include <filesystem>
#include <string>

namespace ks {

// LXQt: pcmanfm-qt's desktop has one wallpaper for all displays. The displays' pictures, each
// filling its display, are composed into one picture spanning all displays, kept in `folder`,
// and stretched over the desktop: pcmanfm-qt before 1.4 ignores "zoom" given on its command
// line and still exits with 0. Without display sizes the picture itself goes, zoomed.
class LxqtBackend : public DesktopBackend {
public:
    LxqtBackend(PictureLoader& loader, std::filesystem::path folder);
    bool show(const DisplayPlan& plan) override;

private:
    bool showSpanned(const DisplayPlan& plan);
    bool apply(const std::filesystem::path& file, const char* mode);

    PictureLoader& m_loader;
    SpannedPicture m_spanned;
};

} // namespace ks

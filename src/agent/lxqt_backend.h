#pragma once

#include "agent/desktop_backend.h"
#include "agent/picture_loader.h"

#include <filesystem>
#include <string>

namespace ks {

// LXQt: pcmanfm-qt's desktop has one wallpaper for all displays. One picture everywhere is
// zoomed to fill; different pictures per display are composed into one picture spanning all
// displays, kept in `folder`, and stretched over the desktop.
class LxqtBackend : public DesktopBackend {
public:
    LxqtBackend(PictureLoader& loader, std::filesystem::path folder);
    bool show(const DisplayPlan& plan) override;

private:
    bool showSpanned(const DisplayPlan& plan);
    bool apply(const std::filesystem::path& file, const char* mode);

    PictureLoader& m_loader;
    std::filesystem::path m_folder;
};

} // namespace ks

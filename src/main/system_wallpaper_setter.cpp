#include "main/system_wallpaper_setter.h"

#include "system/system_wallpaper.h"

namespace ks {

void SystemWallpaperSetter::set(const FileUrl& primary, const PerDisplayRequest& perDisplay) {
    m_writer->set(primary, perDisplay);
}

bool SystemWallpaperSetter::appliesToCurrentSpaceOnly() const {
    return m_writer->appliesToCurrentSpaceOnly();
}

} // namespace ks

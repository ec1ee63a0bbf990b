#pragma once

#include "engine/wallpaper_setter.h"

#include <memory>

namespace ks {

class SystemWallpaper;

// The presentation's way to the desktop: the system wallpaper writer.
class SystemWallpaperSetter final : public WallpaperSetter {
public:
    explicit SystemWallpaperSetter(std::shared_ptr<SystemWallpaper> writer)
        : m_writer(std::move(writer)) {}

    void set(const FileUrl& primary, const PerDisplayRequest& perDisplay) override;
    bool appliesToCurrentSpaceOnly() const override;

private:
    std::shared_ptr<SystemWallpaper> m_writer;
};

} // namespace ks

#pragma once

#include "platform/desktop.h"

namespace ks {

// The desktop of an X11 session: its displays are the lit RandR outputs, and a picture for
// one display goes through the wallpaper agent's per-screen call, so that it is drawn by the
// same backend that shows the store.
class X11Desktop : public Desktop {
public:
    std::vector<DisplayHandle> screens() override;
    std::optional<std::string> displayUuid(std::uint32_t number) override;
    bool setDesktopPicture(const DisplayHandle& screen, const FileUrl& image) override;
};

} // namespace ks

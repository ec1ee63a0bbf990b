#pragma once

#include "platform/cover_window.h"

namespace ks {

// Makes a QtCoverWindow for each display, over the QScreen of the same name.
class QtCoverWindows final : public CoverWindows {
public:
    // Not `enabled`: no covers, for desktops that animate their own wallpaper changes.
    explicit QtCoverWindows(bool enabled) : m_enabled(enabled) {}

    std::unique_ptr<CoverWindow> make(const PlatformScreen& screen) override;

private:
    bool m_enabled;
};

} // namespace ks

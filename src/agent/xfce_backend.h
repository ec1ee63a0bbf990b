#pragma once

#include "agent/desktop_backend.h"
#include "agent/picture_loader.h"

namespace ks {

// Xfce: xfdesktop draws the picture each monitor's backdrop property in the xfce4-desktop
// xfconf channel names, one per monitor and workspace; every call goes through xfconf-query.
class XfceBackend : public DesktopBackend {
public:
    explicit XfceBackend(PictureLoader& loader);
    bool show(const DisplayPlan& plan) override;

private:
    PictureLoader& m_loader;
};

} // namespace ks

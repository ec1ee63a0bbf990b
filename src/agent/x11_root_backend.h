#pragma once

#include "agent/desktop_backend.h"
#include "agent/picture_loader.h"

namespace ks {

// The X root window: one pixmap the size of the screen, composed from every display, is made
// the root's background and announced in _XROOTPMAP_ID and ESETROOT_PMAP_ID for compositors
// and terminals that draw over it. It is kept by the server after the agent exits; the
// previous one is freed by killing the client that kept it.
class X11RootBackend : public DesktopBackend {
public:
    explicit X11RootBackend(PictureLoader& loader);
    bool show(const DisplayPlan& plan) override;

private:
    PictureLoader& m_loader;
};

} // namespace ks

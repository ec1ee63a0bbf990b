#pragma once

#include "base/bytes.h"

#include <cstdint>
#include <string>
#include <vector>

struct xcb_connection_t;

namespace ks {

// An active display of the X server: a RandR output driven by a CRTC.
struct X11Display {
    std::uint32_t output = 0;
    std::string name;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    // The monitor's EDID; empty when the output has none.
    Bytes edid;
    // Upper-case 8-4-4-4-12.
    std::string uuid;
};

// The active displays of screen `screenNumber`, in RandR's order. Empty when the connection
// failed, the server has no RandR 1.2 or nothing is lit.
std::vector<X11Display> activeDisplays(xcb_connection_t* connection, int screenNumber = 0);
// The same on $DISPLAY; empty when there is no X server.
std::vector<X11Display> activeDisplays();

// Whether an X server answers on $DISPLAY.
bool x11DisplayReachable();

// Gives every display its UUID from its EDID, or its name when it has no EDID. Two monitors
// of one model may report the same EDID; those take their output's name into the hash too,
// so that each keeps a picture of its own.
void assignDisplayUuids(std::vector<X11Display>& displays);

} // namespace ks

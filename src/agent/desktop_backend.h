#pragma once

#include "agent/agent_display.h"

namespace ks {

// Puts pictures on the desktop in one desktop's own way.
class DesktopBackend {
public:
    virtual ~DesktopBackend() = default;

    // Every display with a picture in `plan` shows it, filled; the others keep what they
    // show. Every picture is read before the desktop is touched, so a picture that fails
    // leaves it as it was. False (with a log line) on failure.
    virtual bool show(const DisplayPlan& plan) = 0;
};

} // namespace ks

#pragma once

#include "agent/desktop_backend.h"
#include "agent/picture_loader.h"

#include <optional>
#include <string>

namespace ks {

// sway: each display's picture goes on the sway output of the same name, or else of the same
// rectangle, through `swaymsg output NAME bg FILE fill`. The stand-in display of a run
// without a display list stands for every active output.
class SwayBackend : public DesktopBackend {
public:
    explicit SwayBackend(PictureLoader& loader);
    bool show(const DisplayPlan& plan) override;

    // swaymsg joins its arguments into one command that sway parses again, and sway hands a
    // background's file to wordexp(3): the file as one sway argument that comes out of both
    // as the file itself; none for a file name with a line break, which sway cannot take.
    static std::optional<std::string> swayFileArgument(const std::string& file);
    // An output name as one sway argument; none for a name sway's parser cannot take back
    // literally (a double quote, backslash or line break in it).
    static std::optional<std::string> swayOutputArgument(const std::string& name);

private:
    PictureLoader& m_loader;
};

} // namespace ks

#include "platform/x11/x11_desktop.h"

#include "platform/linux/agent_process.h"
#include "platform/x11/randr_displays.h"

namespace ks {

std::vector<DisplayHandle> X11Desktop::screens() {
    std::vector<DisplayHandle> handles;
    for (const auto& display : activeDisplays())
        handles.push_back({display.output, display.name});
    return handles;
}

std::optional<std::string> X11Desktop::displayUuid(std::uint32_t number) {
    for (const auto& display : activeDisplays())
        if (display.output == number)
            return display.uuid;
    return std::nullopt;
}

bool X11Desktop::setDesktopPicture(const DisplayHandle& screen, const FileUrl& image) {
    if (!screen.number)
        return false;
    const auto uuid = displayUuid(*screen.number);
    if (!uuid)
        return false;
    return runAgent({"--set-picture", *uuid, image.absoluteString()}) == 0;
}

} // namespace ks

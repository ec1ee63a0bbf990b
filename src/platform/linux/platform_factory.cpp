#include "platform/platform.h"

#include "platform/linux/agent_process.h"
#include "platform/linux/sysfs_power_source.h"
#include "platform/linux/xdg_autostart.h"
#include "platform/x11/x11_desktop.h"

namespace ks {

std::unique_ptr<LoginItems> makeLoginItems() {
    return std::make_unique<XdgAutostartLoginItems>();
}

Platform makePlatform(MainLoop& /*loop*/, NotificationCenter& /*center*/) {
    Platform platform;
    platform.power = std::make_unique<SysfsPowerSource>();
    platform.loginItems = makeLoginItems();
    platform.desktop = std::make_unique<X11Desktop>();
    platform.agent = std::make_unique<AgentProcess>();
    return platform;
}

} // namespace ks

#include "platform/linux/xdg_autostart.h"

namespace ks {

std::unique_ptr<LoginItems> makeLoginItems() {
    return std::make_unique<XdgAutostartLoginItems>();
}

} // namespace ks

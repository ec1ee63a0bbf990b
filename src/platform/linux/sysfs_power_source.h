#pragma once

#include "platform/power_source.h"

#include <filesystem>

namespace ks {

// The power source as sysfs tells it: on battery when some system battery discharges and no
// external supply (mains adapter, USB or wireless charger) is online. Batteries of devices
// (mice, keyboards, controllers) and UPS units do not count, and anything unreadable counts
// as mains.
class SysfsPowerSource final : public PowerSource {
public:
    // /sys/class/power_supply, or the folder named by KESTRANE_POWER_SUPPLY_ROOT.
    SysfsPowerSource();
    explicit SysfsPowerSource(std::filesystem::path root) : m_root(std::move(root)) {}

    bool isOnBattery() const override;

private:
    std::filesystem::path m_root;
};

} // namespace ks

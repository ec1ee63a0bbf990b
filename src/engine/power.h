#pragma once

#include <filesystem>

namespace ks {

namespace Power {

// Whether the machine runs on its own battery: some system battery discharges and no
// external supply (mains adapter, USB or wireless charger) is online. Batteries of devices
// (mice, keyboards, controllers) and UPS units do not count. False whenever it cannot be
// told. Reads /sys/class/power_supply, or the folder named by KESTRANE_POWER_SUPPLY_ROOT.
bool isOnBattery();
bool isOnBattery(const std::filesystem::path& sysfsRoot);

} // namespace Power

} // namespace ks

#pragma once

namespace ks {

// Where the machine takes its power from.
class PowerSource {
public:
    virtual ~PowerSource() = default;
    // True when it runs on its own battery; false whenever that cannot be told.
    virtual bool isOnBattery() const = 0;
};

} // namespace ks

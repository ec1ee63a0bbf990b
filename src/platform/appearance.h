#pragma once

namespace ks {

// The desktop's light or dark look, as the platform reports it. Plain C++ so that the
// engine and its tests need no toolkit.
class SystemAppearance {
public:
    virtual ~SystemAppearance() = default;
    // False when the platform cannot tell: light is the safe default.
    virtual bool isDark() const = 0;
};

} // namespace ks

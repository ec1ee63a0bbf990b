#pragma once

#include "platform/screens.h"
#include "platform/x11/randr_displays.h"

#include <functional>
#include <vector>

namespace ks {

// The displays as Qt lists them, the primary one first, each with the RandR output of the
// same name for its number and UUID.
class QtScreens final : public Screens {
public:
    using OutputLister = std::function<std::vector<X11Display>()>;

    // The outputs of Qt's own X connection; none off X11.
    QtScreens();
    // The outputs `lister` gives, for tests.
    explicit QtScreens(OutputLister lister) : m_lister(std::move(lister)) {}

    std::vector<PlatformScreen> screens() const override;

private:
    OutputLister m_lister;
};

} // namespace ks

#pragma once

#include "base/file_url.h"

#include <optional>
#include <string>
#include <vector>

namespace ks {

// A display as the agent draws on it. Without a display list (no X server) the agent works
// on one stand-in display with no UUID, named "*" and of no known size.
struct AgentDisplay {
    std::string uuid;
    std::string name;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool hasSize() const { return width > 0 && height > 0; }
};

inline constexpr std::string_view kAnyOutputName = "*";

// One display and what it is to show: `picture` when it gets a new one, else it keeps what
// it shows, which is `shown` when the agent knows it.
struct PlannedDisplay {
    AgentDisplay display;
    std::optional<FileUrl> picture;
    std::optional<FileUrl> shown;
};
using DisplayPlan = std::vector<PlannedDisplay>;

inline bool hasNewPicture(const DisplayPlan& plan) {
    for (const auto& planned : plan)
        if (planned.picture)
            return true;
    return false;
}

} // namespace ks

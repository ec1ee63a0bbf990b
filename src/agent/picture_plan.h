#pragma once

#include "agent/agent_display.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace ks {

// What each display shows, by display UUID: file URL strings.
using ShownPictures = std::map<std::string, std::string>;

// The picture URL a display with this UUID takes from the store (a dictionary): its own entry
// under "Displays", else the one of "AllSpacesAndDisplays". None when neither names one.
std::optional<std::string> storePictureFor(const void* store, std::string_view uuid);
// Without a display list: the picture of "AllSpacesAndDisplays", else the first display
// entry's.
std::optional<std::string> storePictureForAny(const void* store);

struct PlanError {
    std::string message;
};

// Every display with the picture the store gives it. An empty display list stands for one
// display of unknown identity. A URL that is not a local file's makes the store unusable.
std::variant<DisplayPlan, PlanError>
planStore(const void* store, const std::vector<AgentDisplay>& displays, const ShownPictures& shown);

// The display with `uuid` gets `url`; every other display keeps what it shows.
std::variant<DisplayPlan, PlanError> planOnePicture(std::string_view uuid, std::string_view url,
                                                    const std::vector<AgentDisplay>& displays,
                                                    const ShownPictures& shown);

} // namespace ks

#pragma once

#include <optional>

class QKeyEvent;

namespace ks {

// The index a stepping key moves a control of `count` steps to from `current`: the arrows one
// step, Home and End to the ends, bounded. None for any other key, or without steps.
std::optional<int> steppedIndexForKey(const QKeyEvent& event, int current, int count);

} // namespace ks

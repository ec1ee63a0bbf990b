#pragma once

#include <cstddef>
#include <span>

namespace ks {

// The step a value shows at: the one nearest to it, the earlier one when two are as near;
// 0 when there are fewer than two steps.
int nearestStepIndex(std::span<const double> steps, double value);

// The step under the pointer at `x` on a slider `width` wide whose knob is `knobSize` wide:
// the knob's centre travels from knobSize/2 to width − knobSize/2, and anything beyond either
// end picks that end.
int stepIndexAtPosition(double x, double width, double knobSize, std::size_t count);

} // namespace ks

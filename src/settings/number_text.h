#pragma once

#include <string>

namespace ks {

// Decimal texts for the option labels. Every double has one, NaN and the infinities
// included ("nan", "inf", "-inf"), so a label never depends on a value being sane.

// The number with its fraction dropped: 45.7 gives "45", -0.5 gives "0", 1e20 gives all
// twenty-one digits.
std::string wholeNumberText(double value);

// The shortest text that reads back as the same double, with at least one digit after the
// point: 2.5 gives "2.5", 4 gives "4.0", 1e16 gives "1.0e+16".
std::string shortestDecimalText(double value);

} // namespace ks

#pragma once

#include <string_view>

namespace ks {

// Names the calling thread after the last dot-separated part of `label`, cut to the 15
// bytes the kernel keeps, so that ps, top and /proc tell the threads apart. Does nothing
// where threads have no names.
void nameThisThread(std::string_view label);

} // namespace ks

#pragma once

#include <string_view>

namespace ks {

// Whether `program` is an executable found through PATH, so that a desktop backend can say in
// its own one line that the desktop's tool is missing.
bool toolInstalled(std::string_view program);

} // namespace ks

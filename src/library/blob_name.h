#pragma once

#include <string_view>

namespace ks {

// Whether `name` can be used as a file name inside one folder and reach nothing outside it:
// not empty, not "." or "..", and without "/", "\" or NUL. Blob names come from the index
// and from downloaded archives, so every use of one as a file name checks it first.
bool isPlainFileName(std::string_view name);

} // namespace ks

#pragma once

#include <QString>

#include <string>

namespace ks {

// Our texts are UTF-8 std::strings; the toolkit's are QStrings.
inline QString qtext(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace ks

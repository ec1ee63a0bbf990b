#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ks {

// A string setting as gsettings prints it, read at each call; none when gsettings, the schema
// or the key is missing or the value is no string.
std::optional<std::string> gsettingsString(const std::string& schema, const std::string& key);

// The string a gsettings value prints as: GVariant text in single quotes, or in double quotes
// when it holds a single quote, with backslash escapes.
std::optional<std::string> printedGvariantString(std::string_view printed);

// A picture the agent composed from one picture per display: no display's own.
bool isAgentSpannedPicture(const std::filesystem::path& file);

} // namespace ks

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks {

// A user's wallpaper command such as `swww img {file} --outputs {output}`, split into
// words once, the way a shell would split plain words: blanks separate, single and double
// quotes group (no escapes inside single quotes; \" and \\ inside double quotes), a backslash
// outside quotes takes the next character as it is. None for an unterminated quote or an
// empty template.
std::optional<std::vector<std::string>> splitCommandTemplate(std::string_view text);

// The words with "{file}" and "{output}" replaced inside each word. What is put in is never
// split or scanned again, so a file name cannot add words or placeholders.
std::vector<std::string> substituteCommand(const std::vector<std::string>& words,
                                           std::string_view file, std::string_view output);

} // namespace ks

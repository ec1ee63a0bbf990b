#include "agent/command_template.h"

#include <array>
#include <utility>

namespace ks {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

std::optional<std::vector<std::string>> splitCommandTemplate(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isBlank(c)) {
            if (inWord)
                words.push_back(std::exchange(word, {}));
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            if (++i == text.size())
                return std::nullopt;
            word.push_back(text[i]);
        } else if (c == '\'' || c == '"') {
            const std::size_t close = [&] {
                for (std::size_t j = i + 1; j < text.size(); ++j) {
                    if (text[j] == c)
                        return j;
                    if (c == '"' && text[j] == '\\' && j + 1 < text.size())
                        ++j;
                }
                return std::string_view::npos;
            }();
            if (close == std::string_view::npos)
                return std::nullopt;
            for (std::size_t j = i + 1; j < close; ++j) {
                if (c == '"' && text[j] == '\\' && (text[j + 1] == '"' || text[j + 1] == '\\'))
                    ++j;
                word.push_back(text[j]);
            }
            i = close;
        } else {
            word.push_back(c);
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    if (words.empty())
        return std::nullopt;
    return words;
}

std::vector<std::string> substituteCommand(const std::vector<std::string>& words,
                                           std::string_view file, std::string_view output) {
    const std::array<std::pair<std::string_view, std::string_view>, 2> placeholders{
        {{"{file}", file}, {"{output}", output}}};
    std::vector<std::string> result;
    for (const auto& word : words) {
        std::string out;
        for (std::size_t i = 0; i < word.size();) {
            bool replaced = false;
            for (const auto& [name, value] : placeholders) {
                if (std::string_view(word).substr(i).starts_with(name)) {
                    out.append(value);
                    i += name.size();
                    replaced = true;
                    break;
                }
            }
            if (!replaced)
                out.push_back(word[i++]);
        }
        result.push_back(std::move(out));
    }
    return result;
}

} // namespace ks

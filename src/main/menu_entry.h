#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ks {

// One line of a plain menu: an item that runs a closure, or a separator.
struct MenuEntry {
    std::string title;
    bool checked = false;
    bool enabled = true;
    bool separator = false;
    std::function<void()> action;

    static MenuEntry separatorLine() { return {{}, false, false, true, {}}; }
};

// What the name prompt asks. `initial` empty: a new name ("Create"); else a rename.
struct NamePrompt {
    std::string title;
    std::string message;
    std::string placeholder;
    std::string initial;
};

// Shows the prompt and waits for the user: the name as typed, or none when cancelled.
using AskForName = std::function<std::optional<std::string>(const NamePrompt&)>;

} // namespace ks

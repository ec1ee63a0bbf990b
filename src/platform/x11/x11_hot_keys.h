#pragma once

#include "platform/hot_keys.h"
#include "platform/linux/fd_watch_thread.h"
#include "platform/x11/xcb_handles.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ks {

class MainLoop;

// Global hot keys as key grabs on the X root window. Command is Super (Mod4), Option is Alt
// (Mod1); the key is the one the server's keyboard map gives the letter. Each combination is
// grabbed also with Num Lock and Caps Lock held, so that neither stops it, and everything is
// grabbed again when the keyboard map changes. It has an X connection of its own, read on a
// thread that sleeps until the server sends something; presses reach the handler on the main
// loop, auto-repeat not counted.
class X11HotKeys final : public HotKeys {
public:
    // The status of every registration when there is no X server to grab on (none was given,
    // none answered, the connection was lost) or no thread to hear the presses.
    static constexpr int kNoServer = -1;
    // The status of a combination X cannot express: a key code that is not a letter key, a
    // letter no key of the keyboard map carries, a modifier bit of no known modifier.
    static constexpr int kNoSuchKey = -2;
    // Any other failure is the X error code of the refused grab: 10 (BadAccess) when another
    // client holds the combination.

    // `display` as in $DISPLAY, empty for $DISPLAY itself; none when the session has no X
    // server to use. `wayland`: the session is a Wayland one, which the log line then says.
    explicit X11HotKeys(MainLoop& loop, std::optional<std::string> display = std::string(),
                        bool wayland = false);
    ~X11HotKeys() override;
    X11HotKeys(const X11HotKeys&) = delete;
    X11HotKeys& operator=(const X11HotKeys&) = delete;

    void installPressedHandler(std::function<void(HotKeyID)> handler) override;
    int registerHotKey(HotKeyID id, KeyCombination combination) override;

private:
    struct Registration {
        HotKeyID id;
        KeyCombination combination;
        // X's key and modifiers for it; the key is none while the keyboard map lacks it.
        std::optional<std::uint8_t> keycode;
        std::uint16_t modifiers = 0;
    };

    bool connect(const std::string& display);
    void readKeyboard();
    std::optional<std::uint8_t> keycodeOf(char letter) const;
    // The combination's key and modifiers on this server; none when it has no X equivalent.
    std::optional<std::pair<std::uint8_t, std::uint16_t>> translate(KeyCombination) const;
    // 0, or the X error code of the first variant refused (the others are then let go).
    int grab(std::uint8_t keycode, std::uint16_t modifiers);
    void regrabAll();
    void keyPressed(std::uint8_t keycode, std::uint16_t state);
    // Lets the watcher thread take the events a request of the main thread read on the way.
    void wakeWatcher();
    bool onReady(int fd);

    MainLoop& m_loop;
    xcb::Connection m_connection;
    std::uint32_t m_root = 0;
    // The keyboard map: the keysyms of every key from the first keycode on.
    std::uint8_t m_firstKeycode = 0;
    int m_keysymsPerKeycode = 0;
    std::vector<std::uint32_t> m_keysyms;
    std::uint16_t m_numLock = 0;
    std::vector<Registration> m_registrations;
    std::function<void(HotKeyID)> m_pressed;
    // The watcher's own: the last key released, to tell auto-repeat from a press.
    std::optional<std::pair<std::uint8_t, std::uint32_t>> m_lastRelease;
    int m_wake = -1;
    std::shared_ptr<int> m_alive = std::make_shared<int>();
    std::unique_ptr<FdWatchThread> m_watch;
};

} // namespace ks

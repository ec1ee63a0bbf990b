#include "platform/x11/x11_hot_keys.h"

#include "base/log.h"
#include "base/main_loop.h"
#include "platform/key_codes.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sys/eventfd.h>
#include <unistd.h>

namespace ks {

namespace {

constexpr std::uint32_t kNumLockKeysym = 0xff7f;
// Caps Lock is always the Lock modifier; Num Lock's is found in the modifier map.
constexpr std::uint16_t kLockModifier = XCB_MOD_MASK_LOCK;
// A press's state has the eight modifiers in its low byte; above them are the pointer buttons
// and the keyboard group, which no grab names.
constexpr std::uint16_t kCoreModifiers = 0xff;

constexpr std::pair<std::uint32_t, std::uint16_t> kModifiers[] = {
    {kCommandModifier, XCB_MOD_MASK_4},
    {kShiftModifier, XCB_MOD_MASK_SHIFT},
    {kOptionModifier, XCB_MOD_MASK_1},
    {kControlModifier, XCB_MOD_MASK_CONTROL},
};

constexpr const char* kUseCommandLine =
    "use the command line options --next and --previous from a key binding of the desktop";

} // namespace

X11HotKeys::X11HotKeys(MainLoop& loop, std::optional<std::string> display, bool wayland)
    : m_loop(loop) {
    if (!display) {
        logLine(wayland ? std::string("HotKeys: a Wayland session, where X11 key grabs see "
                                      "only keys typed into X11 windows; ") +
                              kUseCommandLine
                        : std::string("HotKeys: no X server; ") + kUseCommandLine);
        return;
    }
    if (!connect(*display)) {
        logLine(std::string("HotKeys: no X server; ") + kUseCommandLine);
        m_connection.reset();
        return;
    }
    readKeyboard();
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wake >= 0)
        m_watch = std::make_unique<FdWatchThread>(
            std::vector<int>{xcb_get_file_descriptor(m_connection.get()), m_wake},
            [this](int fd) { return onReady(fd); }, "hot-keys");
    if (!m_watch || !m_watch->running())
        logLine("X11HotKeys: no watcher thread; global hot keys are not available");
}

X11HotKeys::~X11HotKeys() {
    // The thread reads the connection and the wake descriptor: it ends before they close.
    m_watch.reset();
    if (m_wake >= 0)
        ::close(m_wake);
}

bool X11HotKeys::connect(const std::string& display) {
    int screenNumber = 0;
    m_connection.reset(xcb_connect(display.empty() ? nullptr : display.c_str(), &screenNumber));
    if (xcb_connection_has_error(m_connection.get()))
        return false;
    const xcb_screen_t* screen = xcb::screenOf(m_connection.get(), screenNumber);
    if (!screen)
        return false;
    m_root = screen->root;
    return true;
}

void X11HotKeys::readKeyboard() {
    xcb_connection_t* c = m_connection.get();
    const xcb_setup_t* setup = xcb_get_setup(c);
    m_firstKeycode = setup->min_keycode;
    xcb_generic_error_t* error = nullptr;
    const auto keyboard =
        xcb::take(xcb_get_keyboard_mapping_reply(
                      c,
                      xcb_get_keyboard_mapping(c, setup->min_keycode,
                                               setup->max_keycode - setup->min_keycode + 1),
                      &error),
                  error);
    m_keysyms.clear();
    m_keysymsPerKeycode = 0;
    if (keyboard) {
        const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(keyboard.get());
        m_keysyms.assign(keysyms,
                         keysyms + xcb_get_keyboard_mapping_keysyms_length(keyboard.get()));
        m_keysymsPerKeycode = keyboard->keysyms_per_keycode;
    }

    // Num Lock is whichever modifier holds a key carrying the Num_Lock keysym.
    m_numLock = 0;
    const auto modifiers =
        xcb::take(xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), &error), error);
    if (!modifiers || m_keysymsPerKeycode == 0)
        return;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(modifiers.get());
    const int perModifier = modifiers->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8 && m_numLock == 0; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t keycode = keycodes[modifier * perModifier + i];
            if (keycode < m_firstKeycode)
                continue;
            const std::size_t row = std::size_t(keycode - m_firstKeycode) * m_keysymsPerKeycode;
            if (row >= m_keysyms.size())
                continue;
            bool found = false;
            for (int column = 0; column < m_keysymsPerKeycode; ++column)
                found = found || m_keysyms[row + column] == kNumLockKeysym;
            if (found) {
                m_numLock = static_cast<std::uint16_t>(1u << modifier);
                break;
            }
        }
    }
}

std::optional<std::uint8_t> X11HotKeys::keycodeOf(char letter) const {
    const std::uint32_t lower = static_cast<unsigned char>(letter);
    const std::uint32_t upper = lower - 'a' + 'A';
    // A key whose own letter it is (the first two columns, plain and shifted) comes before one
    // that has it in another group of the layout.
    const auto search = [&](int columns) -> std::optional<std::uint8_t> {
        const std::size_t keys = m_keysyms.size() / std::size_t(m_keysymsPerKeycode);
        for (std::size_t key = 0; key < keys; ++key)
            for (int column = 0; column < columns; ++column) {
                const std::uint32_t keysym = m_keysyms[key * m_keysymsPerKeycode + column];
                if (keysym == lower || keysym == upper)
                    return static_cast<std::uint8_t>(m_firstKeycode + key);
            }
        return std::nullopt;
    };
    if (m_keysymsPerKeycode == 0)
        return std::nullopt;
    if (const auto own = search(std::min(2, m_keysymsPerKeycode)))
        return own;
    return search(m_keysymsPerKeycode);
}

std::optional<std::pair<std::uint8_t, std::uint16_t>>
X11HotKeys::translate(KeyCombination combination) const {
    std::uint32_t rest = combination.modifiers;
    std::uint16_t modifiers = 0;
    for (const auto& [ours, x] : kModifiers) {
        if (rest & ours)
            modifiers |= x;
        rest &= ~ours;
    }
    const auto letter = letterOfKeyCode(combination.keyCode);
    if (rest != 0 || !letter)
        return std::nullopt;
    const auto keycode = keycodeOf(*letter);
    if (!keycode)
        return std::nullopt;
    return std::pair{*keycode, modifiers};
}

int X11HotKeys::grab(std::uint8_t keycode, std::uint16_t modifiers) {
    xcb_connection_t* c = m_connection.get();
    std::vector<std::uint16_t> variants{modifiers, std::uint16_t(modifiers | kLockModifier)};
    if (m_numLock != 0) {
        variants.push_back(modifiers | m_numLock);
        variants.push_back(modifiers | m_numLock | kLockModifier);
    }
    std::vector<xcb_void_cookie_t> cookies;
    for (const std::uint16_t variant : variants)
        cookies.push_back(xcb_grab_key_checked(c, 1, m_root, variant, keycode, XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC));
    int status = 0;
    std::vector<std::uint16_t> taken;
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        xcb_generic_error_t* error = xcb_request_check(c, cookies[i]);
        if (!error) {
            taken.push_back(variants[i]);
        } else if (status == 0) {
            status = error->error_code;
        }
        std::free(error);
    }
    if (status != 0) {
        // Half a combination would fire with Num Lock on and not off, say; none is better.
        // What an earlier registration of the same combination holds stays.
        bool heldBefore = false;
        for (const Registration& r : m_registrations)
            heldBefore = heldBefore || (r.keycode == keycode && r.modifiers == modifiers);
        for (const std::uint16_t variant : taken)
            if (!heldBefore)
                xcb_ungrab_key(c, keycode, m_root, variant);
        xcb_flush(c);
    }
    wakeWatcher();
    return status;
}

void X11HotKeys::installPressedHandler(std::function<void(HotKeyID)> handler) {
    m_pressed = std::move(handler);
}

int X11HotKeys::registerHotKey(HotKeyID id, KeyCombination combination) {
    if (!m_connection || !m_watch || !m_watch->running() ||
        xcb_connection_has_error(m_connection.get()))
        return kNoServer;
    const auto translated = translate(combination);
    if (!translated)
        return kNoSuchKey;
    const auto [keycode, modifiers] = *translated;
    if (const int status = grab(keycode, modifiers); status != 0)
        return status;
    m_registrations.push_back({id, combination, keycode, modifiers});
    return 0;
}

void X11HotKeys::regrabAll() {
    if (xcb_connection_has_error(m_connection.get()))
        return;
    xcb_ungrab_key(m_connection.get(), XCB_GRAB_ANY, m_root, XCB_MOD_MASK_ANY);
    readKeyboard();
    std::vector<Registration> registrations = std::move(m_registrations);
    m_registrations.clear();
    for (Registration& r : registrations) {
        const auto translated = translate(r.combination);
        const int status = translated ? grab(translated->first, translated->second) : kNoSuchKey;
        if (status == 0) {
            r.keycode = translated->first;
            r.modifiers = translated->second;
        } else {
            r.keycode.reset();
            logLine("X11HotKeys: hot key " + std::to_string(r.id.id) +
                    " could not be taken again after the keyboard map changed: " +
                    std::to_string(status));
        }
        m_registrations.push_back(r);
    }
    wakeWatcher();
}

void X11HotKeys::keyPressed(std::uint8_t keycode, std::uint16_t state) {
    const std::uint16_t held = state & kCoreModifiers & ~(kLockModifier | m_numLock);
    // Copies: the handler may register more, which grows the list.
    std::vector<HotKeyID> pressed;
    for (const Registration& r : m_registrations)
        if (r.keycode == keycode && r.modifiers == held)
            pressed.push_back(r.id);
    for (const HotKeyID& id : pressed)
        if (m_pressed)
            m_pressed(id);
}

void X11HotKeys::wakeWatcher() {
    const std::uint64_t one = 1;
    // A full counter already holds a wake-up, so a failed write loses nothing.
    while (::write(m_wake, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool X11HotKeys::onReady(int fd) {
    if (fd == m_wake) {
        std::uint64_t count = 0;
        while (::read(m_wake, &count, sizeof count) < 0 && errno == EINTR) {
        }
    }
    const std::weak_ptr<int> alive = m_alive;
    // A new keyboard map comes as several notices; one regrab takes them all.
    bool remapped = false;
    // Replies read by the main thread queue the events that came with them; they are taken
    // here too, before the thread sleeps again.
    while (const xcb::Reply<xcb_generic_event_t> event{xcb_poll_for_event(m_connection.get())}) {
        switch (event->response_type & 0x7f) {
        case XCB_KEY_PRESS: {
            const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event.get());
            // Auto-repeat releases the key and presses it again at the same instant.
            if (m_lastRelease == std::pair{key->detail, key->time})
                break;
            m_loop.post([this, alive, keycode = key->detail, state = key->state] {
                if (alive.lock())
                    keyPressed(keycode, state);
            });
            break;
        }
        case XCB_KEY_RELEASE: {
            const auto* key = reinterpret_cast<const xcb_key_release_event_t*>(event.get());
            m_lastRelease = std::pair{key->detail, key->time};
            break;
        }
        case XCB_MAPPING_NOTIFY: {
            const auto* mapping = reinterpret_cast<const xcb_mapping_notify_event_t*>(event.get());
            if (remapped || mapping->request == XCB_MAPPING_POINTER)
                break;
            remapped = true;
            m_loop.post([this, alive] {
                if (alive.lock())
                    regrabAll();
            });
            break;
        }
        default:
            break;
        }
    }
    if (xcb_connection_has_error(m_connection.get())) {
        logLine("X11HotKeys: lost the X connection; global hot keys stop working");
        return false;
    }
    return true;
}

} // namespace ks

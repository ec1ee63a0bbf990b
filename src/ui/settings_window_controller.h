#pragma once

#include "base/main_loop.h"
#include "library/wallpaper.h"
#include "main/menu_entry.h"
#include "ui/reveal_request.h"

#include <QPointer>

#include <functional>
#include <optional>

class QWidget;

namespace ks {

class Library;
class LoginItems;
class PackDownloader;
class SettingsStore;
class SettingsView;

// What the settings window reads and writes; everything must outlive the controller.
struct SettingsWindowServices {
    SettingsStore& settings;
    const Library& library;
    PackDownloader* downloader = nullptr;
    LoginItems& loginItems;
    MainLoop& loop;
    AskForName askForName;
    // Offers a wallpaper's collections at the pointer (the pack browser's collection badge).
    std::function<void(const Wallpaper&)> showCollectionsMenu;
};

// Owns the one settings window: builds it on the first `show`, brings it forward on the
// next ones, and forgets it when it closes, so the next `show` starts with a fresh view.
class SettingsWindowController {
public:
    static constexpr const char* kTitle = "Kestrane Wallpapers";

    SettingsWindowController(SettingsWindowServices services,
                             std::function<void(const Wallpaper&)> onPickWallpaper,
                             std::function<bool()> canRestoreOriginal,
                             std::function<void()> onRestoreOriginal);
    ~SettingsWindowController();
    SettingsWindowController(const SettingsWindowController&) = delete;
    SettingsWindowController& operator=(const SettingsWindowController&) = delete;

    // Shows the window, and with a wallpaper, fans out its pack a moment later.
    void show(std::optional<Wallpaper> revealing);

    // Null while no window is open.
    QWidget* window() const { return m_window; }
    SettingsView* view() const;
    RevealRequest& reveal() { return m_reveal; }

private:
    void build();
    void windowWillClose();

    SettingsWindowServices m_services;
    std::function<void(const Wallpaper&)> m_onPickWallpaper;
    std::function<bool()> m_canRestoreOriginal;
    std::function<void()> m_onRestoreOriginal;
    RevealRequest m_reveal;
    QPointer<QWidget> m_window;
    Timer m_trim;
    std::shared_ptr<SettingsWindowController*> m_self =
        std::make_shared<SettingsWindowController*>(this);
};

} // namespace ks

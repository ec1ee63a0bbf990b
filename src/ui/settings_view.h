#pragma once

#include "base/main_loop.h"
#include "base/notification_center.h"
#include "library/pack.h"
#include "main/menu_entry.h"

#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QGraphicsOpacityEffect;
class QHBoxLayout;
class QLabel;
class QMenu;
class QScrollArea;
class QVariantAnimation;

namespace ks {

class BusySpinner;
class FanOverlay;
class CollectionChip;
class Library;
class LoginItems;
class PackDownloader;
class PackTile;
class RevealRequest;
class SectionHeader;
class Segmented;
class SettingsStore;
class StepSlider;
struct CollectionChipState;
struct Wallpaper;

struct SettingsViewInputs {
    SettingsStore& settings;
    RevealRequest& reveal;
    const Library& library;
    // None when no pack server is configured: the footer then shows no download state.
    PackDownloader* downloader = nullptr;
    LoginItems& loginItems;
    MainLoop& loop;
    AskForName askForName;
    std::function<void(const Wallpaper&)> onPickWallpaper;
    bool canRestoreOriginal = false;
    std::function<void()> onRestoreOriginal;
    std::function<void()> onDone;
    std::function<void(const Wallpaper&)> showCollectionsMenu;
};

// The settings window's content: the timing, order and options boxes, the packs with their
// collections and grid, and the footer. Every control writes the store at once; the view
// redraws from the store whenever it changes, from here or from elsewhere.
class SettingsView final : public QWidget {
public:
    static constexpr int kWidth = 800;

    explicit SettingsView(SettingsViewInputs inputs, QWidget* parent = nullptr);
    ~SettingsView() override;

    // Fans a pack (or a collection shown as one) out over the window.
    void expandFan(const Pack& pack);
    void collapseFan();
    const std::optional<Pack>& expandedPack() const { return m_expandedPack; }
    bool fanned() const { return m_fanned; }

    // Asks for a name and makes a collection that starts with `keys`.
    void promptNewCollection(std::vector<std::string> keys);
    // The context menu of a chip, as it would open now.
    std::unique_ptr<QMenu> chipMenu(const CollectionChipState& chip);
    // Where each pack tile's cover and each collection chip sits, in the view, under the
    // pack's or pseudo-pack's identifier.
    std::map<std::string, QRect> tileFrames() const;
    // The pack tiles, in library order.
    const std::vector<PackTile*>& tiles() const { return m_tiles; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* makeTopRow();
    QWidget* makeTimingBox();
    QWidget* makeOrderBox();
    QWidget* makeOptionsBox();
    QWidget* makePacksSection();
    QWidget* makeCollectionsRow();
    QWidget* makePackGrid();
    QWidget* makeFooter();
    QAbstractButton* makeNewCollectionChip();

    void refresh();
    void refreshChips();
    void refreshFooter();
    void fitGridHeight();
    void revealRequested();
    void launchAtLoginToggled(bool on);
    void showOverlay(const Pack& pack);
    void followFanSource();
    // The content as drawn now, without the overlay: what the overlay shows behind it.
    QPixmap contentSnapshot() const;
    void refreshOverlay();
    // Runs `fn` on the loop's next turn while the view still exists.
    void later(std::function<void()> fn);

    SettingsViewInputs m_in;
    std::optional<Pack> m_expandedPack;
    bool m_fanned = false;
    QRect m_fanSource;
    FanOverlay* m_overlay = nullptr;
    QPointer<QWidget> m_focusBeforeFan;
    bool m_backdropQueued = false;
    // Bumped by every opening and closing, so a fan-out step queued before a close is dropped.
    int m_fanGeneration = 0;

    StepSlider* m_duration = nullptr;
    StepSlider* m_transition = nullptr;
    QLabel* m_durationDetail = nullptr;
    QLabel* m_transitionDetail = nullptr;
    QWidget* m_changeAtRow = nullptr;
    Segmented* m_order = nullptr;
    Segmented* m_appearance = nullptr;
    QCheckBox* m_pauseOnBattery = nullptr;
    QCheckBox* m_perDisplay = nullptr;
    QCheckBox* m_launchAtLogin = nullptr;
    SectionHeader* m_packsHeader = nullptr;
    QAbstractButton* m_selectAll = nullptr;
    QHBoxLayout* m_chipsLayout = nullptr;
    std::vector<CollectionChip*> m_chips;
    QScrollArea* m_gridScroll = nullptr;
    QWidget* m_grid = nullptr;
    std::vector<PackTile*> m_tiles;
    QGraphicsOpacityEffect* m_gridOpacity = nullptr;
    std::unique_ptr<QVariantAnimation> m_gridFade;
    bool m_gridFaded = false;
    BusySpinner* m_spinner = nullptr;
    QLabel* m_downloadText = nullptr;
    QLabel* m_errorText = nullptr;
    QAbstractButton* m_retry = nullptr;

    NotificationCenter::Observation m_settingsObservation;
    NotificationCenter::Observation m_revealObservation;
    NotificationCenter::Observation m_downloadObservation;
    Timer m_revealTimer;
    Timer m_collapseTimer;
    std::shared_ptr<SettingsView*> m_self = std::make_shared<SettingsView*>(this);
};

} // namespace ks

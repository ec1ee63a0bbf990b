#include "settings/settings_store.h"

#include "base/process_instance.h"

#include <cmath>
#include <exception>

namespace ks {

namespace {

constexpr std::string_view kSelectedPackIDs = "selectedPackIDs";
constexpr std::string_view kAppearance = "appearance";
constexpr std::string_view kShuffle = "shuffle";
constexpr std::string_view kIntervalSeconds = "intervalSeconds";
constexpr std::string_view kCrossfadeSeconds = "crossfadeSeconds";
constexpr std::string_view kDailyChangeMinutes = "dailyChangeMinutes";
constexpr std::string_view kFavorites = "favorites";
constexpr std::string_view kHiddenWallpapers = "hiddenWallpapers";
constexpr std::string_view kIncludedWallpapers = "includedWallpapers";
constexpr std::string_view kPauseOnBattery = "pauseOnBattery";
constexpr std::string_view kPerDisplayWallpapers = "perDisplayWallpapers";
constexpr std::string_view kCollections = "collections";
constexpr std::string_view kRotationCollectionID = "rotationCollectionID";
constexpr std::string_view kLastShownKey = "lastShownKey";
constexpr std::string_view kHasShownWelcome = "hasShownWelcome";
constexpr std::string_view kOriginalWallpaperPath = "originalWallpaperPath";
// Written by older versions when only the favourites could rotate; read, never written.
constexpr std::string_view kFavoritesOnly = "favoritesOnly";

// The private channel that tells the store's observers of every assignment.
constexpr std::string_view kAssigned = "assigned";

KeySet readKeySet(const UserDefaults& defaults, std::string_view key) {
    const auto stored = defaults.stringArrayValue(key);
    return stored ? KeySet(stored->begin(), stored->end()) : KeySet{};
}

std::vector<std::string> storedArray(const KeySet& keys) {
    return {keys.begin(), keys.end()};
}

// A NaN or infinite interval or fade would leave the timer and the fade without a usable
// length; a stored one can only come from a damaged file, so it reads as missing.
double readFiniteReal(const UserDefaults& defaults, std::string_view key, double fallback) {
    const auto stored = defaults.realValue(key);
    return stored && std::isfinite(*stored) ? *stored : fallback;
}

// Empty stands for "no value" in the stored form.
std::optional<std::string> readOptionalString(const UserDefaults& defaults, std::string_view key) {
    auto stored = defaults.stringValue(key);
    if (!stored || stored->empty())
        return std::nullopt;
    return stored;
}

std::string storedString(const std::optional<std::string>& value) {
    return value.value_or(std::string());
}

Bytes storedCollections(const std::vector<WallpaperCollection>& collections) {
    try {
        const std::string text = encodeCollections(collections);
        return Bytes(text.begin(), text.end());
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

SettingsStore::SettingsStore(UserDefaults& defaults, NotificationCenter& center)
    : m_defaults(defaults), m_center(center) {
    load();
}

SettingsStore& SettingsStore::shared() {
    return ProcessInstance<SettingsStore>::get("SettingsStore");
}

void SettingsStore::setShared(SettingsStore* store) {
    ProcessInstance<SettingsStore>::set(store);
}

void SettingsStore::load() {
    m_loading = true;
    m_rotationCollectionID.reset();
    m_lastShownKey.reset();

    m_selectedPackIDs = readKeySet(m_defaults, kSelectedPackIDs);
    // "both" is not offered at start: a stored "both" comes back as following the system.
    const auto appearance =
        appearanceFilterFromRaw(m_defaults.stringValue(kAppearance).value_or(""));
    m_appearance = appearance && *appearance != AppearanceFilter::both ? *appearance
                                                                       : AppearanceFilter::system;
    m_shuffle = m_defaults.boolValue(kShuffle).value_or(true);
    m_intervalSeconds = readFiniteReal(m_defaults, kIntervalSeconds, 300);
    m_crossfadeSeconds = readFiniteReal(m_defaults, kCrossfadeSeconds, 1.5);
    m_dailyChangeMinutes = m_defaults.integerValue(kDailyChangeMinutes).value_or(480);
    m_favorites = readKeySet(m_defaults, kFavorites);
    m_hiddenWallpapers = readKeySet(m_defaults, kHiddenWallpapers);
    m_includedWallpapers = readKeySet(m_defaults, kIncludedWallpapers);
    m_pauseOnBattery = m_defaults.boolValue(kPauseOnBattery).value_or(false);
    m_perDisplayWallpapers = m_defaults.boolValue(kPerDisplayWallpapers).value_or(false);
    m_lastShownKey = readOptionalString(m_defaults, kLastShownKey);
    // Undecodable data stays in the database until the list is next assigned.
    const auto data = m_defaults.dataValue(kCollections);
    auto decoded = data ? decodeCollections(*data) : std::nullopt;
    m_collections = decoded ? std::move(*decoded) : std::vector<WallpaperCollection>{};

    auto rotation = readOptionalString(m_defaults, kRotationCollectionID);
    if (!rotation && m_defaults.boolValue(kFavoritesOnly).value_or(false))
        rotation = std::string(favoritesCollectionID);
    setRotationCollectionID(std::move(rotation));

    m_loading = false;
}

void SettingsStore::didAssign(std::string_view key, DefaultsValue stored, Posts posts) {
    if (m_loading)
        return;
    m_defaults.set(key, std::move(stored));
    if (posts == Posts::content)
        m_center.post(kContentChanged);
    else if (posts == Posts::timing)
        m_center.post(kTimingChanged);
    m_observers.post(kAssigned);
}

NotificationCenter::Observation SettingsStore::observe(std::function<void()> observer) {
    return m_observers.addObserver(kAssigned, std::move(observer));
}

void SettingsStore::setSelectedPackIDs(KeySet ids) {
    m_selectedPackIDs = std::move(ids);
    didAssign(kSelectedPackIDs, storedArray(m_selectedPackIDs), Posts::content);
}

void SettingsStore::setAppearance(AppearanceFilter appearance) {
    m_appearance = appearance;
    didAssign(kAppearance, std::string(rawValue(m_appearance)), Posts::content);
}

void SettingsStore::setShuffle(bool shuffle) {
    m_shuffle = shuffle;
    didAssign(kShuffle, m_shuffle, Posts::content);
}

void SettingsStore::setIntervalSeconds(double seconds) {
    m_intervalSeconds = seconds;
    didAssign(kIntervalSeconds, m_intervalSeconds, Posts::timing);
}

void SettingsStore::setCrossfadeSeconds(double seconds) {
    m_crossfadeSeconds = seconds;
    didAssign(kCrossfadeSeconds, m_crossfadeSeconds, Posts::nothing);
}

void SettingsStore::setDailyChangeMinutes(std::int64_t minutes) {
    m_dailyChangeMinutes = minutes;
    didAssign(kDailyChangeMinutes, m_dailyChangeMinutes, Posts::timing);
}

void SettingsStore::setFavorites(KeySet keys) {
    m_favorites = std::move(keys);
    didAssign(kFavorites, storedArray(m_favorites), Posts::content);
}

void SettingsStore::setHiddenWallpapers(KeySet keys) {
    m_hiddenWallpapers = std::move(keys);
    didAssign(kHiddenWallpapers, storedArray(m_hiddenWallpapers), Posts::content);
}

void SettingsStore::setIncludedWallpapers(KeySet keys) {
    m_includedWallpapers = std::move(keys);
    didAssign(kIncludedWallpapers, storedArray(m_includedWallpapers), Posts::content);
}

void SettingsStore::setPauseOnBattery(bool pause) {
    m_pauseOnBattery = pause;
    didAssign(kPauseOnBattery, m_pauseOnBattery, Posts::nothing);
}

void SettingsStore::setPerDisplayWallpapers(bool perDisplay) {
    m_perDisplayWallpapers = perDisplay;
    didAssign(kPerDisplayWallpapers, m_perDisplayWallpapers, Posts::content);
}

void SettingsStore::setCollections(std::vector<WallpaperCollection> collections) {
    m_collections = std::move(collections);
    didAssign(kCollections, storedCollections(m_collections), Posts::content);
}

void SettingsStore::setRotationCollectionID(std::optional<std::string> id) {
    m_rotationCollectionID = std::move(id);
    didAssign(kRotationCollectionID, storedString(m_rotationCollectionID), Posts::content);
}

void SettingsStore::setLastShownKey(std::optional<std::string> key) {
    m_lastShownKey = std::move(key);
    didAssign(kLastShownKey, storedString(m_lastShownKey), Posts::nothing);
}

bool SettingsStore::hasShownWelcome() const {
    return m_defaults.boolValue(kHasShownWelcome).value_or(false);
}

void SettingsStore::setHasShownWelcome(bool shown) {
    m_defaults.set(kHasShownWelcome, shown);
}

std::optional<std::string> SettingsStore::originalWallpaperPath() const {
    return readOptionalString(m_defaults, kOriginalWallpaperPath);
}

void SettingsStore::setOriginalWallpaperPath(std::optional<std::string> path) {
    m_defaults.set(kOriginalWallpaperPath, storedString(path));
}

} // namespace ks

#pragma once

#include "base/manual_loop.h"
#include "library/library.h"
#include "library/library_index.h"
#include "settings/settings_store.h"
#include "support/temp_home.h"

#include <fstream>
#include <gtest/gtest.h>
#include <memory>

namespace ks::test {

// A pack "<id>" with the wallpapers "<id>/1.jpg" to "<id>/<count>.jpg".
inline Pack pack(const std::string& id, int count) {
    Pack made{id, id, {}, false, {}};
    for (int i = 1; i <= count; ++i)
        made.wallpapers.push_back({id, std::to_string(i) + ".jpg", Variant::neutral, "b"});
    return made;
}

// A store over a defaults file of its own, counting the posts of both notifications.
class SettingsTest : public testing::Test {
protected:
    UserDefaults& defaults() { return *m_defaults; }
    // Made on first use, so that a test can fill the database first.
    SettingsStore& store() {
        if (!m_store)
            m_store = std::make_unique<SettingsStore>(*m_defaults, m_center);
        return *m_store;
    }
    // The next start: a new database and store read back what the file holds.
    SettingsStore& restart() {
        m_store.reset();
        m_loop.runPending();
        EXPECT_TRUE(m_defaults->flush());
        m_defaults = std::make_unique<UserDefaults>(m_file, m_loop);
        return store();
    }
    Library libraryOf(const std::vector<Pack>& packs) {
        const auto resources = m_home.root() / "resources";
        std::filesystem::create_directories(resources / "wp");
        std::ofstream(resources / "wp" / "index.dat") << serializeLibraryIndex(packs);
        Library library([resources] { return std::optional(resources); });
        library.rescan();
        return library;
    }

    int content = 0;
    int timing = 0;

private:
    TempHome m_home;
    std::filesystem::path m_file = m_home.configHome() / "settings.plist";
    ManualLoop m_loop;
    NotificationCenter m_center;
    std::unique_ptr<UserDefaults> m_defaults = std::make_unique<UserDefaults>(m_file, m_loop);
    std::unique_ptr<SettingsStore> m_store;
    NotificationCenter::Observation m_contentObservation =
        m_center.addObserver(kContentChanged, [this] { ++content; });
    NotificationCenter::Observation m_timingObservation =
        m_center.addObserver(kTimingChanged, [this] { ++timing; });
};

} // namespace ks::test

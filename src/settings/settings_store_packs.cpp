#include "library/library.h"
#include "settings/settings_store.h"

namespace ks {

namespace {

bool namesNoPack(const KeySet& selection) {
    return selection.count(std::string(SettingsStore::nonePackSentinel)) > 0;
}

} // namespace

bool SettingsStore::isPackSelected(const std::string& id) const {
    if (namesNoPack(m_selectedPackIDs))
        return false;
    return m_selectedPackIDs.empty() || m_selectedPackIDs.count(id) > 0;
}

bool SettingsStore::allPacksSelected() const {
    return m_selectedPackIDs.empty();
}

void SettingsStore::selectAllPacks() {
    setSelectedPackIDs({});
}

void SettingsStore::toggleAllPacks() {
    if (m_selectedPackIDs.empty())
        setSelectedPackIDs({std::string(nonePackSentinel)});
    else
        setSelectedPackIDs({});
}

void SettingsStore::setPack(const std::string& id, bool selected, const Library& library) {
    KeySet all;
    for (const Pack& pack : library.packs())
        all.insert(pack.id);

    KeySet current;
    if (namesNoPack(m_selectedPackIDs)) {
        // current stays empty
    } else if (m_selectedPackIDs.empty()) {
        current = all;
    } else {
        // Packs that left the library drop out of an explicit selection here.
        for (const std::string& selectedID : m_selectedPackIDs) {
            if (all.count(selectedID))
                current.insert(selectedID);
        }
    }

    if (selected)
        current.insert(id);
    else
        current.erase(id);

    // Every pack listed by name becomes "all packs", so packs added later rotate too.
    if (current == all)
        setSelectedPackIDs({});
    else if (current.empty())
        setSelectedPackIDs({std::string(nonePackSentinel)});
    else
        setSelectedPackIDs(std::move(current));
}

void SettingsStore::togglePack(const std::string& id, const Library& library) {
    setPack(id, !isPackSelected(id), library);
}

} // namespace ks

#include "agent/picture_plan.h"

#include "base/property_list.h"
#include "system/wallpaper_store.h"

#include <plist/plist.h>

#include <algorithm>
#include <cctype>

namespace ks {

namespace {

plist_t dictionaryItem(const void* dictionary, const char* key) {
    const auto node = static_cast<plist_t>(const_cast<void*>(dictionary));
    if (!node || plist_get_node_type(node) != PLIST_DICT)
        return nullptr;
    return plist_dict_get_item(node, key);
}

std::optional<std::string> firstDisplayPicture(plist_t displays) {
    std::optional<std::string> found;
    forEachEntry(displays, [&](const char*, void* entry) { return !(found = url(entry)); });
    return found;
}

std::optional<FileUrl> knownUrl(const ShownPictures& shown, const std::string& uuid) {
    const auto it = shown.find(uuid);
    return it == shown.end() ? std::nullopt : FileUrl::fromString(it->second);
}

std::variant<FileUrl, PlanError> fileUrl(std::string_view text) {
    if (auto url = FileUrl::fromString(text))
        return *url;
    return PlanError{"not the URL of a local file: " + std::string(text)};
}

AgentDisplay anyDisplay() {
    return {.name = std::string(kAnyOutputName)};
}

} // namespace

std::optional<std::string> storePictureFor(const void* store, std::string_view uuid) {
    const std::string key(uuid);
    if (plist_t displays = dictionaryItem(store, "Displays"); !key.empty())
        if (auto own = url(dictionaryItem(displays, key.c_str())))
            return own;
    return url(dictionaryItem(store, "AllSpacesAndDisplays"));
}

std::optional<std::string> storePictureForAny(const void* store) {
    if (auto everywhere = url(dictionaryItem(store, "AllSpacesAndDisplays")))
        return everywhere;
    return firstDisplayPicture(dictionaryItem(store, "Displays"));
}

std::variant<DisplayPlan, PlanError> planStore(const void* store,
                                               const std::vector<AgentDisplay>& displays,
                                               const ShownPictures& shown) {
    DisplayPlan plan;
    const auto add = [&](const AgentDisplay& display,
                         const std::optional<std::string>& text) -> std::optional<PlanError> {
        PlannedDisplay planned{display, std::nullopt, knownUrl(shown, display.uuid)};
        if (text) {
            auto url = fileUrl(*text);
            if (auto* error = std::get_if<PlanError>(&url))
                return *error;
            planned.picture = std::get<FileUrl>(std::move(url));
        }
        plan.push_back(std::move(planned));
        return std::nullopt;
    };
    if (displays.empty()) {
        if (auto error = add(anyDisplay(), storePictureForAny(store)))
            return *error;
        return plan;
    }
    for (const auto& display : displays)
        if (auto error = add(display, storePictureFor(store, display.uuid)))
            return *error;
    return plan;
}

std::variant<DisplayPlan, PlanError> planOnePicture(std::string_view uuid, std::string_view url,
                                                    const std::vector<AgentDisplay>& displays,
                                                    const ShownPictures& shown) {
    auto picture = fileUrl(url);
    if (auto* error = std::get_if<PlanError>(&picture))
        return *error;
    // Display UUIDs are upper case; one typed by hand may not be.
    std::string wanted(uuid);
    std::ranges::transform(wanted, wanted.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    DisplayPlan plan;
    bool found = false;
    for (const auto& display : displays) {
        PlannedDisplay planned{display, std::nullopt, knownUrl(shown, display.uuid)};
        if (display.uuid == wanted && !found) {
            planned.picture = std::get<FileUrl>(picture);
            found = true;
        }
        plan.push_back(std::move(planned));
    }
    if (!found)
        return PlanError{"no display has the UUID " + std::string(uuid)};
    return plan;
}

} // namespace ks

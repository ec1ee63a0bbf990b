#pragma once

#include "platform/desktop_pictures.h"
#include "platform/x11/agent_shown_pictures.h"

#include <string>

namespace ks {

// What a desktop that keeps its background in one gsettings key shows: Cinnamon's
// org.cinnamon.desktop.background picture-uri (a file URL), MATE's org.mate.background
// picture-filename (a path). Read at each call; the same for every display, except that the
// agent's spanned picture, one image across all displays, is answered from its record.
class SettingDesktopPictures final : public DesktopPictures {
public:
    enum class Form { FileUrl, Path };

    SettingDesktopPictures(std::string schema, std::string key, Form form)
        : m_schema(std::move(schema)), m_key(std::move(key)), m_form(form) {}

    static SettingDesktopPictures cinnamon() {
        return {"org.cinnamon.desktop.background", "picture-uri", Form::FileUrl};
    }
    static SettingDesktopPictures mate() {
        return {"org.mate.background", "picture-filename", Form::Path};
    }

    // Waits for gsettings, a few milliseconds.
    std::optional<std::filesystem::path> currentPicture(const PlatformScreen& screen) override;

private:
    std::string m_schema;
    std::string m_key;
    Form m_form;
    AgentShownPictures m_agentRecord;
};

} // namespace ks

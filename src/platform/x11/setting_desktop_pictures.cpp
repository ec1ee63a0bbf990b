#include "platform/x11/setting_desktop_pictures.h"

#include "base/file_url.h"
#include "platform/x11/gsettings_value.h"

namespace ks {

std::optional<std::filesystem::path>
SettingDesktopPictures::currentPicture(const PlatformScreen& screen) {
    const auto value = gsettingsString(m_schema, m_key);
    if (!value || value->empty())
        return std::nullopt;
    std::filesystem::path file;
    if (m_form == Form::FileUrl) {
        const auto url = FileUrl::fromString(*value);
        if (!url)
            return std::nullopt;
        file = url->path();
    } else {
        // A relative name would be resolved against our working folder, not the desktop's.
        file = std::filesystem::path(*value);
        if (!file.is_absolute())
            return std::nullopt;
        file = file.lexically_normal();
    }
    if (isAgentSpannedPicture(file))
        return m_agentRecord.currentPicture(screen);
    return file;
}

} // namespace ks

// The user's own wallpaper: remembered at the first start, put back on request.
#include "base/file_io.h"
#include "engine/presentation_controller.h"
#include "engine/wallpaper_setter.h"
#include "library/decode_image.h"
#include "settings/settings_store.h"

#include <system_error>

namespace ks {

namespace {} // namespace

void PresentationController::captureOriginalWallpaper() {
    if (m_deps.settings.originalWallpaperPath())
        return;
    const auto screens = m_deps.screens.screens();
    if (screens.empty())
        return;
    const auto picture = m_deps.desktopPictures.currentPicture(screens.front());
    // One of our own files is no wallpaper of the user's; ask again at the next start.
    if (!picture || m_cache.contains(*picture))
        return;
    m_deps.settings.setOriginalWallpaperPath(picture->string());
}

bool PresentationController::hasOriginalWallpaper() const {
    const auto path = m_deps.settings.originalWallpaperPath();
    std::error_code error;
    return path && std::filesystem::exists(*path, error);
}

void PresentationController::restoreOriginalWallpaper() {
    const auto path = m_deps.settings.originalWallpaperPath();
    if (!path)
        return;
    // Whatever change is still on its way ends without effect.
    ++m_transitionToken;
    lowerCovers();
    if (const auto url = FileUrl::fromPath(*path)) {
        m_lastApplied = Applied{*url, {}};
        m_deps.writer.set(*url, {});
    }
    m_thumbnail.reset();
    m_fade = 0;
    if (const auto client = m_client.lock())
        client->presentationChanged();
    m_deps.utilityQueue.async([weak = weak_from_this(), loop = &m_deps.loop, file = *path] {
        const auto bytes = readWholeFile(file, kMaxPictureBytes);
        auto image = bytes ? decodeImage(*bytes, kThumbnailPixel) : std::nullopt;
        if (!image)
            return;
        loop->post([weak, image = std::move(*image)] {
            const auto self = weak.lock();
            const auto client = self ? self->m_client.lock() : nullptr;
            if (!client || !client->isShowingOriginal())
                return;
            self->m_thumbnail = image;
            client->presentationChanged();
        });
    });
}

} // namespace ks

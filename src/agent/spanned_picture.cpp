#include "agent/spanned_picture.h"

#include "agent/canvas.h"
#include "base/file_io.h"
#include "base/sha256.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace ks {

namespace {

// 1 GiB of RGBA: more than any row of real displays needs.
constexpr std::int64_t kMaxCanvasPixels = std::int64_t{1} << 28;

} // namespace

const FileUrl* showing(const PlannedDisplay& planned) {
    if (planned.picture)
        return &*planned.picture;
    return planned.shown ? &*planned.shown : nullptr;
}

SpannedPicture::SpannedPicture(std::filesystem::path folder, std::string prefix)
    : m_folder(std::move(folder)), m_prefix(std::move(prefix)) {}

std::optional<SpannedPicture::Written>
SpannedPicture::write(const DisplayPlan& plan, PictureLoader& loader, const Fail& fail) const {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (const auto& planned : plan) {
        const auto& d = planned.display;
        left = std::min(left, d.x);
        top = std::min(top, d.y);
        right = std::max(right, d.x + d.width);
        bottom = std::max(bottom, d.y + d.height);
    }
    // Displays far apart on the X screen span a canvas of their whole bounding box.
    if (std::int64_t{right - left} * (bottom - top) > kMaxCanvasPixels) {
        fail("the displays span too large a picture");
        return std::nullopt;
    }
    Canvas canvas(right - left, bottom - top);
    for (const auto& planned : plan) {
        const FileUrl* url = showing(planned);
        if (!url)
            continue;
        const auto& d = planned.display;
        const auto image = loader.filling(*url, d.width, d.height);
        // A picture kept from before that is gone leaves its display black; a new one must be
        // there.
        if (!image && planned.picture)
            return std::nullopt;
        if (image)
            canvas.paste(*image, d.x - left, d.y - top);
    }
    const auto png = canvas.png();
    if (!png) {
        fail("couldn't encode the spanned picture");
        return std::nullopt;
    }
    Written written{m_folder / (m_prefix + sha256Hex(*png).substr(0, 16) + ".png")};
    std::error_code error;
    written.existed = std::filesystem::exists(written.file, error);
    std::filesystem::create_directories(m_folder, error);
    if (!replaceFileAtomically(written.file, *png)) {
        fail("couldn't write " + written.file.string());
        return std::nullopt;
    }
    return written;
}

void SpannedPicture::discard(const Written& written) const {
    std::error_code ignored;
    if (!written.existed)
        std::filesystem::remove(written.file, ignored);
}

void SpannedPicture::removeOthers(const std::filesystem::path& keep) const {
    std::error_code error;
    std::filesystem::directory_iterator entry(m_folder, error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const auto& file = entry->path();
        std::error_code ignored;
        if (file.filename().string().starts_with(m_prefix) && file.extension() == ".png" &&
            file != keep)
            std::filesystem::remove(file, ignored);
    }
}

} // namespace ks

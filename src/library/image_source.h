#pragma once

#include "base/bytes.h"
#include "library/wallpaper.h"

#include <filesystem>
#include <optional>
#include <string>
#include <variant>

namespace ks {

// Where an image's bytes come from: a wallpaper's blob, or a file such as a resource.
class ImageSource {
public:
    static ImageSource wallpaper(Wallpaper wallpaper) { return ImageSource(std::move(wallpaper)); }
    static ImageSource asset(std::filesystem::path file) { return ImageSource(std::move(file)); }

    const Wallpaper* asWallpaper() const { return std::get_if<Wallpaper>(&m_value); }
    const std::filesystem::path* asAsset() const {
        return std::get_if<std::filesystem::path>(&m_value);
    }

    // The wallpaper's key, or the asset's path.
    std::string cacheKey() const;
    // The whole content of the blob or file; none when it cannot be read.
    std::optional<Bytes> data() const;

    friend bool operator==(const ImageSource&, const ImageSource&) = default;

private:
    explicit ImageSource(std::variant<Wallpaper, std::filesystem::path> value)
        : m_value(std::move(value)) {}
    std::variant<Wallpaper, std::filesystem::path> m_value;
};

} // namespace ks

template <> struct std::hash<ks::ImageSource> {
    std::size_t operator()(const ks::ImageSource& source) const noexcept;
};

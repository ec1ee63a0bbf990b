#include "pack_folders.h"

#include "base/file_io.h"
#include "base/json_fields.h"
#include "library/decode_image.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <string_view>
#include <system_error>

namespace ks::pack {

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 10> kPictureExtensions{
    "jpg", "jpeg", "png", "webp", "heic", "heif", "avif", "gif", "tif", "tiff"};
// Enough to prove a file decodes without paying for its full size.
constexpr int kCheckPixels = 64;

std::string lowerCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string defaultID(const std::string& folderName) {
    std::string id = lowerCase(folderName);
    std::replace(id.begin(), id.end(), ' ', '-');
    return id;
}

bool isPicture(const fs::path& path) {
    const std::string extension = lowerCase(path.extension().string());
    return !extension.empty() &&
           std::find(kPictureExtensions.begin(), kPictureExtensions.end(),
                     std::string_view(extension).substr(1)) != kPictureExtensions.end();
}

Variant variantOf(const fs::path& fileName) {
    const std::string stem = lowerCase(fileName.stem().string());
    if (stem.ends_with("-light"))
        return Variant::light;
    if (stem.ends_with("-dark"))
        return Variant::dark;
    return Variant::neutral;
}

// Names in byte order, hidden ones left out (editors' and other systems' leftovers).
std::vector<fs::path> sortedEntries(const fs::path& dir, bool folders, std::error_code& error) {
    std::vector<fs::path> paths;
    // Advanced with an error code: a folder that changes under us must give a message, not
    // an exception.
    fs::directory_iterator it(dir, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const auto& entry = *it;
        std::error_code typeError;
        const bool wanted =
            folders ? entry.is_directory(typeError) : entry.is_regular_file(typeError);
        if (wanted && !entry.path().filename().string().starts_with("."))
            paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    return paths;
}

// Fills id, display name and cover from the folder's pack.json, when there is one.
bool readDescription(const fs::path& folder, tools::SourcePack& pack, std::string& error) {
    const fs::path file = folder / "pack.json";
    std::error_code statError;
    if (!fs::exists(fs::symlink_status(file, statError)))
        return true;
    const auto bytes = readWholeFile(file);
    if (!bytes) {
        error = "cannot read " + file.string();
        return false;
    }
    const auto document = json::Json::parse(asText(*bytes), nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        error = file.string() + ": not a JSON object";
        return false;
    }
    for (auto [key, target] : {std::pair{"id", &pack.id}, {"displayName", &pack.displayName}}) {
        const auto value = json::optionalString(document, key);
        if (!value) {
            error = file.string() + ": \"" + key + "\" must be a string";
            return false;
        }
        if (*value)
            *target = **value;
    }
    const auto cover = json::optionalString(document, "cover");
    if (!cover) {
        error = file.string() + ": \"cover\" must be a string";
        return false;
    }
    pack.coverFileName = *cover;
    return true;
}

bool readPictures(const fs::path& folder, tools::SourcePack& pack, std::string& error) {
    std::error_code listError;
    for (const auto& path : sortedEntries(folder, false, listError)) {
        if (!isPicture(path))
            continue;
        auto bytes = readWholeFile(path);
        if (!bytes) {
            error = "cannot read " + path.string();
            return false;
        }
        if (!decodeImage(*bytes, kCheckPixels)) {
            error = path.string() + ": not a picture that can be decoded";
            return false;
        }
        const auto variant = variantOf(path.filename());
        pack.hasVariants = pack.hasVariants || variant != Variant::neutral;
        pack.pictures.push_back({path.filename().string(), variant, std::move(*bytes)});
    }
    if (listError) {
        error = "cannot list " + folder.string();
        return false;
    }
    return true;
}

// Checks what the index format would accept but the application could not use.
bool checkPack(const fs::path& folder, const tools::SourcePack& pack, std::string& error) {
    // The id and a file name make a wallpaper's key, joined by "/".
    if (pack.id.empty() || pack.id.find('/') != std::string::npos) {
        error = folder.string() + ": the pack id \"" + pack.id +
                "\" must not be empty or contain \"/\"";
        return false;
    }
    if (pack.pictures.empty()) {
        error = folder.string() + ": no pictures";
        return false;
    }
    if (pack.coverFileName &&
        std::none_of(pack.pictures.begin(), pack.pictures.end(), [&](const auto& picture) {
            return picture.fileName == *pack.coverFileName;
        })) {
        error = (folder / "pack.json").string() + ": the cover " + *pack.coverFileName +
                " is not a picture of this pack";
        return false;
    }
    return true;
}

} // namespace

std::optional<std::vector<tools::SourcePack>> readPackFolders(const fs::path& source,
                                                              std::string& error) {
    std::error_code listError;
    const auto folders = sortedEntries(source, true, listError);
    if (listError) {
        error = "cannot list " + source.string();
        return std::nullopt;
    }
    if (folders.empty()) {
        error = source.string() + ": no pack folders";
        return std::nullopt;
    }
    std::vector<tools::SourcePack> packs;
    std::map<std::string, fs::path> folderOfID;
    for (const auto& folder : folders) {
        const std::string name = folder.filename().string();
        tools::SourcePack pack{defaultID(name), name, false, std::nullopt, {}, true};
        if (!readDescription(folder, pack, error) || !readPictures(folder, pack, error) ||
            !checkPack(folder, pack, error))
            return std::nullopt;
        // A second pack with the same id would share the first one's keys, blobs and archive.
        const auto [known, added] = folderOfID.emplace(pack.id, folder);
        if (!added) {
            error = folder.string() + ": the pack id \"" + pack.id + "\" is already used by " +
                    known->second.string();
            return std::nullopt;
        }
        packs.push_back(std::move(pack));
    }
    return packs;
}

} // namespace ks::pack

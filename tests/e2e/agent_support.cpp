#include "agent_support.h"

#include "base/file_io.h"
#include "base/property_list.h"
#include "library/vips_runtime.h"
#include "system/wallpaper_store.h"

#include <vips/vips8>

#include <chrono>
#include <regex>
#include <sstream>

namespace ks::e2e {

namespace fs = std::filesystem;
using vips::VImage;

namespace {

VImage solid(int width, int height, Rgb colour) {
    return VImage::black(width, height, VImage::option()->set("bands", 3)) +
           std::vector<double>{double(colour.red), double(colour.green), double(colour.blue)};
}

bool save(const fs::path& file, const VImage& image) {
    try {
        fs::create_directories(file.parent_path());
        image.cast(VIPS_FORMAT_UCHAR).write_to_file(file.c_str());
        return true;
    } catch (const vips::VError&) {
        return false;
    }
}

} // namespace

std::optional<std::vector<AgentDisplay>> parseDisplayListing(const std::string& text) {
    static const std::regex line(
        R"(([0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12})\t([^\t]+)\t(\d+x\d+\+\d+\+\d+))");
    std::vector<AgentDisplay> displays;
    std::istringstream lines(text);
    std::string row;
    while (std::getline(lines, row)) {
        std::smatch match;
        if (!std::regex_match(row, match, line))
            return std::nullopt;
        displays.push_back({match[1], match[2], match[3]});
    }
    return displays;
}

fs::path agentStorePath(const XorgDisplay& x) {
    return x.dataHome() / "kestrane-wallpaper-agent" / "Store" / "Index.plist";
}

bool writeAgentStore(const fs::path& file, const FileUrl& primary, const DisplayList& displays) {
    PlistPtr store = loadStore(file);
    updateStore(store.get(), primary, displays, SystemVersion{15, 0, "Linux"},
                std::chrono::system_clock::now());
    const auto bytes = binaryPropertyList(store.get());
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    return bytes && replaceFileAtomically(file, *bytes);
}

bool writeSolidPicture(const fs::path& file, int width, int height, Rgb colour) {
    return ensureVipsStarted() && save(file, solid(width, height, colour));
}

bool writeCropPicture(const fs::path& file, const CropPicture& p) {
    if (!ensureVipsStarted())
        return false;
    VImage image = solid(p.width, p.height, p.body);
    image = image.insert(solid(p.width, p.bandHeight, p.bands), 0, 0);
    image = image.insert(solid(p.width, p.bandHeight, p.bands), 0, p.height - p.bandHeight);
    image = image.insert(solid(p.sideWidth, p.height, p.side), 0, 0);
    return save(file, image);
}

FileUrl fileUrl(const fs::path& path) {
    return *FileUrl::fromPath(fs::absolute(path));
}

} // namespace ks::e2e

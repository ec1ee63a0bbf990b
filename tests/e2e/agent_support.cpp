#include "agent_support.h"

#include "base/file_io.h"
#include "library/test_images.h"
#include "system/wallpaper_store.h"

#include <chrono>
#include <regex>
#include <sstream>

namespace ks::e2e {

namespace fs = std::filesystem;

namespace {

std::vector<double> channels(Rgb c) {
    return {double(c.red), double(c.green), double(c.blue)};
}

bool save(const fs::path& file, const vips::VImage& image) {
    fs::create_directories(file.parent_path());
    return replaceFileAtomically(file, test::encode(image, file.extension().string()));
}

} // namespace

std::optional<std::vector<AgentDisplay>> parseDisplayListing(const std::string& text) {
    static const std::regex line(
        R"(([0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12})\t([^\t]+)\t(\d+x\d+\+\d+\+\d+))");
    std::vector<AgentDisplay> displays;
    std::istringstream lines(text);
    std::smatch match;
    for (std::string row; std::getline(lines, row);) {
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
    return save(file, test::solid(width, height, channels(colour)));
}

bool writeCropPicture(const fs::path& file, Rgb body, Rgb bands, Rgb side) {
    const auto band = test::solid(1200, 100, channels(bands));
    return save(file, test::solid(1200, 900, channels(body))
                          .insert(band, 0, 0)
                          .insert(band, 0, 800)
                          .insert(test::solid(60, 900, channels(side)), 0, 0));
}

FileUrl fileUrl(const fs::path& path) {
    return *FileUrl::fromPath(fs::absolute(path));
}

} // namespace ks::e2e

#include "platform/x11/plasma_desktop_pictures.h"

#include "base/file_url.h"
#include "platform/linux/agent_process.h"

#include <sstream>

namespace ks {

namespace {

constexpr auto kDbusSendTimeLimit = std::chrono::seconds(5);

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Undoes encodeURIComponent; none for a bad escape.
std::optional<std::string> percentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size() || hexDigit(text[i + 1]) < 0 || hexDigit(text[i + 2]) < 0)
            return std::nullopt;
        out.push_back(static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2])));
        i += 2;
    }
    return out;
}

// Plasma keeps a picture as a file URL or a plain path, or a wallpaper package's folder,
// which is no picture file.
std::optional<std::filesystem::path> pictureFile(const std::string& image) {
    std::optional<std::filesystem::path> file;
    if (image.starts_with("file:")) {
        if (const auto url = FileUrl::fromString(image))
            file = url->path();
    } else if (image.starts_with('/')) {
        file = std::filesystem::path(image).lexically_normal();
    }
    std::error_code error;
    if (!file || std::filesystem::is_directory(*file, error))
        return std::nullopt;
    return file;
}

} // namespace

const std::string& PlasmaDesktopPictures::script() {
    static const std::string text = R"js(
var all = desktops();
var out = "";
for (var i = 0; i < all.length; ++i) {
    var desktop = all[i];
    if (desktop.screen < 0)
        continue;
    var g = screenGeometry(desktop.screen);
    desktop.currentConfigGroup = ["Wallpaper", "org.kde.image", "General"];
    out += g.x + " " + g.y + " " + g.width + " " + g.height + " " +
           encodeURIComponent(String(desktop.readConfig("Image"))) + "\n";
}
print(out);
)js";
    return text;
}

std::optional<std::filesystem::path>
PlasmaDesktopPictures::currentPicture(const PlatformScreen& screen) {
    const auto reply =
        programOutput({"dbus-send", "--print-reply", "--session", "--dest=org.kde.plasmashell",
                       "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript", "string:" + script()},
                      kDbusSendTimeLimit);
    if (!reply)
        return std::nullopt;
    // dbus-send prints the answer as `string "…"`, its text as it is.
    const std::size_t start = reply->find("string \"");
    const std::size_t end = reply->rfind('"');
    if (start == std::string::npos || end < start + 8)
        return std::nullopt;
    std::istringstream lines(reply->substr(start + 8, end - start - 8));
    std::optional<std::string> first;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        ScreenFrame frame;
        std::string encoded;
        if (!(fields >> frame.x >> frame.y >> frame.width >> frame.height >> encoded))
            continue;
        const auto image = percentDecoded(encoded);
        if (!image)
            continue;
        if (frame == screen.frame)
            return pictureFile(*image);
        if (!first)
            first = image;
    }
    return first ? pictureFile(*first) : std::nullopt;
}

} // namespace ks

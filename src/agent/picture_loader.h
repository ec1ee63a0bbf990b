#pragma once

#include "agent/agent_display.h"
#include "base/file_url.h"
#include "library/image.h"

#include <map>
#include <optional>
#include <string>
#include <tuple>

namespace ks {

// Reads and decodes the pictures of one run; a picture shown on several displays of one size
// is decoded once. Failures are logged with the file's path.
class PictureLoader {
public:
    // The picture scaled to cover `width` x `height` and cropped around its centre, opaque
    // (transparent parts darken towards black, as on a black desktop).
    std::optional<Image> filling(const FileUrl& url, int width, int height);
    // Whether the file holds a picture this agent can show, for backends that hand the file
    // itself to the desktop.
    bool usable(const FileUrl& url);
    // Every new picture of the plan can be read: none is set before all are.
    bool newPicturesUsable(const DisplayPlan& plan);

private:
    std::map<std::tuple<std::string, int, int>, Image> m_decoded;
};

} // namespace ks

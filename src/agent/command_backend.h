#pragma once

#include "agent/desktop_backend.h"
#include "agent/picture_loader.h"

#include <string>
#include <vector>

namespace ks {

// Runs the user's command once per display that gets a picture, with {file} and {output}
// filled in, without a shell.
class CommandBackend : public DesktopBackend {
public:
    CommandBackend(std::vector<std::string> words, PictureLoader& loader);
    bool show(const DisplayPlan& plan) override;

private:
    std::vector<std::string> m_words;
    PictureLoader& m_loader;
};

} // namespace ks

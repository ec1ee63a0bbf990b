#pragma once

#include <QApplication>

#include <cstdlib>

namespace ks::test {

// The widget tests' QApplication, on Qt's offscreen platform: a member declared before any
// widget the test makes, so that it outlives them.
class OffscreenApplication {
public:
    OffscreenApplication() = default;
    OffscreenApplication(const OffscreenApplication&) = delete;
    OffscreenApplication& operator=(const OffscreenApplication&) = delete;

private:
    struct Platform {
        Platform() { ::setenv("QT_QPA_PLATFORM", "offscreen", 1); }
    } m_platform;
    int m_argc = 1;
    char m_name[16] = "ks-widget-test";
    char* m_argv[2] = {m_name, nullptr};
    QApplication m_app{m_argc, m_argv};
};

} // namespace ks::test

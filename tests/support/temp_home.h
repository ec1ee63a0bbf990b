#pragma once

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>

namespace ks::test {

// A fresh temporary folder that stands in for the user's home and XDG folders while it
// lives, so that nothing a test does reaches the real user's files.
class TempHome {
public:
    TempHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "ks-test-XXXXXX").string();
        m_root = ::mkdtemp(pattern.data());
        setVar("HOME", m_root / "home");
        setVar("XDG_DATA_HOME", m_root / "data");
        setVar("XDG_CONFIG_HOME", m_root / "config");
        setVar("XDG_RUNTIME_DIR", m_root / "runtime");
        for (auto dir : {"home", "data", "config", "runtime"})
            std::filesystem::create_directories(m_root / dir);
    }
    ~TempHome() {
        for (auto& [name, old] : m_saved) {
            if (old)
                ::setenv(name.c_str(), old->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        std::error_code error;
        std::filesystem::remove_all(m_root, error);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path dataHome() const { return m_root / "data"; }
    std::filesystem::path configHome() const { return m_root / "config"; }

    // Sets an environment variable until the TempHome is destroyed.
    void setVar(const std::string& name, const std::filesystem::path& value) {
        if (!m_saved.count(name)) {
            const char* old = std::getenv(name.c_str());
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    void unsetVar(const std::string& name) {
        if (!m_saved.count(name)) {
            const char* old = std::getenv(name.c_str());
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        ::unsetenv(name.c_str());
    }

private:
    std::filesystem::path m_root;
    std::map<std::string, std::optional<std::string>> m_saved;
};

} // namespace ks::test

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
        for (auto [name, dir] : {std::pair{"HOME", "home"},
                                 {"XDG_DATA_HOME", "data"},
                                 {"XDG_CONFIG_HOME", "config"},
                                 {"XDG_RUNTIME_DIR", "runtime"}}) {
            setVar(name, m_root / dir);
            std::filesystem::create_directories(m_root / dir);
        }
    }
    ~TempHome() {
        for (auto& [name, old] : m_saved)
            old ? ::setenv(name.c_str(), old->c_str(), 1) : ::unsetenv(name.c_str());
        std::error_code error;
        std::filesystem::remove_all(m_root, error);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& root() const { return m_root; }
    std::filesystem::path dataHome() const { return m_root / "data"; }
    std::filesystem::path configHome() const { return m_root / "config"; }

    // Sets or unsets an environment variable until the TempHome is destroyed.
    void setVar(const std::string& name, const std::filesystem::path& value) {
        save(name);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    void unsetVar(const std::string& name) {
        save(name);
        ::unsetenv(name.c_str());
    }

private:
    void save(const std::string& name) {
        const char* old = std::getenv(name.c_str());
        m_saved.try_emplace(name, old ? std::optional<std::string>(old) : std::nullopt);
    }

    std::filesystem::path m_root;
    std::map<std::string, std::optional<std::string>> m_saved;
};

} // namespace ks::test

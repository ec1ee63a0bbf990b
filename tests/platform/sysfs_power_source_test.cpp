#include "platform/linux/sysfs_power_source.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace ks {
namespace {

namespace fs = std::filesystem;

// power_supply folders of linked supplies "NAME attribute=value ..."; "/" makes a folder.
class FakePowerSupplies : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "ks-power-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_base = pattern;
    }
    void TearDown() override { fs::remove_all(m_base); }

    fs::path tree(const std::vector<std::string>& supplies) {
        const fs::path root = m_base / std::to_string(m_trees++);
        fs::create_directories(root / "power_supply");
        for (const std::string& line : supplies) {
            std::istringstream words(line);
            std::string name, attribute;
            words >> name;
            fs::create_directories(root / "devices" / name);
            while (words >> attribute) {
                const auto equals = attribute.find('=');
                const fs::path file = root / "devices" / name / attribute.substr(0, equals);
                const std::string value = attribute.substr(equals + 1);
                if (value == "/")
                    fs::create_directory(file);
                else
                    std::ofstream(file)
                        << (value == "long" ? std::string(4096, 'D') : value) << '\n';
            }
            fs::create_directory_symlink(root / "devices" / name, root / "power_supply" / name);
        }
        return root / "power_supply";
    }

    fs::path m_base;
    int m_trees = 0;
};

TEST_F(FakePowerSupplies, OnBatteryOnlyWhenTheMachinesBatteryDrainsWithNoAdapterOnline) {
    const std::vector<std::pair<std::vector<std::string>, bool>> cases{
        {{"AC type=Mains online=0", "BAT0 type=Battery status=Discharging"}, true},
        {{"AC type=Mains online=1", "BAT0 type=Battery status=Discharging"}, false},
        {{"AC type=Mains online=0", "BAT0 type=Battery status=Full"}, false},
        {{"AC type=Mains online=0", "BAT0 type=Battery status=Unknown"}, false},
        // Two batteries, one of them draining; then the same with power over USB-C.
        {{"BAT0 type=Battery status=Full", "BAT1 type=Battery status=Discharging",
          "ucsi-source-psy-1 type=USB online=0"},
         true},
        {{"BAT1 type=Battery status=Discharging", "ucsi-source-psy-1 type=USB online=1"}, false},
        // Desktops: nothing, a mains supply only, a mouse's battery, a UPS on its battery.
        {{}, false},
        {{"AC type=Mains online=1"}, false},
        {{"hid-mouse type=Battery scope=Device status=Discharging"}, false},
        {{"ups type=UPS status=Discharging online=0"}, false},
        // What cannot be read: the adapter's state, a supply's type, a battery's status.
        {{"AC type=Mains", "BAT0 type=Battery status=Discharging"}, false},
        {{"AC type=Mains online=/", "BAT0 type=Battery status=Discharging"}, false},
        {{"mystery", "BAT0 type=Battery status=Discharging"}, false},
        {{"BAT0 type=Battery status=long"}, false},
        {{"BAT0 type=Battery status=/"}, false},
    };
    for (const auto& [supplies, expected] : cases) {
        std::string description;
        for (const std::string& line : supplies)
            description += line + "; ";
        EXPECT_EQ(SysfsPowerSource(tree(supplies)).isOnBattery(), expected) << description;
    }
    EXPECT_FALSE(SysfsPowerSource(m_base / "missing").isOnBattery());
}

} // namespace
} // namespace ks

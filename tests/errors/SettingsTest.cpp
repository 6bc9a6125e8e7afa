#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "automation/Registry.h"
#include "vellumax/errors/Settings.h"

namespace {

constexpr const char* kKey = "SOFTWARE\\Tallowmarch\\Vellumax\\2.0";

// Each test gets a registry file of its own.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mPath = ::testing::TempDir() + "vx-settings-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".db";
        std::remove(mPath.c_str());
        setenv("VX_REGISTRY", mPath.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("VX_REGISTRY");
        for (const char* theSuffix : {"", "-wal", "-shm", "-journal"})
            std::remove((mPath + theSuffix).c_str());
    }
    std::string mPath;
};

TEST_F(SettingsTest, MissingKeyOrValueLeavesTheOutputAlone)
{
    std::uint32_t theValue = 77;
    EXPECT_FALSE(ReadSetting(kLogErrorsSetting, theValue));
    EXPECT_EQ(theValue, 77u);
    WriteSetting("Other", 3);
    EXPECT_FALSE(ReadSetting(kLogErrorsSetting, theValue));
    EXPECT_EQ(theValue, 77u);
}

TEST_F(SettingsTest, WrittenValuesReadBackAfresh)
{
    std::uint32_t theValue = 0;
    WriteSetting(kLogErrorsSetting, 1);
    ASSERT_TRUE(ReadSetting(kLogErrorsSetting, theValue));
    EXPECT_EQ(theValue, 1u);
    DWORD theType = 0;
    DWORD theStored = 0;
    DWORD theSize = sizeof theStored;
    HKEY theKey = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &theKey), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueEx(theKey, "LogErrors", nullptr, &theType, reinterpret_cast<BYTE*>(&theStored), &theSize),
              ERROR_SUCCESS);
    RegCloseKey(theKey);
    EXPECT_EQ(theType, REG_DWORD);
    EXPECT_EQ(theStored, 1u);

    // A change made behind the server's back shows at the next read.
    const DWORD theBig = 0xDEADBEEF;
    ASSERT_EQ(RegSetKeyValue(HKEY_LOCAL_MACHINE, kKey, "LogErrors", REG_DWORD, &theBig, 4), ERROR_SUCCESS);
    ASSERT_TRUE(ReadSetting("logerrors", theValue));
    EXPECT_EQ(theValue, 0xDEADBEEFu);
    WriteSetting(kLogErrorsSetting, 0);
    ASSERT_TRUE(ReadSetting(kLogErrorsSetting, theValue));
    EXPECT_EQ(theValue, 0u);
}

TEST_F(SettingsTest, OnlyValuesOfAtMostFourBytesAreRead)
{
    const char theText[] = "on";  // 3 bytes with its NUL: read whatever its type
    ASSERT_EQ(RegSetKeyValue(HKEY_LOCAL_MACHINE, kKey, "Short", REG_SZ, theText, sizeof theText), ERROR_SUCCESS);
    const BYTE theByte = 5;
    ASSERT_EQ(RegSetKeyValue(HKEY_LOCAL_MACHINE, kKey, "Byte", REG_BINARY, &theByte, 1), ERROR_SUCCESS);
    const char theLong[] = "enabled";
    ASSERT_EQ(RegSetKeyValue(HKEY_LOCAL_MACHINE, kKey, "Long", REG_SZ, theLong, sizeof theLong), ERROR_SUCCESS);

    std::uint32_t theValue = 0xFFFFFFFF;
    ASSERT_TRUE(ReadSetting("Short", theValue));
    EXPECT_EQ(theValue, 0x6E6Fu);  // 'o', 'n', 0 and a zero byte
    theValue = 0xFFFFFFFF;
    ASSERT_TRUE(ReadSetting("Byte", theValue));
    EXPECT_EQ(theValue, 5u);  // not 5 among leftovers
    theValue = 9;
    EXPECT_FALSE(ReadSetting("Long", theValue));
    EXPECT_EQ(theValue, 9u);
}

TEST_F(SettingsTest, UnreadableRegistryReadsAsMissing)
{
    // A folder that is a file can be neither read nor made.
    std::FILE* theFile = std::fopen(mPath.c_str(), "w");
    ASSERT_NE(theFile, nullptr);
    std::fclose(theFile);
    const std::string theBad = mPath + "/registry.db";
    setenv("VX_REGISTRY", theBad.c_str(), 1);
    WriteSetting(kLogErrorsSetting, 1);  // ignored
    std::uint32_t theValue = 4;
    EXPECT_FALSE(ReadSetting(kLogErrorsSetting, theValue));
    EXPECT_EQ(theValue, 4u);
}

}  // namespace

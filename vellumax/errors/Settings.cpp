#include "vellumax/errors/Settings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "automation/Owners.h"
#include "automation/Registry.h"

namespace {

std::string SettingsKeyPath()
{
    char thePath[128];
    std::snprintf(thePath, sizeof thePath, "SOFTWARE\\%s\\%s\\%s", "Tallowmarch", "Vellumax", "2.0");
    return thePath;
}

}  // namespace

bool ReadSetting(const char* inName, std::uint32_t& outValue)
{
    HKEY theOpened = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, SettingsKeyPath().c_str(), 0, KEY_READ, &theOpened) != ERROR_SUCCESS)
        return false;
    const vx::RegistryKeyRef theKey(theOpened);
    // Zeroed so that a value shorter than 4 bytes reads as that value, not as leftovers.
    BYTE theData[4] = {0, 0, 0, 0};
    DWORD theSize = sizeof theData;
    const LONG theResult = RegQueryValueEx(theKey.get(), inName, nullptr, nullptr, theData, &theSize);
    if (theResult != ERROR_SUCCESS || theSize > sizeof theData)
        return false;
    std::memcpy(&outValue, theData, sizeof outValue);
    return true;
}

void WriteSetting(const char* inName, std::uint32_t inValue)
{
    HKEY theCreated = nullptr;
    if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, SettingsKeyPath().c_str(), 0, "", REG_OPTION_NON_VOLATILE, KEY_WRITE,
                       nullptr, &theCreated, nullptr) != ERROR_SUCCESS)
        return;
    const vx::RegistryKeyRef theKey(theCreated);
    RegSetValueEx(theKey.get(), inName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&inValue), sizeof inValue);
}

std::uint32_t MaxPixels()
{
    std::uint32_t theLimit = 0;
    if (!ReadSetting(kMaxPixelsSetting, theLimit) || theLimit == 0)
        return kDefaultMaxPixels;
    return std::min(theLimit, kHardMaxPixels);
}

std::string PixelLimitMessage(std::int64_t inWidth, std::int64_t inHeight, std::uint32_t inLimit)
{
    char theText[200];
    std::snprintf(theText, sizeof theText,
                  "A picture of %lld x %lld pixels is larger than the limit of %lu pixels set by %s. "
                  "A page raises it with the canvas's %s property, up to %lu.",
                  static_cast<long long>(inWidth), static_cast<long long>(inHeight),
                  static_cast<unsigned long>(inLimit), kMaxPixelsSetting, kMaxPixelsSetting,
                  static_cast<unsigned long>(kHardMaxPixels));
    return theText;
}

std::string SideLimitMessage(std::int64_t inWidth, std::int64_t inHeight)
{
    char theText[160];
    std::snprintf(theText, sizeof theText,
                  "A picture of %lld x %lld pixels has a side over %d pixels, the most a canvas can hold.",
                  static_cast<long long>(inWidth), static_cast<long long>(inHeight), int(kMaxStoreSide));
    return theText;
}

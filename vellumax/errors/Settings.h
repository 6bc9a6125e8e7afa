// The server's settings: 32-bit values under
// HKEY_LOCAL_MACHINE\SOFTWARE\Tallowmarch\Vellumax\2.0, read afresh at every call.
#pragma once

#include <cstdint>
#include <string>

inline constexpr const char* kLogErrorsSetting = "LogErrors";
// The most pixels a canvas or a decoded picture may have; 16384 x 16384 when unset.
inline constexpr const char* kMaxPixelsSetting = "MaxPixels";
inline constexpr std::uint32_t kDefaultMaxPixels = std::uint32_t(1) << 28;

// True only when the key and a value of at most 4 bytes exist; outValue is
// left unchanged otherwise. The value's registry type is not examined.
bool ReadSetting(const char* inName, std::uint32_t& outValue);
// Stores the value as REG_DWORD, making the key when missing; failures are ignored.
void WriteSetting(const char* inName, std::uint32_t inValue);

// The MaxPixels setting, or its default when unset or 0.
std::uint32_t MaxPixels();
// Says that a picture of inWidth x inHeight pixels is over inLimit, naming the setting.
std::string PixelLimitMessage(std::int64_t inWidth, std::int64_t inHeight, std::uint32_t inLimit);

// The server's settings: 32-bit values under
// HKEY_LOCAL_MACHINE\SOFTWARE\Tallowmarch\Vellumax\2.0, read afresh at every call.
#pragma once

#include <cstdint>
#include <string>

inline constexpr const char* kLogErrorsSetting = "LogErrors";
// The most pixels a canvas or a decoded picture may have when neither the
// object nor the setting says: 2048 x 2048. Measured, the costliest decode of
// that size (progressive JPEG) takes about 200 ms, any format under 50 MB:
// twice the side would be four times as much.
inline constexpr const char* kMaxPixelsSetting = "MaxPixels";
inline constexpr std::uint32_t kDefaultMaxPixels = std::uint32_t(1) << 22;
// Stores have 16-bit sides; no limit, however raised, goes beyond what one holds.
inline constexpr std::int32_t kMaxStoreSide = 32767;
inline constexpr std::uint32_t kHardMaxPixels = std::uint32_t(kMaxStoreSide) * kMaxStoreSide;

// True only when the key and a value of at most 4 bytes exist; outValue is
// left unchanged otherwise. The value's registry type is not examined.
bool ReadSetting(const char* inName, std::uint32_t& outValue);
// Stores the value as REG_DWORD, making the key when missing; failures are ignored.
void WriteSetting(const char* inName, std::uint32_t inValue);

// The MaxPixels setting, or its default when unset or 0; never above kHardMaxPixels.
std::uint32_t MaxPixels();
// Says that a picture of inWidth x inHeight pixels is over inLimit, naming the
// setting and how a page raises it.
std::string PixelLimitMessage(std::int64_t inWidth, std::int64_t inHeight, std::uint32_t inLimit);
// Says that a picture of inWidth x inHeight pixels has a side no store can hold.
std::string SideLimitMessage(std::int64_t inWidth, std::int64_t inHeight);

// The server's settings: 32-bit values under
// HKEY_LOCAL_MACHINE\SOFTWARE\Tallowmarch\Vellumax\2.0, read afresh at every call.
#pragma once

#include <cstdint>

inline constexpr const char* kLogErrorsSetting = "LogErrors";

// True only when the key and a value of at most 4 bytes exist; outValue is
// left unchanged otherwise. The value's registry type is not examined.
bool ReadSetting(const char* inName, std::uint32_t& outValue);
// Stores the value as REG_DWORD, making the key when missing; failures are ignored.
void WriteSetting(const char* inName, std::uint32_t inValue);

// The most parts XMultipart.SetData accepts, unless a script sets MaxParts:
// the registry setting named here, or the default when it is unset or 0. The
// default is far more fields than a real form has, and few enough that any
// body is parsed, enumerated and indexed by name in milliseconds.
#pragma once

inline constexpr const char* kMaxPartsSetting = "MaxParts";
inline constexpr long kDefaultMaxParts = 10000;

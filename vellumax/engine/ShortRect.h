// Rectangles of the parameter record as the imaging platform's 16-bit
// rectangles: each coordinate clamped to the signed 16-bit range.
#pragma once

#include <algorithm>
#include <cstdint>

#include "imaging/MacTypes.h"
#include "vellumax/params/ValueTypes.h"

inline std::int16_t ClampToShort(std::int32_t inValue)
{
    return std::int16_t(std::clamp<std::int32_t>(inValue, -32768, 32767));
}

inline Rect ShortRect(const LongRect& inRect)
{
    return Rect{ClampToShort(inRect.top), ClampToShort(inRect.left), ClampToShort(inRect.bottom),
                ClampToShort(inRect.right)};
}

#include "vellumax/params/ValueTypes.h"

#include <algorithm>
#include <cmath>

// ---- ColorValue ------------------------------------------------------------------

float PercentFromComponent(std::uint16_t inComponent)
{
    const float thePercent = float(inComponent * 100.0 / 65535.0);
    return std::clamp(thePercent, 0.0f, 100.0f);
}

std::uint16_t ComponentFromPercent(double inPercent)
{
    if (!(inPercent > 0.0))  // NaN too
        return 0;
    inPercent = std::min(inPercent, 100.0);
    return std::uint16_t(inPercent / 100.0 * 65535.0);
}

void ColorValue::SetComponents(std::uint16_t inRed, std::uint16_t inGreen, std::uint16_t inBlue, std::uint16_t inAlpha)
{
    red = inRed;
    green = inGreen;
    blue = inBlue;
    alpha = inAlpha;
    pattern = 0;
}

void ColorValue::GetPercentages(float* outRed, float* outGreen, float* outBlue, float* outAlpha) const
{
    *outRed = PercentFromComponent(red);
    *outGreen = PercentFromComponent(green);
    *outBlue = PercentFromComponent(blue);
    *outAlpha = PercentFromComponent(alpha);
}

void ColorValue::SetPercentages(float inRed, float inGreen, float inBlue, float inAlpha)
{
    SetComponents(ComponentFromPercent(inRed), ComponentFromPercent(inGreen), ComponentFromPercent(inBlue),
                  ComponentFromPercent(inAlpha));
}

std::uint32_t ColorValue::ToColorRef() const
{
    return std::uint32_t(red >> 8) | (std::uint32_t(green >> 8) << 8) | (std::uint32_t(blue >> 8) << 16);
}

void ColorValue::FromColorRef(std::uint32_t inValue)
{
    SetComponents(std::uint16_t((inValue & 0xFF) << 8), std::uint16_t(inValue & 0xFF00),
                  std::uint16_t(((inValue >> 16) & 0xFF) << 8), 65535);
}

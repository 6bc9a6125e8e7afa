#include "objects_pictures/SyntheticPhoto.h"

#include <algorithm>
#include <cmath>

namespace pictures {

std::vector<std::uint8_t> SyntheticPhotoRgb(std::uint32_t inWidth, std::uint32_t inHeight)
{
    std::vector<std::uint8_t> theSamples(std::size_t(inWidth) * inHeight * 3);
    std::uint32_t theSeed = 12345;
    const double theW = inWidth;
    const double theH = inHeight;
    for (std::uint32_t theY = 0; theY < inHeight; ++theY)
        for (std::uint32_t theX = 0; theX < inWidth; ++theX) {
            const double u = theX / theW;
            const double v = theY / theH;
            // Sky to ground.
            double r = 90 + 120 * v;
            double g = 140 + 60 * std::sin(3 * u + 1);
            double b = 220 - 150 * v;
            // A disc with a hard rim.
            const double dx = u - 0.3, dy = v - 0.4;
            if (dx * dx * theW * theW + dy * dy * theH * theH < 0.04 * theW * theW) {
                r = 230 - 80 * dy * 4;
                g = 180 + 40 * dx * 4;
                b = 40;
            }
            // Fine stripes (a fence, a fabric): periods of 3 to 6 pixels.
            if (u > 0.55 && v > 0.15 && v < 0.65)
                g += 50 * std::sin(theX * 2.1 + theY * 0.35);
            if (v > 0.7)
                r += 35 * std::sin(theX * 1.3) * std::cos(theY * 1.7);
            // A slanted bar.
            if (std::fabs((u - 0.7) - (v - 0.75) * 0.5) < 0.02)
                r = g = b = 20;
            // Grain.
            theSeed = theSeed * 1103515245u + 12345u;
            const double theGrain = double(int(theSeed >> 24) - 128) / 16.0;
            std::uint8_t* theOut = &theSamples[(std::size_t(theY) * inWidth + theX) * 3];
            theOut[0] = std::uint8_t(std::clamp(r + theGrain, 0.0, 255.0));
            theOut[1] = std::uint8_t(std::clamp(g + theGrain, 0.0, 255.0));
            theOut[2] = std::uint8_t(std::clamp(b + theGrain, 0.0, 255.0));
        }
    return theSamples;
}

}  // namespace pictures

// A picture with what makes photographs hard to shrink: soft gradients, hard
// edges at every angle, fine stripes near the pixel pitch and grain. Made by
// a fixed recipe, so that every run and every program gets the same pixels.
#pragma once

#include <cstdint>
#include <vector>

namespace pictures {

// Rows of R, G, B samples, top row first.
std::vector<std::uint8_t> SyntheticPhotoRgb(std::uint32_t inWidth, std::uint32_t inHeight);

}  // namespace pictures

// The PNG writer for progressive (not interlaced) files: filters chosen per row, one deflate
// over the whole image, chunks written here.
#pragma once

#include <cstdint>
#include <vector>

#include "PngForm.h"
#include "codecs/Status.h"

namespace vx::codecs {

// 1 (fastest) to 12 (smallest) from the 0…1024 quality scale.
int PngDeflateLevel(int32_t inQuality);

Status WriteProgressivePng(const PngForm& inForm, int inLevel, std::vector<uint8_t>& outBytes);

}  // namespace vx::codecs

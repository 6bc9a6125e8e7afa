// Writes a colour or a pattern into a 32-bit store where a coverage mask says,
// as OpenGL's smoothed drawing with source-alpha blending would: a fill's
// first pass sets every pixel whose centre it holds to its colour, alpha
// included, unblended; partly covered pixels around it, and every pixel of a
// stroke, are blended by the covered area times the colour's alpha.
#pragma once

#include <cstdint>

#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/CoverageMask.h"

class CoveragePainter {
public:
    // A pattern's pixels, repeating in both directions: byte offsets of the
    // channels within a 4-byte pixel; alpha ignored (opaque) when inOpaque.
    struct Texture {
        const std::uint8_t* mBase = nullptr;
        long mRowBytes = 0;
        std::int32_t mWidth = 0;   // a power of two
        std::int32_t mHeight = 0;  // a power of two
        int mRed = 0, mGreen = 1, mBlue = 2, mAlpha = 3;
        bool mOpaque = false;
    };

    // As OpenGL (above), or every pixel by its covered area times the
    // colour's alpha, composited source over with straight alpha (alphablend).
    enum class Compositing { kAsOpenGL, kSourceOver };

    struct Source {
        double mColor[4] = {1, 1, 1, 1};  // red, green, blue, alpha in 0..1; modulates the texture
        Compositing mCompositing = Compositing::kAsOpenGL;
        const Texture* mTexture = nullptr;
        // Store pixels back to canvas coordinates (a, b, c, d, e, f: x' = a x + c y + e),
        // where the texture repeats every width × height units from the origin.
        double mInverse[6] = {1, 0, 0, 1, 0, 0};
    };

    enum class Mode { kFill, kStroke };
    enum class Smoothing { kOff, kOn };

    // inTarget: the whole locked store, 32 bits deep; the mask's box lies inside it.
    static void Paint(const Bitmap::PixelAccess& inTarget, const CoverageMask& inMask, const Source& inSource,
                      Mode inMode, Smoothing inSmoothing);
};

// Image descriptions and decompression of uncompressed pixel data into a pixel map.
//
// Data of an image described with cType 'raw ' is laid out as a Windows device-independent bitmap:
//   - depth 1, 2, 4, 8: palette indices, leftmost pixel in the highest bits; the palette is the
//     attached colour table (SetImageDescriptionCTable), else the default table of the depth;
//   - depth 16: x-5-5-5, little-endian; 24: B, G, R; 32: B, G, R, A (alpha is used by the alpha
//     modes and copied by srcCopy);
//   - row order: height > 0 means the rows are stored bottom-up (the last row first), height < 0
//     means |height| rows stored top-down, as the sign of a bitmap header's height;
//   - row bytes: ((width × depth + 31) / 32) × 4, unless an extension of type 'rowb' (a native
//     32-bit integer, added with AddImageDescriptionExtension) gives them.
// The data size (the description's dataSize, else FDecompressImage's inDataSize), when not 0, must
// cover all rows: otherwise -8969 and nothing is drawn. With both 0 the caller vouches for the data.
#pragma once

#include "imaging/ImageMatrix.h"
#include "imaging/QuickDraw.h"

using CodecType = OSType;
using CodecQ = std::uint32_t;

constexpr CodecType kRawCodecType = FourCharCode("raw ");
constexpr OSType kImageRowBytesExtension = FourCharCode("rowb");
constexpr CodecQ codecNormalQuality = 0x200;
constexpr CodecQ codecMaxQuality = 0x3FF;
constexpr long bestFidelityCodec = -2;

#pragma pack(push, 2)
struct ImageDescription {
    std::int32_t idSize;  // 86 plus the attached extensions and colour table
    CodecType cType;
    std::int32_t resvd1;
    std::int16_t resvd2;
    std::int16_t dataRefIndex;
    std::int16_t version;
    std::int16_t revisionLevel;
    std::int32_t vendor;
    CodecQ temporalQuality;
    CodecQ spatialQuality;
    std::int16_t width;
    std::int16_t height;
    Fixed hRes;
    Fixed vRes;
    std::int32_t dataSize;
    std::int16_t frameCount;
    Str31 name;
    std::int16_t depth;
    std::int16_t clutID;  // -1 when no standard table is meant
};
#pragma pack(pop)
static_assert(sizeof(ImageDescription) == 86);
using ImageDescriptionPtr = ImageDescription*;
using ImageDescriptionHandle = ImageDescriptionPtr*;

// Extensions follow the 86 bytes as [int32 size][OSType type][data], size counting all of it.
OSErr AddImageDescriptionExtension(ImageDescriptionHandle ioDesc, Handle inExtension, OSType inType);
// Attaches a copy of the table (null removes it).
OSErr SetImageDescriptionCTable(ImageDescriptionHandle ioDesc, CTabHandle inTable);
// A new copy of the attached table in *outTable, or null when there is none.
OSErr GetImageDescriptionCTable(ImageDescriptionHandle inDesc, CTabHandle* outTable);

// Draws inSourceRect of the image (null: all of it; clipped to the image) onto inDestRect of the
// pixel map (its bounds' coordinates), scaled when the sizes differ.
OSErr DecompressImage(Ptr inData, ImageDescriptionHandle inDesc, PixMapHandle inDest, const Rect* inSourceRect,
                      const Rect* inDestRect, short inMode, RgnHandle inMask);
// The matrix maps image coordinates (0, 0 at the top-left of the image) to pixel-map coordinates;
// only the source rectangle's part is drawn. A pure whole-pixel translation copies pixels
// exactly; any other matrix samples bilinearly at pixel centres. The mask region (pixel-map
// coordinates) limits the pixels touched. Matte, accuracy, codec, data and progress procedures are
// accepted and not used. The operation colour is the current port's. Unknown modes give -50.
OSErr FDecompressImage(Ptr inData, ImageDescriptionHandle inDesc, PixMapHandle inDest, const Rect* inSourceRect,
                       const MatrixRecord* inMatrix, short inMode, RgnHandle inMask, PixMapHandle inMatte,
                       const Rect* inMatteRect, long inAccuracy, long inCodec, long inDataSize, void* inDataProc,
                       void* inProgressProc);

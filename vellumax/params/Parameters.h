// The record of one drawing, measuring or saving call: what the canvas
// defaults and the call's parameter string say, and the geometry derived from
// it. Field names are those the engine and the savers read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vellumax/params/ParameterParser.h"
#include "vellumax/params/Utilities.h"

// One transform keyword as it was read. The record keeps them in order; the
// engine applies them to a matrix when an operation runs (DrawingTransform).
struct TransformStep {
    enum class Kind : std::int32_t { kRotate, kScale, kSkew, kTranslate };

    Kind kind = Kind::kTranslate;
    // Rotate: the angle in degrees, then unused; scale and skew: x and y.
    float values[2] = {};
    // Rotate, scale and skew: the centre; translate: the offset.
    LongPoint point;

    bool operator==(const TransformStep&) const = default;
};

// The pattern canvas as the object layer hands it in with the canvas
// defaults; the engine makes the brush from it (Operation::GetPatternBitmap).
struct PatternBitmap {
    enum class Source : std::int32_t {
        kNone,    // no pattern canvas
        kHandle,  // handle: the pattern canvas's bitmap, 0 when it has no pixels
        kFailed,  // error: the result of asking the pattern canvas for its bitmap
        kTarget,  // the canvas is its own pattern: the store the operation runs on
    };

    Source source = Source::kNone;
    std::uint32_t handle = 0;  // a drawing-layer bitmap handle
    std::int32_t error = 0;    // an HRESULT
};

class Parameters : public ParameterParser {
public:
    static constexpr std::int32_t kMaxPoints = 1024;
    static constexpr std::size_t kFaceNameLength = 31;  // what the drawing layer takes as a face name
    // Bytes of UTF-8 text one call lays out unless maxtext says otherwise:
    // about what one pixel high type of two alternating scripts lays out in
    // well under a quarter of a second. The ceiling keeps a slip of the
    // keyword from asking for text of any length.
    static constexpr std::int32_t kDefaultMaxText = 32 * 1024;
    static constexpr std::int32_t kMaxTextCeiling = 16 * 1024 * 1024;

    // The keywords SetParameter knows, in the order it tries them (for references).
    static std::size_t KeywordCount();
    static const char* KeywordAt(std::size_t inIndex);

    Parameters();
    Parameters(const Parameters&) = default;
    Parameters& operator=(const Parameters&) = default;
    ~Parameters() override = default;

    // The keyword table.
    void SetParameter(const char* inName, const char* inValue) override;

    // A font list as the textfont keyword and the canvas's TextFont give it.
    // The engine matches the lists against the installed families when text
    // is drawn (FontMatching): the newest list that names a family wins, and
    // Font is the face when none does. A list given again only becomes the
    // newest, so that the lists kept stay few.
    void AddFontList(const char* inList);

    // Rect, or Position and Size, moved by Move and inset by Inset.
    LongRect PlacementRect() const;
    // Where a drawn object of natural size goes: the placement, or natural
    // moved by Position when neither rect nor size was given, then fitted
    // (never enlarged) into the placement or bounds when Fit is set.
    LongRect DestinationRect(const LongRect& inNatural, const LongRect& inBounds) const;
    LongRect SourceRectOr(const LongRect& inFallback) const;

    ColorValue PenColor = ColorValue::Black();
    ColorValue TextColor = ColorValue::Black();
    ColorValue PaintColor = ColorValue::White();
    std::int32_t PenSize = 1;
    char Font[kTextCapacity] = {};       // a face name of at most 31 characters
    std::vector<std::string> FontLists;  // oldest first
    std::int32_t TextSize = 9;
    TextStyleRecord TextStyle;
    HAlignKind HAlign = kHAlignLeft;
    VAlignKind VAlign = kVAlignTop;
    std::int32_t Dither = 0;
    LongRect Rect;
    std::int32_t RectGiven = 0;
    LongPoint Position;
    LongPoint Size;
    std::int32_t SizeGiven = 0;
    LongPoint Inset;
    LongPoint Move;
    // The transform keywords in the order given (they accumulate).
    std::vector<TransformStep> Transform;
    ShapeKind Shape = kNoShapeType;
    DrawOperation DrawOp = kDrawAndPaint;
    LongPoint CornerSize{16, 16};
    std::int32_t PointCount = 0;
    // Only the first PointCount are ever read: the list is left unzeroed, as
    // clearing 8 KB cost more than the rest of making a shape's record.
    class PointStorage {
    public:
        operator LongPoint*() { return reinterpret_cast<LongPoint*>(mBytes); }
        operator const LongPoint*() const { return reinterpret_cast<const LongPoint*>(mBytes); }

    private:
        alignas(LongPoint) unsigned char mBytes[kMaxPoints * sizeof(LongPoint)];
    };
    PointStorage Points;
    std::string Text;                        // UTF-8, well formed: what the drawing layer reads
    std::int32_t MaxText = kDefaultMaxText;  // bytes of Text, 1 to kMaxTextCeiling
    PatternBitmap Pattern;
    CodecQuality Quality = kNormalQuality;
    std::int32_t Interlace = 0;
    std::int32_t Depth = 32;
    // Named in the string (else the canvas's own depth), so an exporter may pick its smallest form.
    std::int32_t DepthGiven = 0;
    char Type[kTextCapacity] = {};
    TransferMode Mode = kCopyMode;
    ColorValue ModeColor = ColorValue::Black();
    std::int32_t Image = 1;
    std::int32_t OpenGL = 0;
    // Translucent pen, paint and text colours composite over the canvas
    // (alphablend) instead of replacing its pixels.
    std::int32_t AlphaBlend = 0;
    // DrawFile and DrawData: the picture turned as its EXIF orientation says
    // (upright), and how a shrunk picture is filtered (resample).
    std::int32_t Upright = 0;
    enum class Filter : std::int32_t { kArea, kLanczos };
    Filter Resample = Filter::kArea;
    LongPoint TransparentPoint;
    std::int32_t TransparentGiven = 0;
    LongRect SourceRect;
    std::int32_t SourceRectGiven = 0;
    std::int32_t Fit = 0;
    // GIF options for pages: a table made from the picture instead of the
    // fixed one (palette=adaptive), and compressing LZW codes (compress).
    std::int32_t AdaptivePalette = 0;
    std::int32_t Compress = 0;
};

#include "DeviceContext.h"

#include "CappedText.h"
#include "ShapeGeometry.h"
#include "TextContext.h"
#include "TextLayout.h"

#include <algorithm>
#include <cmath>
#include <glib.h>
#include <limits>

namespace {

constexpr int kDefaultTabLength = 4;

// Text as Pango takes it: invalid bytes become '?', keeping every offset.
std::string ValidText(const char* inText, int inLength)
{
    std::string theText(inText, static_cast<std::size_t>(inLength));
    const char* theEnd = nullptr;
    while (!g_utf8_validate(theText.data(), static_cast<gssize>(theText.size()), &theEnd)) {
        theText[static_cast<std::size_t>(theEnd - theText.data())] = '?';
    }
    return theText;
}

// What a format and the extra parameters ask of DrawText.
struct TextFormat {
    UINT mFlags = 0;  // without the tab length
    int mTabLength = kDefaultTabLength;
    int mLeftMargin = 0;
    int mRightMargin = 0;

    TextFormat(UINT inFormat, const DRAWTEXTPARAMS* inParams) : mFlags(inFormat)
    {
        if ((inFormat & DT_TABSTOP) != 0) {
            // The tab length takes the format's bits 8 to 15, as the classic call reads them.
            mTabLength = static_cast<int>((inFormat >> 8) & 0xFF);
            mFlags &= ~0xFF00u;
        }
        if (inParams != nullptr) {
            if (inParams->iTabLength > 0) {
                mTabLength = inParams->iTabLength;
            }
            mLeftMargin = inParams->iLeftMargin;
            mRightMargin = inParams->iRightMargin;
        }
    }
    bool Has(UINT inFlag) const { return (mFlags & inFlag) != 0; }
    TextLayout::Wrap Wrap() const
    {
        if (!Has(DT_WORDBREAK) || Has(DT_SINGLELINE)) {
            return TextLayout::Wrap::kNone;
        }
        return Has(DT_EDITCONTROL) ? TextLayout::Wrap::kWordsAndCharacters : TextLayout::Wrap::kWords;
    }
};

}  // namespace

// A block of text laid out for one DrawText call.
struct DeviceContext::TextBlock {
    TextBlock(const TextFormat& inFormat, const CappedText& inText, TextLayout& inLayout)
        : mFormat(inFormat), mText(inText), mLayout(inLayout)
    {
    }
    const TextFormat& mFormat;
    const CappedText& mText;
    TextLayout& mLayout;
    std::vector<TextLine> mLines;
    int mLineHeight = 0;
    double mLeft = 0;       // of the lines' room, inside the margins
    double mAvailable = 0;  // their width
    double mTop = 0;
    std::size_t mVisible = 0;  // lines drawn

    double LineX(const TextLine& inLine) const
    {
        if (mFormat.Has(DT_CENTER)) {
            return mLeft + std::floor((mAvailable - inLine.mWidth) / 2);
        }
        if (mFormat.Has(DT_RIGHT)) {
            return mLeft + mAvailable - inLine.mWidth;
        }
        return mLeft;
    }
    int Height() const { return static_cast<int>(mLines.size()) * mLineHeight; }
};

void DeviceContext::ShowText(cairo_t* inContext, const char* inText, int inLength, double inX, double inTop,
                             TextAs inAs)
{
    const PangoLayoutOwner theLayout(pango_layout_new(TextContext::Current()));
    pango_layout_set_font_description(theLayout.get(), mFont->Description());
    pango_layout_set_single_paragraph_mode(theLayout.get(), TRUE);
    if (PangoAttrList* theAttributes = mFont->NewAttributes()) {
        pango_layout_set_attributes(theLayout.get(), theAttributes);
        pango_attr_list_unref(theAttributes);
    }
    pango_layout_set_text(theLayout.get(), inText, inLength);
    TextLayout::CountShaped(inLength);
    const double theBaseline = pango_layout_get_baseline(theLayout.get()) / double(PANGO_SCALE);
    cairo_move_to(inContext, inX, inTop + mFont->Metrics().mAscent - theBaseline);
    if (inAs == TextAs::kPath) {
        pango_cairo_layout_path(inContext, theLayout.get());
    } else {
        pango_cairo_show_layout(inContext, theLayout.get());
    }
}

bool DeviceContext::TextExtent(const char* inText, int inLength, SIZE* outSize)
{
    const std::string theText = ValidText(inText, inLength);
    const PangoLayoutOwner theLayout(pango_layout_new(TextContext::Current()));
    pango_layout_set_font_description(theLayout.get(), mFont->Description());
    pango_layout_set_single_paragraph_mode(theLayout.get(), TRUE);
    pango_layout_set_text(theLayout.get(), theText.data(), static_cast<int>(theText.size()));
    PangoRectangle theLogical;
    pango_layout_get_extents(theLayout.get(), nullptr, &theLogical);
    outSize->cx = theText.empty() ? 0 : static_cast<int>(std::lround(theLogical.width / double(PANGO_SCALE)));
    outSize->cy = mFont->Metrics().mAscent + mFont->Metrics().mDescent;
    return true;
}

bool DeviceContext::TextOut(int inX, int inY, const char* inText, int inLength, const RECT* inOpaque,
                            const RECT* inClip)
{
    const std::string theText = ValidText(inText, inLength);
    const int theLength = static_cast<int>(theText.size());
    if (mPathState == PathState::kRecording) {
        if (theLength > 0) {
            Materialize();
            ShowText(mFillRecorder.get(), theText.data(), theLength, inX, inY, TextAs::kPath);
            ShowText(mStrokeRecorder.get(), theText.data(), theLength, inX, inY, TextAs::kPath);
            mCorners = Corners::kSharp;
            mRecorded = Recorded::kOther;
        }
        return true;
    }
    if (mBitmap == nullptr) {
        return true;
    }
    SIZE theSize{};
    TextExtent(theText.data(), theLength, &theSize);
    const double theEm = mFont->Metrics().mMaxCharWidth;
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    double theLeft = kInfinity, theTop = kInfinity, theRight = -kInfinity, theBottom = -kInfinity;
    TransformedBounds(inX - theEm, inY - theEm, inX + theSize.cx + theEm, inY + theSize.cy + theEm, theLeft, theTop,
                      theRight, theBottom);
    if (inOpaque != nullptr) {
        TransformedBounds(inOpaque->left, inOpaque->top, inOpaque->right, inOpaque->bottom, theLeft, theTop, theRight,
                          theBottom);
    }
    PaintLayer(theLeft - 1, theTop - 1, theRight + 1, theBottom + 1, [&](cairo_t* inContext) {
        cairo_transform(inContext, &mTransform);
        if (inClip != nullptr) {
            cairo_rectangle(inContext, inClip->left, inClip->top, inClip->right - inClip->left,
                            inClip->bottom - inClip->top);
            cairo_clip(inContext);
        }
        SetSourceColor(inContext, mBkColor);
        if (inOpaque != nullptr) {
            cairo_rectangle(inContext, inOpaque->left, inOpaque->top, inOpaque->right - inOpaque->left,
                            inOpaque->bottom - inOpaque->top);
            cairo_fill(inContext);
        } else if (mBkMode == OPAQUE && theLength > 0) {
            cairo_rectangle(inContext, inX, inY, theSize.cx, theSize.cy);
            cairo_fill(inContext);
        }
        if (theLength > 0) {
            SetSourceColor(inContext, mTextColor, mTextAlpha);
            ShowText(inContext, theText.data(), theLength, inX, inY, TextAs::kInk);
        }
    });
    return true;
}

int DeviceContext::DrawText(const char* inText, int inLength, RECT* ioRect, UINT inFormat, DRAWTEXTPARAMS* ioParams)
{
    const std::string theGiven = ValidText(inText, inLength);
    const CappedText theCapped(theGiven);
    const std::string& theText = theCapped.Text();
    const TextFormat theFormat(inFormat, ioParams);
    if (ioParams != nullptr) {
        ioParams->uiLengthDrawn = 0;
    }
    if (theText.empty()) {
        if (theFormat.Has(DT_CALCRECT)) {
            ioRect->right = ioRect->left;
            ioRect->bottom = ioRect->top;
        }
        return 0;
    }
    const FontMetrics& theMetrics = mFont->Metrics();
    const int theLineHeight = theMetrics.mAscent + theMetrics.mDescent;
    std::size_t theMaxLines = TextLayout::kAllLines;
    if (theFormat.Has(DT_STOPATBOTTOM) && theLineHeight > 0) {
        const double theRoom = static_cast<double>(ioRect->bottom) - ioRect->top;
        theMaxLines = static_cast<std::size_t>(std::max(1.0, std::ceil(theRoom / theLineHeight)));
    }
    TextLayout theLayout(*mFont, theText, static_cast<double>(theFormat.mTabLength) * theMetrics.mAveCharWidth);
    TextBlock theBlock(theFormat, theCapped, theLayout);
    theBlock.mLineHeight = theLineHeight;
    theBlock.mLeft = static_cast<double>(ioRect->left) + theFormat.mLeftMargin;
    theBlock.mAvailable = static_cast<double>(ioRect->right) - theFormat.mRightMargin - theBlock.mLeft;
    const bool theSingleLine = theFormat.Has(DT_SINGLELINE);
    theBlock.mLines =
        theLayout.Lay(theBlock.mAvailable, theFormat.Wrap(),
                      theSingleLine ? TextLayout::Lines::kSingle : TextLayout::Lines::kParagraphs, theMaxLines);
    if (theFormat.Has(DT_CALCRECT)) {
        return MeasureBlock(theBlock, ioRect, ioParams);
    }
    theBlock.mTop = ioRect->top;
    if (theSingleLine && theFormat.Has(DT_VCENTER)) {
        theBlock.mTop = ioRect->top + (ioRect->bottom - ioRect->top - theLineHeight) / 2;
    } else if (theSingleLine && theFormat.Has(DT_BOTTOM)) {
        theBlock.mTop = ioRect->bottom - theLineHeight;
    }
    theBlock.mVisible = theBlock.mLines.size();
    if (theFormat.Has(DT_EDITCONTROL)) {
        theBlock.mVisible = 0;
        while (theBlock.mVisible < theBlock.mLines.size() &&
               theBlock.mTop + static_cast<double>(theBlock.mVisible + 1) * theLineHeight <= ioRect->bottom) {
            ++theBlock.mVisible;
        }
    }
    if (ioParams != nullptr && theBlock.mVisible > 0) {
        ioParams->uiLengthDrawn = static_cast<UINT>(theCapped.Original(theBlock.mLines[theBlock.mVisible - 1].mNext));
    }
    if (mPathState == PathState::kRecording) {
        Materialize();
        DrawLines(mFillRecorder.get(), theBlock, TextAs::kPath);
        DrawLines(mStrokeRecorder.get(), theBlock, TextAs::kPath);
        mCorners = Corners::kSharp;
        mRecorded = Recorded::kOther;
    } else if (mBitmap != nullptr && theBlock.mVisible > 0) {
        PaintBlock(theBlock, *ioRect);
    }
    return theBlock.Height();
}

int DeviceContext::MeasureBlock(const TextBlock& inBlock, RECT* ioRect, DRAWTEXTPARAMS* ioParams) const
{
    double theWidest = 0;
    for (const TextLine& theLine : inBlock.mLines) {
        theWidest = std::max(theWidest, theLine.mWidth);
    }
    const int theWidth =
        static_cast<int>(std::lround(theWidest)) + inBlock.mFormat.mLeftMargin + inBlock.mFormat.mRightMargin;
    if (inBlock.mFormat.Has(DT_CENTER)) {
        ioRect->left = ioRect->left + (ioRect->right - ioRect->left - theWidth) / 2;
        ioRect->right = ioRect->left + theWidth;
    } else if (inBlock.mFormat.Has(DT_RIGHT)) {
        ioRect->left = ioRect->right - theWidth;
    } else {
        ioRect->right = ioRect->left + theWidth;
    }
    ioRect->bottom = ioRect->top + inBlock.Height();
    if (ioParams != nullptr) {
        ioParams->uiLengthDrawn = static_cast<UINT>(inBlock.mText.Original(inBlock.mLines.back().mNext));
    }
    return inBlock.Height();
}

void DeviceContext::DrawLines(cairo_t* inContext, const TextBlock& inBlock, TextAs inAs)
{
    const std::string& theText = inBlock.mText.Text();
    // Ink is shaped only for the pieces that reach the pixels painted; a
    // path takes every piece.
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    double theClipLeft = -kInfinity, theClipTop = -kInfinity, theClipRight = kInfinity, theClipBottom = kInfinity;
    if (inAs == TextAs::kInk) {
        cairo_clip_extents(inContext, &theClipLeft, &theClipTop, &theClipRight, &theClipBottom);
    }
    const LOGFONTA& theLogFont = mFont->LogFont();
    const bool theBlanksShow = theLogFont.lfUnderline != 0 || theLogFont.lfStrikeOut != 0;
    // Underlines, strike-outs and paths come from a layout of each piece.
    const bool theKeptGlyphs = inAs == TextAs::kInk && !theBlanksShow;
    const double theEm = mFont->Metrics().mMaxCharWidth;
    for (std::size_t theIndex = 0; theIndex < inBlock.mVisible; ++theIndex) {
        const TextLine& theLine = inBlock.mLines[theIndex];
        const double theX = inBlock.LineX(theLine);
        const double theY = inBlock.mTop + static_cast<double>(theIndex) * inBlock.mLineHeight;
        if (theY + inBlock.mLineHeight + theEm < theClipTop || theY - theEm > theClipBottom) {
            continue;
        }
        if (inAs == TextAs::kInk && mBkMode == OPAQUE && theLine.mWidth > 0) {
            SetSourceColor(inContext, mBkColor);
            cairo_rectangle(inContext, theX, theY, theLine.mWidth, inBlock.mLineHeight);
            cairo_fill(inContext);
            SetSourceColor(inContext, mTextColor, mTextAlpha);
        }
        for (const TextSegment& theSegment : inBlock.mLayout.Segments(theLine)) {
            if (theX + theSegment.mX - theEm > theClipRight) {
                break;  // pieces only move right
            }
            const auto theFirst = theText.begin() + theSegment.mStart;
            const auto theLast = theText.begin() + theSegment.mEnd;
            if (!theBlanksShow && std::all_of(theFirst, theLast, [](char inByte) { return inByte == ' '; })) {
                continue;
            }
            // A layout of the piece alone would put its baseline the font's ascent below the top.
            if (theKeptGlyphs && inBlock.mLayout.ShowKept(inContext, theSegment.mStart, theSegment.mEnd,
                                                          theX + theSegment.mX, theY + mFont->Metrics().mAscent)) {
                continue;
            }
            ShowText(inContext, theText.data() + theSegment.mStart, theSegment.mEnd - theSegment.mStart,
                     theX + theSegment.mX, theY, inAs);
        }
    }
}

void DeviceContext::PaintBlock(const TextBlock& inBlock, const RECT& inRect)
{
    const bool theClip = !inBlock.mFormat.Has(DT_NOCLIP);
    const double theEm = mFont->Metrics().mMaxCharWidth;
    double theBoxLeft = std::numeric_limits<double>::infinity();
    double theBoxRight = -theBoxLeft;
    for (std::size_t theIndex = 0; theIndex < inBlock.mVisible; ++theIndex) {
        const TextLine& theLine = inBlock.mLines[theIndex];
        theBoxLeft = std::min(theBoxLeft, inBlock.LineX(theLine) - theEm);
        theBoxRight = std::max(theBoxRight, inBlock.LineX(theLine) + theLine.mWidth + theEm);
    }
    double theBoxTop = inBlock.mTop - theEm;
    double theBoxBottom = inBlock.mTop + static_cast<double>(inBlock.mVisible) * inBlock.mLineHeight + theEm;
    if (theClip) {
        theBoxLeft = std::max(theBoxLeft, static_cast<double>(inRect.left));
        theBoxRight = std::min(theBoxRight, static_cast<double>(inRect.right));
        theBoxTop = std::max(theBoxTop, static_cast<double>(inRect.top));
        theBoxBottom = std::min(theBoxBottom, static_cast<double>(inRect.bottom));
        if (theBoxRight <= theBoxLeft || theBoxBottom <= theBoxTop) {
            return;
        }
    }
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    double theDevLeft = kInfinity, theDevTop = kInfinity, theDevRight = -kInfinity, theDevBottom = -kInfinity;
    TransformedBounds(theBoxLeft, theBoxTop, theBoxRight, theBoxBottom, theDevLeft, theDevTop, theDevRight,
                      theDevBottom);
    PaintLayer(theDevLeft - 1, theDevTop - 1, theDevRight + 1, theDevBottom + 1, [&](cairo_t* inContext) {
        cairo_transform(inContext, &mTransform);
        if (theClip) {
            cairo_rectangle(inContext, inRect.left, inRect.top, inRect.right - inRect.left, inRect.bottom - inRect.top);
            cairo_clip(inContext);
        }
        SetSourceColor(inContext, mTextColor, mTextAlpha);
        DrawLines(inContext, inBlock, TextAs::kInk);
    });
}

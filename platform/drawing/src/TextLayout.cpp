#include "TextLayout.h"

#include "TextContext.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
constexpr double kTolerance = 1e-6;
}

namespace {
// The last text measured on this thread: a text block is measured twice and
// drawn once with the same font, so two of three shapings are saved.
struct LastMeasured {
    const FontObject* mFont = nullptr;
    std::uint32_t mHandle = 0;
    std::string mText;
};
thread_local LastMeasured tLast;
}  // namespace

TextLayout::TextLayout(FontObject& inFont, const std::string& inText, double inTabWidth)
    : mFont(inFont), mText(inText), mTabWidth(inTabWidth)
{
    static thread_local std::vector<Cluster> tLastClusters;
    if (tLast.mFont == &inFont && tLast.mHandle == inFont.mHandle && tLast.mText == inText) {
        mClusters = tLastClusters;
        return;
    }
    Measure();
    tLast.mFont = &inFont;
    tLast.mHandle = inFont.mHandle;
    tLast.mText = inText;
    tLastClusters = mClusters;
}

void TextLayout::Measure()
{
    const int theLength = static_cast<int>(mText.size());
    int theRunStart = 0;
    for (int theIndex = 0; theIndex < theLength; ++theIndex) {
        const char theChar = mText[theIndex];
        if (theChar == '\n' || theChar == '\r') {
            MeasureRun(theRunStart, theIndex);
            mClusters.push_back({theIndex, theIndex + 1, 0.0, Kind::kTerminator});
            theRunStart = theIndex + 1;
        }
    }
    MeasureRun(theRunStart, theLength);
}

void TextLayout::MeasureRun(int inStart, int inEnd)
{
    if (inEnd <= inStart) {
        return;
    }
    PangoLayout* theLayout = pango_layout_new(TextContext::Current());
    pango_layout_set_font_description(theLayout, mFont.Description());
    pango_layout_set_text(theLayout, mText.data() + inStart, inEnd - inStart);
    std::vector<std::pair<int, double>> theStarts;
    PangoLayoutIter* theIter = pango_layout_get_iter(theLayout);
    do {
        if (pango_layout_iter_get_run_readonly(theIter) == nullptr) {
            continue;  // the end of the line, not a cluster
        }
        PangoRectangle theLogical;
        pango_layout_iter_get_cluster_extents(theIter, nullptr, &theLogical);
        theStarts.emplace_back(pango_layout_iter_get_index(theIter), theLogical.width / double(PANGO_SCALE));
    } while (pango_layout_iter_next_cluster(theIter));
    pango_layout_iter_free(theIter);
    g_object_unref(theLayout);

    std::sort(theStarts.begin(), theStarts.end());
    if (theStarts.empty() || theStarts.front().first != 0) {
        theStarts.insert(theStarts.begin(), {0, 0.0});
    }
    for (std::size_t theIndex = 0; theIndex < theStarts.size(); ++theIndex) {
        const int theStart = inStart + theStarts[theIndex].first;
        const int theEnd = theIndex + 1 < theStarts.size() ? inStart + theStarts[theIndex + 1].first : inEnd;
        if (theEnd <= theStart) {
            continue;
        }
        Kind theKind = Kind::kInk;
        if (theEnd - theStart == 1 && mText[theStart] == ' ') {
            theKind = Kind::kBlank;
        } else if (theEnd - theStart == 1 && mText[theStart] == '\t') {
            theKind = Kind::kTab;
        }
        mClusters.push_back({theStart, theEnd, std::abs(theStarts[theIndex].second), theKind});
    }
}

double TextLayout::TabAdvance(double inX) const
{
    if (mTabWidth <= 0) {
        return 0;
    }
    return (std::floor(inX / mTabWidth + kTolerance) + 1) * mTabWidth - inX;
}

std::vector<TextLine> TextLayout::Lay(double inWidth, Wrap inWrap, bool inSingleLine) const
{
    std::vector<TextLine> theLines;
    const int theCount = static_cast<int>(mClusters.size());
    if (inSingleLine) {
        LayParagraph(0, theCount, static_cast<int>(mText.size()), inWidth, Wrap::kNone, theLines);
        return theLines;
    }
    int theFirst = 0;
    for (int theIndex = 0; theIndex < theCount; ++theIndex) {
        if (mClusters[theIndex].mKind != Kind::kTerminator) {
            continue;
        }
        int theNext = theIndex + 1;
        // "\r\n" is one terminator.
        if (mText[mClusters[theIndex].mStart] == '\r' && theNext < theCount &&
            mClusters[theNext].mKind == Kind::kTerminator && mText[mClusters[theNext].mStart] == '\n') {
            ++theNext;
        }
        const int theNextByte = theNext < theCount ? mClusters[theNext].mStart : static_cast<int>(mText.size());
        LayParagraph(theFirst, theIndex, theNextByte, inWidth, inWrap, theLines);
        theFirst = theNext;
        theIndex = theNext - 1;
    }
    // A final terminator does not open another line.
    if (theFirst < theCount) {
        LayParagraph(theFirst, theCount, static_cast<int>(mText.size()), inWidth, inWrap, theLines);
    }
    return theLines;
}

void TextLayout::LayParagraph(int inFirst, int inEnd, int inNextByte, double inWidth, Wrap inWrap,
                              std::vector<TextLine>& outLines) const
{
    const auto theByteAt = [&](int inCluster) {
        return inCluster < inEnd ? mClusters[inCluster].mStart
                                 : (inEnd > inFirst ? mClusters[inEnd - 1].mEnd
                                                    : (inFirst < static_cast<int>(mClusters.size())
                                                           ? mClusters[inFirst].mStart
                                                           : static_cast<int>(mText.size())));
    };
    if (inFirst >= inEnd) {
        const int theByte = theByteAt(inFirst);
        outLines.push_back({theByte, theByte, inNextByte, inFirst, inFirst, 0.0});
        return;
    }
    int theLineStart = inFirst;
    while (theLineStart < inEnd) {
        double theX = 0;
        double theInkX = 0;   // x after the last non-blank cluster
        int theBreak = -1;    // first blank of the last run of blanks that follows ink
        double theBreakX = 0;
        int theLineEnd = inEnd;
        int theResume = inEnd;
        double theWidth = -1;
        for (int theIndex = theLineStart; theIndex < inEnd; ++theIndex) {
            const Cluster& theCluster = mClusters[theIndex];
            const bool theBlank = IsBlank(theIndex);
            const double theAdvance = theCluster.mKind == Kind::kTab ? TabAdvance(theX) : theCluster.mWidth;
            const bool theOverflow = inWrap != Wrap::kNone && !theBlank && theIndex > theLineStart &&
                                     theX + theAdvance > inWidth + kTolerance;
            if (theOverflow) {
                if (theBreak >= 0) {
                    theLineEnd = theBreak;
                    theWidth = theBreakX;
                    theResume = theBreak;
                } else if (inWrap == Wrap::kWordsAndCharacters) {
                    theLineEnd = theIndex;
                    theWidth = theX;
                    theResume = theIndex;
                } else {
                    // A word wider than the line stays whole.
                    int theWordEnd = theIndex;
                    double theWordX = theX;
                    while (theWordEnd < inEnd && !IsBlank(theWordEnd)) {
                        theWordX += mClusters[theWordEnd].mWidth;
                        ++theWordEnd;
                    }
                    theLineEnd = theWordEnd;
                    theWidth = theWordX;
                    theResume = theWordEnd;
                }
                while (theResume < inEnd && IsBlank(theResume)) {
                    ++theResume;
                }
                break;
            }
            if (theBlank && theIndex > theLineStart && !IsBlank(theIndex - 1)) {
                theBreak = theIndex;
                theBreakX = theX;
            }
            theX += theAdvance;
            if (!theBlank) {
                theInkX = theX;
            }
        }
        if (theWidth < 0) {
            theWidth = theInkX;
        }
        TextLine theLine;
        theLine.mStart = mClusters[theLineStart].mStart;
        theLine.mEnd = theByteAt(theLineEnd);
        theLine.mNext = theResume < inEnd ? mClusters[theResume].mStart : inNextByte;
        theLine.mFirstCluster = theLineStart;
        theLine.mEndCluster = theLineEnd;
        theLine.mWidth = theWidth;
        outLines.push_back(theLine);
        theLineStart = theResume;
    }
}

std::vector<TextSegment> TextLayout::Segments(const TextLine& inLine) const
{
    std::vector<TextSegment> theSegments;
    double theX = 0;
    int theStart = -1;
    double theStartX = 0;
    for (int theIndex = inLine.mFirstCluster; theIndex < inLine.mEndCluster; ++theIndex) {
        const Cluster& theCluster = mClusters[theIndex];
        if (theCluster.mKind == Kind::kTab || theCluster.mKind == Kind::kTerminator) {
            if (theStart >= 0) {
                theSegments.push_back({theStart, theCluster.mStart, theStartX});
                theStart = -1;
            }
            theX += theCluster.mKind == Kind::kTab ? TabAdvance(theX) : 0.0;
            continue;
        }
        if (theStart < 0) {
            theStart = theCluster.mStart;
            theStartX = theX;
        }
        theX += theCluster.mWidth;
    }
    if (theStart >= 0 && inLine.mEndCluster > inLine.mFirstCluster) {
        theSegments.push_back({theStart, mClusters[inLine.mEndCluster - 1].mEnd, theStartX});
    }
    return theSegments;
}

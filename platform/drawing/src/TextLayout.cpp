#include "TextLayout.h"

#include "CairoOwners.h"
#include "TextContext.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

namespace {
constexpr double kTolerance = 1e-6;
// Paragraphs longer than this are shaped in growing prefixes; the end of a
// prefix is shaped without what follows it, so its last quarter is dropped.
constexpr int kFirstWindow = 4096;
}  // namespace

struct TextLayout::Measures {
    const FontObject* mFont = nullptr;
    std::uint32_t mHandle = 0;
    std::string mText;
    std::vector<Cluster> mClusters;
    std::vector<Paragraph> mParagraphs;
};

namespace {
// The last text measured on this thread: a text block is measured twice and
// drawn once with the same font, so two of three shapings are saved.
thread_local std::shared_ptr<TextLayout::Measures> tLast;
}  // namespace

TextLayout::TextLayout(FontObject& inFont, const std::string& inText, double inTabWidth)
    : mFont(inFont), mText(inText), mTabWidth(inTabWidth)
{
    if (tLast != nullptr && tLast->mFont == &inFont && tLast->mHandle == inFont.mHandle && tLast->mText == inText) {
        mMeasures = tLast;
        return;
    }
    mMeasures = std::make_shared<Measures>();
    mMeasures->mFont = &inFont;
    mMeasures->mHandle = inFont.mHandle;
    mMeasures->mText = inText;
    tLast = mMeasures;
}

const std::vector<TextLayout::Cluster>& TextLayout::Clusters() const
{
    return mMeasures->mClusters;
}

bool TextLayout::MeasureParagraph(std::size_t inIndex, Whole inWhole)
{
    std::vector<Paragraph>& theParagraphs = mMeasures->mParagraphs;
    if (inIndex < theParagraphs.size()) {
        return true;
    }
    const int theLength = static_cast<int>(mText.size());
    Paragraph theParagraph;
    if (!theParagraphs.empty()) {
        CompleteLastParagraph();
        theParagraph.mStart = theParagraphs.back().mNext;
    }
    // A final terminator does not open another paragraph.
    if (theParagraph.mStart >= theLength) {
        return false;
    }
    theParagraph.mEnd = theParagraph.mStart;
    while (theParagraph.mEnd < theLength && mText[theParagraph.mEnd] != '\n' && mText[theParagraph.mEnd] != '\r') {
        ++theParagraph.mEnd;
    }
    theParagraph.mNext = theParagraph.mEnd;
    if (theParagraph.mNext < theLength) {
        // "\r\n" is one terminator.
        const bool thePair = mText[theParagraph.mNext] == '\r' && theParagraph.mNext + 1 < theLength &&
                             mText[theParagraph.mNext + 1] == '\n';
        theParagraph.mNext += thePair ? 2 : 1;
    }
    theParagraph.mFirstCluster = static_cast<int>(mMeasures->mClusters.size());
    MeasurePrefix(theParagraph, inWhole == Whole::kYes ? theParagraph.mEnd - theParagraph.mStart : kFirstWindow);
    theParagraphs.push_back(theParagraph);
    return true;
}

void TextLayout::ExtendLastParagraph()
{
    Paragraph& theParagraph = mMeasures->mParagraphs.back();
    MeasurePrefix(theParagraph, static_cast<int>(std::min<long long>(2LL * theParagraph.mWindow, INT_MAX)));
}

void TextLayout::CompleteLastParagraph()
{
    Paragraph& theParagraph = mMeasures->mParagraphs.back();
    if (!theParagraph.Complete()) {
        MeasurePrefix(theParagraph, theParagraph.mEnd - theParagraph.mStart);
    }
}

std::size_t TextLayout::MeasureAll()
{
    std::size_t theCount = 0;
    while (MeasureParagraph(theCount, Whole::kYes)) {
        ++theCount;
    }
    if (theCount > 0) {
        CompleteLastParagraph();
    }
    return theCount;
}

void TextLayout::MeasurePrefix(Paragraph& ioParagraph, int inBytes)
{
    std::vector<Cluster>& theClusters = mMeasures->mClusters;
    theClusters.resize(static_cast<std::size_t>(ioParagraph.mFirstCluster));
    ioParagraph.mWindow = inBytes;
    if (ioParagraph.mEnd - ioParagraph.mStart <= inBytes) {
        MeasureRun(ioParagraph.mStart, ioParagraph.mEnd);
        ioParagraph.mMeasuredTo = ioParagraph.mEnd;
        ioParagraph.mEndCluster = static_cast<int>(theClusters.size());
        AddTerminator(ioParagraph);
        return;
    }
    int theCut = ioParagraph.mStart + inBytes;
    while ((static_cast<unsigned char>(mText[theCut]) & 0xC0) == 0x80) {
        --theCut;  // not inside a character
    }
    MeasureRun(ioParagraph.mStart, theCut);
    const int theKept = theCut - inBytes / 4;
    while (theClusters.size() > static_cast<std::size_t>(ioParagraph.mFirstCluster) &&
           theClusters.back().mEnd > theKept) {
        theClusters.pop_back();
    }
    ioParagraph.mEndCluster = static_cast<int>(theClusters.size());
    ioParagraph.mMeasuredTo =
        ioParagraph.mEndCluster > ioParagraph.mFirstCluster ? theClusters.back().mEnd : ioParagraph.mStart;
}

void TextLayout::AddTerminator(const Paragraph& inParagraph)
{
    for (int theByte = inParagraph.mEnd; theByte < inParagraph.mNext; ++theByte) {
        mMeasures->mClusters.push_back({theByte, theByte + 1, 0.0, Kind::kTerminator});
    }
}

void TextLayout::MeasureRun(int inStart, int inEnd)
{
    if (inEnd <= inStart) {
        return;
    }
    const PangoLayoutOwner theLayout(pango_layout_new(TextContext::Current()));
    pango_layout_set_font_description(theLayout.get(), mFont.Description());
    pango_layout_set_text(theLayout.get(), mText.data() + inStart, inEnd - inStart);
    std::vector<std::pair<int, double>> theStarts;
    const PangoIterOwner theIter(pango_layout_get_iter(theLayout.get()));
    do {
        if (pango_layout_iter_get_run_readonly(theIter.get()) == nullptr) {
            continue;  // the end of the line, not a cluster
        }
        PangoRectangle theLogical;
        pango_layout_iter_get_cluster_extents(theIter.get(), nullptr, &theLogical);
        theStarts.emplace_back(pango_layout_iter_get_index(theIter.get()), theLogical.width / double(PANGO_SCALE));
    } while (pango_layout_iter_next_cluster(theIter.get()));

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
        mMeasures->mClusters.push_back({theStart, theEnd, std::abs(theStarts[theIndex].second), theKind});
    }
}

double TextLayout::TabAdvance(double inX) const
{
    if (mTabWidth <= 0) {
        return 0;
    }
    return (std::floor(inX / mTabWidth + kTolerance) + 1) * mTabWidth - inX;
}

std::vector<TextLine> TextLayout::Lay(double inWidth, Wrap inWrap, Lines inLines, std::size_t inMaxLines)
{
    std::vector<TextLine> theLines;
    if (inMaxLines == 0) {
        return theLines;
    }
    // Without a bound every paragraph is shaped whole, as it always was.
    const Whole theWhole = inMaxLines == kAllLines ? Whole::kYes : Whole::kNo;
    if (theWhole == Whole::kYes) {
        MeasureAll();
    }
    if (inLines == Lines::kSingle) {
        MeasureAll();
        Paragraph theAll;
        theAll.mEnd = theAll.mNext = theAll.mMeasuredTo = static_cast<int>(mText.size());
        theAll.mEndCluster = static_cast<int>(Clusters().size());
        LayParagraph(theAll, inWidth, Wrap::kNone, inMaxLines, theLines);
        return theLines;
    }
    for (std::size_t theIndex = 0; theLines.size() < inMaxLines && MeasureParagraph(theIndex, theWhole); ++theIndex) {
        const std::size_t theBefore = theLines.size();
        while (LayParagraph(mMeasures->mParagraphs[theIndex], inWidth, inWrap, inMaxLines, theLines) ==
               Laid::kNeedsMore) {
            theLines.resize(theBefore);
            ExtendLastParagraph();
        }
    }
    return theLines;
}

TextLayout::Laid TextLayout::LayParagraph(const Paragraph& inParagraph, double inWidth, Wrap inWrap,
                                          std::size_t inMaxLines, std::vector<TextLine>& outLines) const
{
    const std::vector<Cluster>& theClusters = Clusters();
    const int theFirst = inParagraph.mFirstCluster;
    const int theEnd = inParagraph.mEndCluster;
    const bool theWhole = inParagraph.Complete();
    const auto theByteAt = [&](int inCluster) {
        return inCluster < theEnd ? theClusters[inCluster].mStart
                                  : (theEnd > theFirst ? theClusters[theEnd - 1].mEnd : inParagraph.mEnd);
    };
    if (theFirst >= theEnd) {
        if (!theWhole) {
            return Laid::kNeedsMore;
        }
        outLines.push_back({inParagraph.mEnd, inParagraph.mEnd, inParagraph.mNext, theFirst, theFirst, 0.0});
        return Laid::kAll;
    }
    int theLineStart = theFirst;
    while (theLineStart < theEnd) {
        TextLine theLine;
        theLine.mFirstCluster = theLineStart;
        const int theResume = BreakLine(theLineStart, theEnd, inWidth, inWrap, theLine);
        if (!theWhole && (theLine.mEndCluster >= theEnd || theResume >= theEnd)) {
            return Laid::kNeedsMore;  // the rest of the line, or where the next one starts, is not measured yet
        }
        theLine.mStart = theClusters[theLineStart].mStart;
        theLine.mEnd = theByteAt(theLine.mEndCluster);
        theLine.mNext = theResume < theEnd ? theClusters[theResume].mStart : inParagraph.mNext;
        outLines.push_back(theLine);
        if (outLines.size() >= inMaxLines) {
            return Laid::kAll;
        }
        theLineStart = theResume;
    }
    return Laid::kAll;
}

int TextLayout::BreakLine(int inStart, int inEnd, double inWidth, Wrap inWrap, TextLine& outLine) const
{
    const std::vector<Cluster>& theClusters = Clusters();
    double theX = 0;
    double theInkX = 0;  // x after the last non-blank cluster
    int theBreak = -1;   // first blank of the last run of blanks that follows ink
    double theBreakX = 0;
    for (int theIndex = inStart; theIndex < inEnd; ++theIndex) {
        const Cluster& theCluster = theClusters[theIndex];
        const bool theBlank = IsBlank(theIndex);
        const double theAdvance = theCluster.mKind == Kind::kTab ? TabAdvance(theX) : theCluster.mWidth;
        const bool theOverflow =
            inWrap != Wrap::kNone && !theBlank && theIndex > inStart && theX + theAdvance > inWidth + kTolerance;
        if (theOverflow) {
            int theResume = theIndex;
            if (theBreak >= 0) {
                outLine.mEndCluster = theResume = theBreak;
                outLine.mWidth = theBreakX;
            } else if (inWrap == Wrap::kWordsAndCharacters) {
                outLine.mEndCluster = theIndex;
                outLine.mWidth = theX;
            } else {
                // A word wider than the line stays whole.
                double theWordX = theX;
                while (theResume < inEnd && !IsBlank(theResume)) {
                    theWordX += theClusters[theResume].mWidth;
                    ++theResume;
                }
                outLine.mEndCluster = theResume;
                outLine.mWidth = theWordX;
            }
            while (theResume < inEnd && IsBlank(theResume)) {
                ++theResume;
            }
            return theResume;
        }
        if (theBlank && theIndex > inStart && !IsBlank(theIndex - 1)) {
            theBreak = theIndex;
            theBreakX = theX;
        }
        theX += theAdvance;
        if (!theBlank) {
            theInkX = theX;
        }
    }
    outLine.mEndCluster = inEnd;
    outLine.mWidth = theInkX;
    return inEnd;
}

std::vector<TextSegment> TextLayout::Segments(const TextLine& inLine) const
{
    std::vector<TextSegment> theSegments;
    double theX = 0;
    int theStart = -1;
    double theStartX = 0;
    for (int theIndex = inLine.mFirstCluster; theIndex < inLine.mEndCluster; ++theIndex) {
        const Cluster& theCluster = Clusters()[theIndex];
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
        theSegments.push_back({theStart, Clusters()[inLine.mEndCluster - 1].mEnd, theStartX});
    }
    return theSegments;
}

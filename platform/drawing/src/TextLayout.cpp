#include "TextLayout.h"

#include "CairoOwners.h"
#include "FontCatalogue.h"
#include "TextContext.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

namespace {
constexpr double kTolerance = 1e-6;
// Paragraphs longer than this are shaped a chunk at a time. Pango orders the
// runs of one line in time that grows with the square of their count, so a
// chunk is short; it ends before a blank that follows ink, or else loses its
// last kContext bytes, which were shaped without what follows them.
constexpr int kChunk = 512;
constexpr int kContext = 64;
// Longer pieces of a line are drawn in parts, for the same reason. Only a
// line of glyphs of next to no width holds that much; the parts keep logical
// order, so runs of opposite direction across a cut are not reordered.
constexpr int kMaxSegment = 4096;
// Glyphs kept per text: far more than a picture shows, few enough that a
// megabyte of text keeps at most about 1.5 MB of them.
constexpr std::size_t kMaxKeptGlyphs = 64 * 1024;

// The glyphs of one run of one font, left to right, as measuring shaped them.
struct GlyphRun {
    std::unique_ptr<PangoFont, FreeWith<g_object_unref>> mFont;
    int mStart = 0;  // bytes it covers
    int mEnd = 0;
    std::vector<PangoGlyphInfo> mGlyphs;
    std::vector<int> mBytes;  // each glyph's first byte, ascending
};

// Scripts shaped without regard to the script around them: a piece of such a
// run, laid out alone, takes the same glyphs, even where its punctuation and
// digits then count as no script.
bool ShapedAlike(int inScript)
{
    switch (inScript) {
    case PANGO_SCRIPT_COMMON:
    case PANGO_SCRIPT_INHERITED:
    case PANGO_SCRIPT_LATIN:
    case PANGO_SCRIPT_GREEK:
    case PANGO_SCRIPT_CYRILLIC:
        return true;
    default:
        return false;
    }
}
}  // namespace

struct TextLayout::Measures {
    const FontObject* mFont = nullptr;
    std::uint32_t mHandle = 0;
    std::uint64_t mGeneration = 0;
    std::string mText;
    std::vector<Cluster> mClusters;
    std::vector<Paragraph> mParagraphs;
    std::vector<GlyphRun> mRuns;  // by byte
    std::size_t mKeptGlyphs = 0;
};

namespace {
// The last two texts measured on this thread: a text block is measured, its
// line height taken from its first character, then drawn, all in one font,
// so one shaping serves the block's two layouts.
thread_local std::shared_ptr<TextLayout::Measures> tRecent[2];
thread_local unsigned long long tBytesShaped = 0;
}  // namespace

unsigned long long TextLayout::BytesShaped()
{
    return tBytesShaped;
}

void TextLayout::CountShaped(int inBytes)
{
    tBytesShaped += static_cast<unsigned long long>(std::max(inBytes, 0));
}

TextLayout::TextLayout(FontObject& inFont, const std::string& inText, double inTabWidth)
    : mFont(inFont), mText(inText), mTabWidth(inTabWidth)
{
    // Kept glyphs belong to the fonts of one configuration.
    const std::uint64_t theGeneration = FontCatalogue::Instance().Generation();
    for (std::shared_ptr<Measures>& theRecent : tRecent) {
        if (theRecent != nullptr && theRecent->mFont == &inFont && theRecent->mHandle == inFont.mHandle &&
            theRecent->mGeneration == theGeneration && theRecent->mText == inText) {
            mMeasures = theRecent;
            std::swap(theRecent, tRecent[0]);
            return;
        }
    }
    mMeasures = std::make_shared<Measures>();
    mMeasures->mFont = &inFont;
    mMeasures->mHandle = inFont.mHandle;
    mMeasures->mGeneration = theGeneration;
    mMeasures->mText = inText;
    tRecent[1] = std::move(tRecent[0]);
    tRecent[0] = mMeasures;
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
    theParagraph.mFirstCluster = theParagraph.mEndCluster = static_cast<int>(mMeasures->mClusters.size());
    theParagraph.mMeasuredTo = theParagraph.mStart;
    theParagraphs.push_back(theParagraph);
    if (theParagraph.Complete()) {
        AddTerminator(theParagraph);  // an empty paragraph
    } else if (inWhole == Whole::kYes) {
        CompleteLastParagraph();
    } else {
        ExtendLastParagraph(kChunk);
    }
    return true;
}

void TextLayout::ExtendLastParagraph(int inBytes)
{
    Paragraph& theParagraph = mMeasures->mParagraphs.back();
    const long long theTarget = static_cast<long long>(theParagraph.mMeasuredTo) + std::max(inBytes, 1);
    while (!theParagraph.Complete() && theParagraph.mMeasuredTo < theTarget) {
        MeasureChunk(theParagraph);
    }
}

void TextLayout::CompleteLastParagraph()
{
    Paragraph& theParagraph = mMeasures->mParagraphs.back();
    while (!theParagraph.Complete()) {
        MeasureChunk(theParagraph);
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

void TextLayout::MeasureChunk(Paragraph& ioParagraph)
{
    std::vector<Cluster>& theClusters = mMeasures->mClusters;
    const int theFrom = ioParagraph.mMeasuredTo;
    const std::size_t theFirst = theClusters.size();
    if (ioParagraph.mEnd - theFrom <= kChunk) {
        MeasureRun(theFrom, ioParagraph.mEnd);
    } else {
        int theCut = theFrom + kChunk;
        while ((static_cast<unsigned char>(mText[theCut]) & 0xC0) == 0x80) {
            --theCut;  // not inside a character
        }
        MeasureRun(theFrom, theCut);
        // Cut before the last blank that follows ink in the chunk's second
        // half: no shaping reaches across it.
        std::size_t theKept = 0;
        for (std::size_t theIndex = theClusters.size() - 1; theIndex > theFirst; --theIndex) {
            if (theClusters[theIndex].mStart < theFrom + kChunk / 2) {
                break;
            }
            if (theClusters[theIndex].mKind == Kind::kBlank && theClusters[theIndex - 1].mKind != Kind::kBlank) {
                theKept = theIndex;
                break;
            }
        }
        if (theKept == 0) {
            const int theEnd = theCut - kContext;
            theKept = theClusters.size();
            while (theKept > theFirst + 1 && theClusters[theKept - 1].mEnd > theEnd) {
                --theKept;
            }
        }
        theClusters.resize(theKept);
        DropKeptFrom(theKept > theFirst ? theClusters.back().mEnd : theFrom);
    }
    ioParagraph.mEndCluster = static_cast<int>(theClusters.size());
    ioParagraph.mMeasuredTo = theClusters.size() > theFirst ? theClusters.back().mEnd : ioParagraph.mEnd;
    if (ioParagraph.Complete()) {
        AddTerminator(ioParagraph);
    }
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
    CountShaped(inEnd - inStart);
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
    KeepGlyphs(theLayout.get(), inStart, inEnd);

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
    if (inLines == Lines::kSingle) {
        MeasureAll();
        Paragraph theAll;
        theAll.mEnd = theAll.mNext = theAll.mMeasuredTo = static_cast<int>(mText.size());
        theAll.mEndCluster = static_cast<int>(Clusters().size());
        int theStart = 0;
        LayParagraph(theAll, inWidth, Wrap::kNone, inMaxLines, theLines, theStart);
        return theLines;
    }
    for (std::size_t theIndex = 0; theLines.size() < inMaxLines && MeasureParagraph(theIndex, Whole::kNo); ++theIndex) {
        int theLineStart = mMeasures->mParagraphs[theIndex].mFirstCluster;
        while (LayParagraph(mMeasures->mParagraphs[theIndex], inWidth, inWrap, inMaxLines, theLines, theLineStart) ==
               Laid::kNeedsMore) {
            // As much again as the unsettled line holds so far: a line that
            // spans many chunks is broken a few times, not once per chunk.
            const Paragraph& theParagraph = mMeasures->mParagraphs[theIndex];
            const int theLineByte =
                theLineStart < theParagraph.mEndCluster ? Clusters()[theLineStart].mStart : theParagraph.mMeasuredTo;
            ExtendLastParagraph(std::max(theParagraph.mMeasuredTo - theLineByte, kChunk));
        }
    }
    return theLines;
}

TextLayout::Laid TextLayout::LayParagraph(const Paragraph& inParagraph, double inWidth, Wrap inWrap,
                                          std::size_t inMaxLines, std::vector<TextLine>& outLines,
                                          int& ioLineStart) const
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
    while (ioLineStart < theEnd) {
        TextLine theLine;
        theLine.mFirstCluster = ioLineStart;
        const int theResume = BreakLine(ioLineStart, theEnd, inWidth, inWrap, theLine);
        if (!theWhole && (theLine.mEndCluster >= theEnd || theResume >= theEnd)) {
            return Laid::kNeedsMore;  // the rest of the line, or where the next one starts, is not measured yet
        }
        theLine.mStart = theClusters[ioLineStart].mStart;
        theLine.mEnd = theByteAt(theLine.mEndCluster);
        theLine.mNext = theResume < theEnd ? theClusters[theResume].mStart : inParagraph.mNext;
        outLines.push_back(theLine);
        ioLineStart = theResume;
        if (outLines.size() >= inMaxLines) {
            return Laid::kAll;
        }
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
        if (theStart >= 0 && theCluster.mEnd - theStart > kMaxSegment) {
            theSegments.push_back({theStart, theCluster.mStart, theStartX});
            theStart = -1;
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

void TextLayout::KeepGlyphs(PangoLayout* inLayout, int inStart, int inEnd)
{
    if (mMeasures->mKeptGlyphs >= kMaxKeptGlyphs || pango_layout_get_line_count(inLayout) != 1) {
        return;
    }
    // Only left-to-right runs: their glyphs are in logical order, so any
    // piece of them is placed as that piece laid out alone would be.
    const PangoLayoutLine* theLine = pango_layout_get_line_readonly(inLayout, 0);
    int theCovered = 0;
    for (const GSList* theRun = theLine->runs; theRun != nullptr; theRun = theRun->next) {
        const auto* theItem = static_cast<const PangoGlyphItem*>(theRun->data);
        if (theItem->item->analysis.level != 0 || theItem->item->offset != theCovered) {
            return;
        }
        theCovered += theItem->item->length;
    }
    if (theCovered != inEnd - inStart) {
        return;
    }
    for (const GSList* theRun = theLine->runs; theRun != nullptr; theRun = theRun->next) {
        const auto* theItem = static_cast<const PangoGlyphItem*>(theRun->data);
        if (!ShapedAlike(theItem->item->analysis.script)) {
            continue;
        }
        const PangoGlyphString* theGlyphs = theItem->glyphs;
        GlyphRun theKept;
        theKept.mFont.reset(PANGO_FONT(g_object_ref(theItem->item->analysis.font)));
        theKept.mStart = inStart + theItem->item->offset;
        theKept.mEnd = theKept.mStart + theItem->item->length;
        theKept.mGlyphs.assign(theGlyphs->glyphs, theGlyphs->glyphs + theGlyphs->num_glyphs);
        theKept.mBytes.reserve(static_cast<std::size_t>(theGlyphs->num_glyphs));
        for (int theIndex = 0; theIndex < theGlyphs->num_glyphs; ++theIndex) {
            theKept.mBytes.push_back(inStart + theItem->item->offset + theGlyphs->log_clusters[theIndex]);
        }
        mMeasures->mKeptGlyphs += theKept.mGlyphs.size();
        mMeasures->mRuns.push_back(std::move(theKept));
    }
}

void TextLayout::DropKeptFrom(int inEnd)
{
    std::vector<GlyphRun>& theRuns = mMeasures->mRuns;
    while (!theRuns.empty() && theRuns.back().mEnd > inEnd) {
        GlyphRun& theRun = theRuns.back();
        const auto theCut = std::lower_bound(theRun.mBytes.begin(), theRun.mBytes.end(), inEnd);
        const auto theCount = static_cast<std::size_t>(theCut - theRun.mBytes.begin());
        mMeasures->mKeptGlyphs -= theRun.mGlyphs.size() - theCount;
        if (theCount == 0 || theRun.mStart >= inEnd) {
            theRuns.pop_back();
            continue;
        }
        theRun.mGlyphs.resize(theCount);
        theRun.mBytes.resize(theCount);
        theRun.mEnd = inEnd;
    }
}

bool TextLayout::ShowKept(cairo_t* inContext, int inStart, int inEnd, double inX, double inBaseline) const
{
    // Glyphs shaped beside others, as where a word is broken, may be formed
    // with them; a piece whose ends are blanks, tabs or its paragraph's ends
    // is shaped alone as it was among its neighbours.
    const auto theSeparates = [this](int inByte) {
        if (inByte < 0 || inByte >= static_cast<int>(mText.size())) {
            return true;
        }
        const char theByte = mText[static_cast<std::size_t>(inByte)];
        return theByte == ' ' || theByte == '\t' || theByte == '\n' || theByte == '\r';
    };
    if (inEnd <= inStart || !theSeparates(inStart - 1) || !theSeparates(inEnd)) {
        return false;
    }
    // One run must hold the piece: across runs, a layout of the piece alone
    // may itemize it otherwise (a quote after Chinese is a run of its own
    // there, and is kerned with the next letter when alone).
    const std::vector<GlyphRun>& theRuns = mMeasures->mRuns;
    const auto theRun = std::upper_bound(theRuns.begin(), theRuns.end(), inStart,
                                         [](int inByte, const GlyphRun& inRun) { return inByte < inRun.mEnd; });
    if (theRun == theRuns.end() || theRun->mStart > inStart || theRun->mEnd < inEnd) {
        return false;
    }
    const auto theBegin = std::lower_bound(theRun->mBytes.begin(), theRun->mBytes.end(), inStart);
    const auto theEnd = std::lower_bound(theBegin, theRun->mBytes.end(), inEnd);
    if (theBegin == theEnd || *theBegin != inStart) {
        return false;
    }
    const int theCount = static_cast<int>(theEnd - theBegin);
    const std::unique_ptr<PangoGlyphString, FreeWith<pango_glyph_string_free>> theString(pango_glyph_string_new());
    pango_glyph_string_set_size(theString.get(), theCount);
    std::copy_n(theRun->mGlyphs.begin() + (theBegin - theRun->mBytes.begin()), theCount, theString->glyphs);
    for (int theIndex = 0; theIndex < theCount; ++theIndex) {
        theString->log_clusters[theIndex] = *(theBegin + theIndex) - inStart;
    }
    cairo_move_to(inContext, inX, inBaseline);
    pango_cairo_show_glyph_string(inContext, theRun->mFont.get(), theString.get());
    return true;
}

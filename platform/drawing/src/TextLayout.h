// Line breaking for DrawText: measures the text (one Pango shaping per run
// between line terminators) and breaks it greedily into lines the way the
// classic call does; tabs advance to stops counted from the line start.
// Measuring is lazy and incremental: a layout asked for a few lines shapes
// only the paragraphs, or the part of a long paragraph, that those lines
// need, each piece once, in chunks short enough that shaping one costs little
// however many script and direction runs it holds. The glyphs of left-to-right
// chunks are kept, up to a bound, so that drawing a line need not shape it again.
#pragma once

#include "FontObject.h"

#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <vector>

struct TextLine {
    int mStart = 0;  // first byte
    int mEnd = 0;    // one past the last byte that belongs to the line
    int mNext = 0;   // first byte after the line and the blanks or terminator it consumed
    int mFirstCluster = 0;
    int mEndCluster = 0;
    double mWidth = 0;  // without trailing blanks
};

struct TextSegment {
    int mStart = 0;  // bytes, without tabs and terminators
    int mEnd = 0;
    double mX = 0;  // offset from the line's start
};

class TextLayout {
public:
    static constexpr std::size_t kAllLines = std::numeric_limits<std::size_t>::max();

    // inText must be valid UTF-8 and outlive the layout.
    TextLayout(FontObject& inFont, const std::string& inText, double inTabWidth);

    enum class Wrap { kNone, kWords, kWordsAndCharacters };
    enum class Lines { kParagraphs, kSingle };
    // One line per terminator-separated paragraph, or all on one line; with
    // wrapping, lines fit inWidth where the words allow. At most inMaxLines
    // lines: the first ones of the whole layout.
    std::vector<TextLine> Lay(double inWidth, Wrap inWrap, Lines inLines, std::size_t inMaxLines = kAllLines);
    // The pieces of a line to draw, split at tabs and terminators.
    std::vector<TextSegment> Segments(const TextLine& inLine) const;
    // Draws bytes [inStart, inEnd) of a line with the glyphs measuring kept,
    // the left end at inX and the baseline at inBaseline, as a layout of
    // those bytes alone would place them; false, with nothing drawn, when
    // they were not all kept.
    bool ShowKept(cairo_t* inContext, int inStart, int inEnd, double inX, double inBaseline) const;

    enum class Kind : char { kInk, kBlank, kTab, kTerminator };
    struct Cluster {
        int mStart;
        int mEnd;
        double mWidth;
        Kind mKind;
    };
    // A paragraph measured so far: its clusters, then its terminator's.
    struct Paragraph {
        int mStart = 0;  // bytes of its text, without the terminator
        int mEnd = 0;
        int mNext = 0;  // after the terminator
        int mFirstCluster = 0;
        int mEndCluster = 0;  // its text's clusters, without the terminator's
        int mMeasuredTo = 0;  // byte up to which its clusters are known
        bool Complete() const { return mMeasuredTo == mEnd; }
    };
    // What is known of one text in one font; shared by successive layouts of it.
    struct Measures;

    // Bytes of text this thread has given Pango to shape, for layout and for
    // drawing: what bounds the cost of a call.
    static unsigned long long BytesShaped();
    static void CountShaped(int inBytes);

private:
    void MeasureRun(int inStart, int inEnd);
    void KeepGlyphs(PangoLayout* inLayout, int inStart, int inEnd);
    // Forgets the kept glyphs of bytes from inEnd on.
    void DropKeptFrom(int inEnd);
    enum class Whole { kNo, kYes };
    // Makes paragraph inIndex known, whole or at least in part; false past
    // the text's end.
    bool MeasureParagraph(std::size_t inIndex, Whole inWhole);
    // Shapes at least inBytes more of the last paragraph known (all that is
    // left when less), which must be incomplete.
    void ExtendLastParagraph(int inBytes);
    void CompleteLastParagraph();
    // Shapes every paragraph whole; returns their count.
    std::size_t MeasureAll();
    // Shapes the next chunk of the paragraph, which must be incomplete.
    void MeasureChunk(Paragraph& ioParagraph);
    void AddTerminator(const Paragraph& inParagraph);
    double TabAdvance(double inX) const;
    enum class Laid { kAll, kNeedsMore };
    // Lays the paragraph's lines from cluster ioLineStart until it ends or
    // outLines holds inMaxLines; kNeedsMore when the part measured so far
    // cannot settle the next line, whose first cluster ioLineStart then is.
    Laid LayParagraph(const Paragraph& inParagraph, double inWidth, Wrap inWrap, std::size_t inMaxLines,
                      std::vector<TextLine>& outLines, int& ioLineStart) const;
    // Fills the line from cluster inStart: its end cluster and width; returns
    // the cluster the next line starts at.
    int BreakLine(int inStart, int inEnd, double inWidth, Wrap inWrap, TextLine& outLine) const;
    bool IsBlank(int inCluster) const
    {
        const Kind theKind = Clusters()[inCluster].mKind;
        return theKind == Kind::kBlank || theKind == Kind::kTab;
    }
    const std::vector<Cluster>& Clusters() const;

    FontObject& mFont;
    const std::string& mText;
    double mTabWidth;
    std::shared_ptr<Measures> mMeasures;
};

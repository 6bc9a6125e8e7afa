// Line breaking for DrawText: measures the text once (one Pango shaping per
// run between line terminators) and breaks it greedily into lines the way
// the classic call does; tabs advance to stops counted from the line start.
#pragma once

#include "FontObject.h"

#include <string>
#include <vector>

struct TextLine {
    int mStart = 0;   // first byte
    int mEnd = 0;     // one past the last byte that belongs to the line
    int mNext = 0;    // first byte after the line and the blanks or terminator it consumed
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
    // inText must be valid UTF-8 and outlive the layout.
    TextLayout(FontObject& inFont, const std::string& inText, double inTabWidth);

    enum class Wrap { kNone, kWords, kWordsAndCharacters };
    // One line per terminator-separated paragraph, or all on one line with
    // inSingleLine; with wrapping, lines fit inWidth where the words allow.
    std::vector<TextLine> Lay(double inWidth, Wrap inWrap, bool inSingleLine) const;
    // The pieces of a line to draw, split at tabs and terminators.
    std::vector<TextSegment> Segments(const TextLine& inLine) const;

private:
    enum class Kind : char { kInk, kBlank, kTab, kTerminator };
    struct Cluster {
        int mStart;
        int mEnd;
        double mWidth;
        Kind mKind;
    };
    void Measure();
    void MeasureRun(int inStart, int inEnd);
    double TabAdvance(double inX) const;
    void LayParagraph(int inFirst, int inEnd, int inNextByte, double inWidth, Wrap inWrap,
                      std::vector<TextLine>& outLines) const;
    bool IsBlank(int inCluster) const
    {
        const Kind theKind = mClusters[inCluster].mKind;
        return theKind == Kind::kBlank || theKind == Kind::kTab;
    }

    FontObject& mFont;
    const std::string& mText;
    double mTabWidth;
    std::vector<Cluster> mClusters;
};

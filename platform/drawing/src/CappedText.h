// Text as it is laid out: a run of combining marks on one character beyond
// kMaxMarks is left out, as browsers do, since shaping such a cluster costs
// with the square of its marks while nothing more of it can be seen. Offsets
// into the laid-out text map back to offsets into the text given.
#pragma once

#include <string>
#include <vector>

class CappedText {
public:
    static constexpr int kMaxMarks = 32;

    // inText must be valid UTF-8 and outlive this object.
    explicit CappedText(const std::string& inText);

    // inText itself when nothing was left out.
    const std::string& Text() const { return mCut ? mCapped : mSource; }
    // The byte of the text given where byte inByte of Text() lies (its size for the end).
    int Original(int inByte) const { return mCut ? mOriginal[static_cast<std::size_t>(inByte)] : inByte; }

private:
    const std::string& mSource;
    bool mCut = false;
    std::string mCapped;
    std::vector<int> mOriginal;  // one per byte of mCapped, and one for its end
};

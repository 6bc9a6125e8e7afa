#include "CappedText.h"

#include <glib.h>

namespace {

// Calls inVisit(byte offset, byte length, kept) for each character, in order.
template <class Visit>
void ForEachCharacter(const std::string& inText, Visit&& inVisit)
{
    int theMarks = 0;
    const char* const theStart = inText.data();
    const char* const theEnd = theStart + inText.size();
    for (const char* p = theStart; p < theEnd;) {
        const bool theAscii = (static_cast<unsigned char>(*p) & 0x80) == 0;
        const char* const theNext = theAscii ? p + 1 : g_utf8_next_char(p);
        const bool theMark = !theAscii && g_unichar_ismark(g_utf8_get_char(p)) != 0;
        theMarks = theMark ? theMarks + 1 : 0;
        inVisit(static_cast<int>(p - theStart), static_cast<int>(theNext - p), theMarks <= CappedText::kMaxMarks);
        p = theNext;
    }
}

}  // namespace

CappedText::CappedText(const std::string& inText) : mSource(inText)
{
    // Most text has no long run of marks: one look, and no copy.
    ForEachCharacter(inText, [&](int, int, bool inKept) { mCut = mCut || !inKept; });
    if (!mCut)
        return;
    mCapped.reserve(inText.size());
    mOriginal.reserve(inText.size() + 1);
    ForEachCharacter(inText, [&](int inAt, int inLength, bool inKept) {
        if (!inKept)
            return;
        mCapped.append(inText, static_cast<std::size_t>(inAt), static_cast<std::size_t>(inLength));
        for (int theByte = 0; theByte < inLength; ++theByte)
            mOriginal.push_back(inAt + theByte);
    });
    mOriginal.push_back(static_cast<int>(inText.size()));
}

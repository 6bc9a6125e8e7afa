#include "vellumax/engine/FontMatching.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "drawing/Gdi.h"
#include "drawing/GdiOwners.h"

namespace {

char LowerAscii(char inChar)
{
    return (inChar >= 'A' && inChar <= 'Z') ? char(inChar - 'A' + 'a') : inChar;
}

bool EqualNoCase(const char* inA, const char* inB, std::size_t inLength)
{
    for (std::size_t i = 0; i < inLength; ++i)
        if (LowerAscii(inA[i]) != LowerAscii(inB[i]))
            return false;
    return true;
}

// A face name the drawing layer can take: at most 31 bytes, cut at a
// character boundary; the drawing layer resolves such a beginning of a
// family's name back to the family.
void CopyFaceName(const char* inName, std::size_t inLength, char* outFace)
{
    std::size_t theLength = std::min(inLength, Parameters::kFaceNameLength);
    if (theLength < inLength)
        while (theLength > 0 && (static_cast<unsigned char>(inName[theLength]) & 0xC0) == 0x80)
            --theLength;
    std::memcpy(outFace, inName, theLength);
    outFace[theLength] = '\0';
}

struct FontMatch {
    const char* item;
    std::size_t length;
    bool prefix;
    char* face;
    bool found;
};

bool MatchFontName(const char* inName, void* inContext)
{
    auto* theMatch = static_cast<FontMatch*>(inContext);
    const std::size_t theNameLength = std::strlen(inName);
    const bool theMatches =
        theMatch->prefix ? theNameLength >= theMatch->length && EqualNoCase(inName, theMatch->item, theMatch->length)
                         : theNameLength == theMatch->length && EqualNoCase(inName, theMatch->item, theMatch->length);
    if (!theMatches)
        return true;
    CopyFaceName(inName, theMatch->prefix ? theMatch->length : theNameLength, theMatch->face);
    theMatch->found = true;
    return false;
}

// Matches inList against the installed families; false when it could not
// look (no families were enumerated), so that the answer is not kept.
bool MatchFontList(const char* inList, char* ioFace, bool& outFound)
{
    outFound = true;
    std::int32_t theVisited = 0;
    for (const char* p = inList; *p != '\0'; p = NextListItem(p)) {
        char theItem[kTextCapacity];
        CopyListItem(p, theItem, sizeof(theItem));
        FontMatch theMatch{theItem, std::strlen(theItem), false, ioFace, false};
        theVisited += VisitFontNames(MatchFontName, &theMatch);
        if (theMatch.found)
            return true;
        theMatch.prefix = true;
        theVisited += VisitFontNames(MatchFontName, &theMatch);
        if (theMatch.found)
            return true;
    }
    outFound = false;
    return theVisited > 0;
}

// Every drawing call sets the canvas's font list, and matching enumerates
// every family; the answers are kept per list until the installed families change.
class FontListCache {
public:
    struct Answer {
        bool found = false;
        char face[FontMatching::kFaceCapacity] = {};
    };

    bool Find(std::uint64_t inGeneration, std::string_view inList, Answer& outAnswer)
    {
        std::lock_guard<std::mutex> theLock(mMutex);
        if (inGeneration != mGeneration) {
            mAnswers.clear();
            mGeneration = inGeneration;
            return false;
        }
        const auto theFound = mAnswers.find(inList);
        if (theFound == mAnswers.end())
            return false;
        outAnswer = theFound->second;
        return true;
    }

    void Keep(std::uint64_t inGeneration, std::string_view inList, const Answer& inAnswer)
    {
        if (inList.size() > kLongestList)
            return;
        std::lock_guard<std::mutex> theLock(mMutex);
        if (inGeneration != mGeneration)
            return;
        if (mAnswers.size() >= kMostLists)
            mAnswers.clear();
        mAnswers.insert_or_assign(std::string(inList), inAnswer);
    }

private:
    static constexpr std::size_t kLongestList = 512;
    static constexpr std::size_t kMostLists = 128;

    std::mutex mMutex;
    std::uint64_t mGeneration = 0;
    std::map<std::string, Answer, std::less<>> mAnswers;
};

FontListCache& TheFontListCache()
{
    static auto* sCache = new FontListCache();  // never destroyed: used from other static destructors
    return *sCache;
}

struct FontEnumState {
    FontNameVisitor visit;
    void* context;
    std::int32_t count;
};

int FontFamilyProc(const ENUMLOGFONTEXA* inFont, const void*, std::uint32_t, LPARAM inParam)
{
    auto* theState = reinterpret_cast<FontEnumState*>(inParam);
    char theName[kFontNameCapacity];
    std::memcpy(theName, inFont->elfFullName, sizeof(theName) - 1);
    theName[sizeof(theName) - 1] = '\0';
    ++theState->count;
    return theState->visit(theName, theState->context) ? 1 : 0;
}

struct FontAtState {
    std::int32_t index;
    std::int32_t ordinal;
    char* name;
};

bool VisitFontAt(const char* inName, void* inContext)
{
    auto* theState = static_cast<FontAtState*>(inContext);
    if (theState->name != nullptr)
        std::strcpy(theState->name, inName);
    return theState->ordinal++ != theState->index;
}

}  // namespace

const char* FontMatching::FaceFor(const Parameters& inParams, char* outFace)
{
    for (auto theList = inParams.FontLists.rbegin(); theList != inParams.FontLists.rend(); ++theList)
        if (MatchList(theList->c_str(), outFace))
            return outFace;
    return inParams.Font;
}

bool FontMatching::MatchList(const char* inList, char* outFace)
{
    FontListCache& theCache = TheFontListCache();
    const std::uint64_t theGeneration = GdiFontCatalogueGeneration();
    FontListCache::Answer theAnswer;
    if (!theCache.Find(theGeneration, inList, theAnswer)) {
        char theFace[kTextCapacity] = {};
        const bool theLooked = MatchFontList(inList, theFace, theAnswer.found);
        std::memcpy(theAnswer.face, theFace, sizeof(theAnswer.face) - 1);
        if (theLooked)
            theCache.Keep(theGeneration, inList, theAnswer);
    }
    if (theAnswer.found)
        std::memcpy(outFace, theAnswer.face, sizeof(theAnswer.face));
    return theAnswer.found;
}

std::int32_t VisitFontNames(FontNameVisitor inVisit, void* inContext)
{
    const ScreenDCOwner theDC(GetDC(0));
    if (theDC.Get() == 0)
        return 0;
    LOGFONTA theFont{};
    theFont.lfCharSet = ANSI_CHARSET;
    FontEnumState theState{inVisit, inContext, 0};
    EnumFontFamiliesExA(theDC.Get(), &theFont, FontFamilyProc, reinterpret_cast<LPARAM>(&theState), 0);
    return theState.count;
}

std::int32_t FontNameAt(std::int32_t inIndex, char* outName)
{
    if (outName != nullptr)
        outName[0] = '\0';
    FontAtState theState{inIndex, 0, outName};
    return VisitFontNames(VisitFontAt, &theState);
}

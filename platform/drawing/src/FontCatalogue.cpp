#include "FontCatalogue.h"

#include "CairoOwners.h"

#include <algorithm>
#include <cstring>
#include <fontconfig/fontconfig.h>
#include <map>
#include <string_view>
#include <time.h>

namespace {

constexpr auto kCheckInterval = std::chrono::seconds(1);
constexpr std::size_t kResolvedLimit = 256;

// The steady clock's epoch at the kernel tick's resolution: every drawing call
// asks whether a second has passed, and the coarse clock answers that for a
// fraction of the fine one's cost.
std::chrono::steady_clock::time_point CoarseNow()
{
    timespec theTime{};
    if (clock_gettime(CLOCK_MONOTONIC_COARSE, &theTime) != 0) {
        return std::chrono::steady_clock::now();
    }
    return std::chrono::steady_clock::time_point(std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::seconds(theTime.tv_sec) + std::chrono::nanoseconds(theTime.tv_nsec)));
}

std::string Fold(const char* inText)
{
    std::string theFolded(inText);
    for (char& theChar : theFolded) {
        if (theChar >= 'A' && theChar <= 'Z') {
            theChar = static_cast<char>(theChar - 'A' + 'a');
        }
    }
    return theFolded;
}

// Copies at most inSize - 1 bytes without splitting a UTF-8 sequence.
void CopyTruncated(char* outText, std::size_t inSize, const std::string& inText)
{
    std::size_t theLength = std::min(inText.size(), inSize - 1);
    if (theLength < inText.size()) {
        while (theLength > 0 && (static_cast<unsigned char>(inText[theLength]) & 0xC0) == 0x80) {
            --theLength;
        }
    }
    std::memcpy(outText, inText.data(), theLength);
    outText[theLength] = '\0';
}

}  // namespace

FontCatalogue& FontCatalogue::Instance()
{
    static FontCatalogue* sCatalogue = new FontCatalogue();
    return *sCatalogue;
}

FontCatalogue::Snapshot FontCatalogue::Build()
{
    auto theFamilies = std::make_shared<std::vector<FontFamilyEntry>>();
    const std::unique_ptr<FcPattern, FreeWith<FcPatternDestroy>> thePattern(FcPatternCreate());
    const std::unique_ptr<FcObjectSet, FreeWith<FcObjectSetDestroy>> theObjects(
        FcObjectSetBuild(FC_FAMILY, FC_CHARSET, nullptr));
    const std::unique_ptr<FcFontSet, FreeWith<FcFontSetDestroy>> theFonts(
        (thePattern && theObjects) ? FcFontList(nullptr, thePattern.get(), theObjects.get()) : nullptr);
    std::map<std::string, FontFamilyEntry> theByFolded;
    if (theFonts != nullptr) {
        for (int theFont = 0; theFont < theFonts->nfont; ++theFont) {
            FcPattern* theEntry = theFonts->fonts[theFont];
            FcCharSet* theCharSet = nullptr;
            bool theLatin = false;
            if (FcPatternGetCharSet(theEntry, FC_CHARSET, 0, &theCharSet) == FcResultMatch) {
                theLatin = FcCharSetHasChar(theCharSet, 'A') && FcCharSetHasChar(theCharSet, 'z');
            }
            FcChar8* theName = nullptr;
            for (int theIndex = 0; FcPatternGetString(theEntry, FC_FAMILY, theIndex, &theName) == FcResultMatch;
                 ++theIndex) {
                const char* theText = reinterpret_cast<const char*>(theName);
                if (*theText == '\0') {
                    continue;
                }
                FontFamilyEntry& theFamily = theByFolded[Fold(theText)];
                if (theFamily.mName.empty()) {
                    theFamily.mName = theText;
                    theFamily.mFolded = Fold(theText);
                }
                theFamily.mLatin = theFamily.mLatin || theLatin;
            }
        }
    }
    // The map's order is the case-folded order: sorted, case-insensitive.
    for (auto& [theKey, theFamily] : theByFolded) {
        ENUMLOGFONTEXA& theRecord = theFamily.mRecord;
        theRecord.elfLogFont.lfWeight = FW_NORMAL;
        theRecord.elfLogFont.lfCharSet = theFamily.mLatin ? ANSI_CHARSET : DEFAULT_CHARSET;
        theRecord.elfLogFont.lfOutPrecision = 3;  // stroke
        theRecord.elfLogFont.lfClipPrecision = 2;
        theRecord.elfLogFont.lfQuality = 1;
        CopyTruncated(theRecord.elfLogFont.lfFaceName, LF_FACESIZE, theFamily.mName);
        CopyTruncated(theRecord.elfFullName, LF_FULLFACESIZE, theFamily.mName);
        CopyTruncated(theRecord.elfStyle, LF_FACESIZE, "Regular");
        CopyTruncated(theRecord.elfScript, LF_FACESIZE, theFamily.mLatin ? "Western" : "");
        theFamilies->push_back(std::move(theFamily));
    }
    return theFamilies;
}

void FontCatalogue::RefreshLocked()
{
    const auto theNow = CoarseNow();
    if (mSnapshot == nullptr) {
        FcInit();
        mSnapshot = Build();
        mChecked = theNow;
    } else if (theNow - mChecked >= kCheckInterval) {
        mChecked = theNow;
        // FcInitBringUptoDate would wait for fontconfig's own rescan interval.
        if (!FcConfigUptoDate(nullptr)) {
            FcInitReinitialize();
            mSnapshot = Build();
            mResolved.clear();
            mGeneration.fetch_add(1, std::memory_order_acq_rel);
        }
    }
}

FontCatalogue::Snapshot FontCatalogue::Families()
{
    std::lock_guard<std::mutex> theLock(mMutex);
    RefreshLocked();
    return mSnapshot;
}

std::uint64_t FontCatalogue::CurrentGeneration()
{
    std::lock_guard<std::mutex> theLock(mMutex);
    RefreshLocked();
    return Generation();
}

std::string FontCatalogue::Resolve(const char* inFaceName)
{
    const std::string_view theName = inFaceName != nullptr ? inFaceName : "";
    std::lock_guard<std::mutex> theLock(mMutex);
    RefreshLocked();
    const auto theFound = mResolved.find(theName);
    if (theFound != mResolved.end()) {
        return theFound->second;
    }
    std::string theFamily = ResolveIn(*mSnapshot, inFaceName);
    // Names come from callers: a page cycling through many must not grow this without end.
    if (mResolved.size() >= kResolvedLimit) {
        mResolved.clear();
    }
    mResolved.emplace(theName, theFamily);
    return theFamily;
}

std::string FontCatalogue::ResolveIn(const std::vector<FontFamilyEntry>& inFamilies, const char* inFaceName)
{
    if (inFaceName != nullptr && *inFaceName != '\0') {
        const std::string theFolded = Fold(inFaceName);
        for (const FontFamilyEntry& theFamily : inFamilies) {
            if (theFamily.mFolded == theFolded) {
                return theFamily.mName;
            }
        }
        for (const FontFamilyEntry& theFamily : inFamilies) {
            if (theFamily.mFolded.compare(0, theFolded.size(), theFolded) == 0) {
                return theFamily.mName;
            }
        }
    }
    for (const FontFamilyEntry& theFamily : inFamilies) {
        if (theFamily.mName == kDefaultFamily) {
            return theFamily.mName;
        }
    }
    return inFamilies.empty() ? std::string("Sans") : inFamilies.front().mName;
}

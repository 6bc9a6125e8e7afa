#include "vellumax/formats/QTUtils.h"

#include "imaging/CodecList.h"
#include "imaging/Errors.h"
#include "imaging/Files.h"
#include "imaging/GraphicsExport.h"
#include "imaging/GraphicsImport.h"
#include "imaging/Memory.h"
#include "imaging/Startup.h"
#include "vellumax/params/Utilities.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <strings.h>
#include <utility>

void InitQuickTime(OSErr& outCode, bool& outAvailable)
{
    outAvailable = false;
    outCode = InitializeQTML(0);
    if (outCode != noErr)
        return;
    outCode = EnterMovies();
    if (outCode != noErr) {
        TerminateQTML();
        return;
    }
    long theVersion = 0;
    if (Gestalt(gestaltQuickTime, &theVersion) == noErr)
        outAvailable = ((static_cast<unsigned long>(theVersion) >> 24) & 0xFF) >= 4;
    SetCodecTypeLookup(&LookupCodecType);
}

void ExitQuickTime(OSErr inCode)
{
    if (inCode != noErr)
        return;
    ExitMovies();
    TerminateQTML();
}

// ---- Components, importers and exporters ------------------------------------------------

namespace {

using AtomListRef = std::unique_ptr<char*, vx::CloseWith<QTDisposeAtomContainer>>;
using CodecListRef = std::unique_ptr<CodecNameSpecList, vx::CloseWith<DisposeCodecNameList>>;

constexpr long kMimeAtomText = 255;

ComponentDescription ExporterSearch()
{
    return ComponentDescription{GraphicsExporterComponentType, 0, 0, 0, graphicsExporterIsBaseExporter};
}

ComponentDescription ImporterSearch()
{
    return ComponentDescription{GraphicsImporterComponentType, 0, 0, kHasMIMETypeList, kHasMIMETypeList};
}

// What follows the first '.', or the empty text.
const char* ExtensionOf(const char* inText)
{
    const char* theDot = std::strchr(inText, '.');
    return theDot != nullptr ? theDot + 1 : "";
}

bool SameText(const char* inA, const char* inB)
{
    return strcasecmp(inA, inB) == 0;
}

bool ListHolds(const char* inList, const char* inExtension)
{
    const char* thePiece = inList;
    for (;;) {
        const char* theComma = std::strchr(thePiece, ',');
        const std::size_t theLength = theComma != nullptr ? std::size_t(theComma - thePiece) : std::strlen(thePiece);
        if (theLength == std::strlen(inExtension) && strncasecmp(thePiece, inExtension, theLength) == 0)
            return true;
        if (theComma == nullptr)
            return false;
        thePiece = theComma + 1;
    }
}

ComponentResult Supported(ComponentResult inResult)
{
    return inResult == badComponentSelector ? noErr : inResult;
}

using MimeListCall = ComponentResult (*)(ComponentInstance, void*);

// The walk FindExporter and FindImporter share; inWithDefaultExtension adds the exporter's
// default-extension test.
ComponentResult FindComponent(ComponentDescription inSearch, MimeListCall inGetList, bool inWithDefaultExtension,
                              const char* inExtension, const char* inMimeType, const char* inDescription,
                              Component& outComponent)
{
    outComponent = nullptr;
    const char* theExtension = ExtensionOf(inExtension);
    for (Component theComponent = FindNextComponent(nullptr, &inSearch); theComponent != nullptr;
         theComponent = FindNextComponent(theComponent, &inSearch)) {
        ComponentInstance theOpened = nullptr;
        ComponentResult theResult = OpenComponentInstance(theComponent, theOpened);
        if (theResult != noErr)
            return theResult;
        const ComponentRef theInstance(theOpened);
        QTAtomContainer theFound = nullptr;
        bool theMatched = false;
        theResult = Supported(inGetList(theInstance.get(), &theFound));
        const AtomListRef theList(theFound);
        if (theResult == noErr && theList != nullptr)
            theResult = MatchMimeList(theExtension, inMimeType, inDescription, theList.get(), theMatched);
        if (theResult == noErr && !theMatched && inWithDefaultExtension) {
            OSType theDefault = 0;
            theResult = Supported(GraphicsExportGetDefaultFileNameExtension(theInstance.get(), &theDefault));
            if (theResult == noErr && theDefault != 0) {
                const char theText[5] = {char(theDefault >> 24), char(theDefault >> 16), char(theDefault >> 8),
                                         char(theDefault), '\0'};
                theMatched = strncasecmp(theText, theExtension, 3) == 0;
            }
        }
        if (theResult != noErr)
            return theResult;
        if (theMatched) {
            outComponent = theComponent;
            return noErr;
        }
    }
    return noErr;
}

ComponentResult ImporterList(ComponentInstance inInstance, void* outList)
{
    return GraphicsImportGetMIMETypeList(inInstance, outList);
}

ComponentResult ExporterList(ComponentInstance inInstance, void* outList)
{
    return GraphicsExportGetMIMETypeList(inInstance, outList);
}

// The first importer that takes the data and says it is valid; an error ends the trial.
ComponentResult SearchByTrial(Handle inData, ComponentInstance& ioImporter)
{
    ComponentDescription theSearch = ImporterSearch();
    for (Component theComponent = FindNextComponent(nullptr, &theSearch); theComponent != nullptr;
         theComponent = FindNextComponent(theComponent, &theSearch)) {
        ComponentInstance theOpened = nullptr;
        if (OpenComponentInstance(theComponent, theOpened) != noErr)
            return noErr;
        ComponentRef theInstance(theOpened);
        Boolean theValid = kFalse;
        ComponentResult theResult = GraphicsImportSetDataHandle(theInstance.get(), inData);
        if (theResult == noErr) {
            theResult = GraphicsImportValidate(theInstance.get(), &theValid);
            if (theResult == badComponentSelector) {
                theResult = noErr;
                theValid = kFalse;
            }
        }
        if (theResult == noErr && theValid) {
            ioImporter = theInstance.release();
            return noErr;
        }
        if (theResult != noErr)
            return noErr;
    }
    return noErr;
}

}  // namespace

OSErr GetQuickTimeVersion(long& outMajor, long& outMinor, long& outFix)
{
    outMajor = outMinor = outFix = 0;
    long theResponse = 0;
    const OSErr theError = Gestalt(gestaltQuickTime, &theResponse);
    if (theError != noErr)
        return theError;
    const unsigned long theBits = static_cast<unsigned long>(theResponse);
    outMajor = long((theBits >> 24) & 0xFF);
    outMinor = long((theBits >> 20) & 0x0F);
    outFix = long((theBits >> 16) & 0x0F);
    return noErr;
}

OSErr OpenComponentInstance(Component inComponent, ComponentInstance& outInstance)
{
    outInstance = OpenComponent(inComponent);
    if (outInstance != nullptr)
        return noErr;
    if (const OSErr theError = GetMoviesError(); theError != noErr)
        return theError;
    if (const OSErr theError = MemError(); theError != noErr)
        return theError;
    return internalQuickTimeError;
}

void CloseImporter(ComponentInstance& ioInstance)
{
    const ComponentRef theClosed(std::exchange(ioInstance, nullptr));
}

OSErr GetCodecName(long inIndex, char* outName, long& outCount)
{
    outCount = 0;
    CodecNameSpecListPtr theFound = nullptr;
    const OSErr theError = GetCodecNameList(&theFound, 1);
    if (theError != noErr)
        return theError;
    const CodecListRef theList(theFound);
    outCount = theList->count;
    if (outName != nullptr && inIndex >= 0 && inIndex < outCount)
        CStringFromPascal(theList->list[inIndex].typeName, outName);
    return noErr;
}

ComponentResult GetExporterName(long inIndex, char* outName, char* outInfo, long& outCount)
{
    outCount = 0;
    ComponentDescription theSearch = ExporterSearch();
    for (Component theComponent = FindNextComponent(nullptr, &theSearch); theComponent != nullptr;
         theComponent = FindNextComponent(theComponent, &theSearch)) {
        if (outCount == inIndex && (outName != nullptr || outInfo != nullptr)) {
            const HandleRef theName(NewHandle(0));
            const HandleRef theInfo(NewHandle(0));
            OSErr theError = theName != nullptr && theInfo != nullptr ? noErr : MemError();
            if (theError == noErr)
                theError = GetComponentInfo(theComponent, nullptr, theName.get(), theInfo.get(), nullptr);
            if (theError == noErr && outName != nullptr)
                CStringFromHandle(theName.get(), outName);
            if (theError == noErr && outInfo != nullptr)
                CStringFromHandle(theInfo.get(), outInfo);
            if (theError != noErr)
                return theError;
        }
        ++outCount;
    }
    return noErr;
}

ComponentResult FindExporter(const char* inExtension, const char* inMimeType, const char* inDescription,
                             Component& outComponent)
{
    assert(inExtension != nullptr && inMimeType != nullptr && inDescription != nullptr);
    outComponent = nullptr;
    if (inExtension == nullptr || inMimeType == nullptr || inDescription == nullptr)
        return paramErr;
    return FindComponent(ExporterSearch(), &ExporterList, true, inExtension, inMimeType, inDescription, outComponent);
}

ComponentResult FindImporter(const char* inExtension, const char* inMimeType, const char* inDescription,
                             Component& outComponent)
{
    assert(inExtension != nullptr && inMimeType != nullptr && inDescription != nullptr);
    outComponent = nullptr;
    if (inExtension == nullptr || inMimeType == nullptr || inDescription == nullptr)
        return paramErr;
    const ComponentResult theResult =
        FindComponent(ImporterSearch(), &ImporterList, false, inExtension, inMimeType, inDescription, outComponent);
    if (theResult == noErr && outComponent == nullptr)
        return cantFindHandler;
    return theResult;
}

ComponentResult MatchMimeList(const char* inExtension, const char* inMimeType, const char* inDescription,
                              QTAtomContainer inContainer, bool& outMatched)
{
    assert(inExtension != nullptr && inMimeType != nullptr && inDescription != nullptr && inContainer != nullptr);
    outMatched = false;
    if (inExtension == nullptr || inMimeType == nullptr || inDescription == nullptr || inContainer == nullptr)
        return paramErr;
    QTAtom theAtom = 0;
    for (;;) {
        if (const OSErr theError = QTNextChildAnyType(inContainer, kParentAtomIsContainer, theAtom, &theAtom);
            theError != noErr)
            return theError;
        if (theAtom == 0)
            return noErr;
        QTAtomType theType = 0;
        QTAtomID theID = 0;
        if (const OSErr theError = QTGetAtomTypeAndID(inContainer, theAtom, &theType, &theID); theError != noErr)
            return theError;
        char theText[kMimeAtomText + 1] = {};
        long theSize = 0;
        if (const OSErr theError = QTCopyAtomDataToPtr(inContainer, theAtom, kTrue, kMimeAtomText, theText, &theSize);
            theError != noErr)
            return theError;
        theText[theSize] = '\0';
        if (theType == FourCharCode("ext ") && *inExtension != '\0')
            outMatched = ListHolds(theText, inExtension);
        else if (theType == FourCharCode("mime") && *inMimeType != '\0')
            outMatched = SameText(theText, inMimeType);
        else if (theType == FourCharCode("desc") && *inDescription != '\0')
            outMatched = SameText(theText, inDescription);
        if (outMatched)
            return noErr;
    }
}

OSErr GetImporterForFile(const char* inPath, ComponentInstance& ioImporter)
{
    assert(inPath != nullptr && ioImporter == nullptr);
    if (inPath == nullptr || ioImporter != nullptr)
        return paramErr;
    FSSpec theSpec{};
    if (const OSErr theError = NativePathNameToFSSpec(inPath, &theSpec, 0); theError != noErr)
        return theError;
    return GetGraphicsImporterForFile(&theSpec, &ioImporter);
}

ComponentResult GetImporterForData(Handle inData, const char* inType, ComponentInstance& ioImporter)
{
    assert(inData != nullptr && inType != nullptr && ioImporter == nullptr);
    if (inData == nullptr || inType == nullptr || ioImporter != nullptr)
        return paramErr;
    Component theComponent = nullptr;
    ComponentResult theResult = FindImporter(inType, inType, inType, theComponent);
    if (theResult == noErr)
        theResult = OpenComponentInstance(theComponent, ioImporter);
    if (theResult == noErr) {
        theResult = GraphicsImportSetDataHandle(ioImporter, inData);
        if (theResult == noErr)
            theResult = ValidateImporter(ioImporter);
    }
    if (ioImporter == nullptr) {
        SearchByTrial(inData, ioImporter);
        if (ioImporter != nullptr)
            return noErr;
    }
    return theResult;
}

ComponentResult ValidateImporter(ComponentInstance& ioImporter)
{
    Boolean theValid = kFalse;
    const ComponentResult theResult = GraphicsImportValidate(ioImporter, &theValid);
    if (theResult == badComponentSelector)
        return noErr;
    if (theResult == noErr && theValid)
        return noErr;
    // Refused: the instance is closed and the slot cleared.
    const ComponentRef theRefused(std::exchange(ioImporter, nullptr));
    return theResult != noErr ? theResult : badImageDescription;
}

ComponentResult GetImageBounds(ComponentInstance inImporter, Rect& outBounds)
{
    outBounds = Rect{0, 0, 0, 0};
    if (inImporter == nullptr)
        return noErr;
    return GraphicsImportGetNaturalBounds(inImporter, &outBounds);
}

ComponentResult GetImageInfo(ComponentInstance inImporter, long& outDepth, long& outResolution, char* outName)
{
    outDepth = 0;
    outResolution = 0;
    if (outName != nullptr)
        *outName = '\0';
    if (inImporter == nullptr)
        return noErr;
    ImageDescriptionHandle theDesc = nullptr;
    const ComponentResult theResult = GraphicsImportGetImageDescription(inImporter, &theDesc);
    if (theResult != noErr || theDesc == nullptr)
        return theResult;
    const HandleRef theOwner(reinterpret_cast<Handle>(theDesc));
    Handle theHandle = theOwner.get();
    HLock(theHandle);
    outDepth = (*theDesc)->depth;
    outResolution = long(((*theDesc)->hRes + 0x8000) >> 16);
    if (outName != nullptr)
        CStringFromPascal((*theDesc)->name, outName);
    HUnlock(theHandle);
    return noErr;
}

bool LookupCodecType(const char* inName, OSType* outType)
{
    if (inName == nullptr || outType == nullptr)
        return false;
    CodecNameSpecListPtr theMade = nullptr;
    if (GetCodecNameList(&theMade, 1) != noErr)
        return false;
    const CodecListRef theList(theMade);
    bool theFound = false;
    for (short theIndex = 0; theIndex < theList->count && !theFound; ++theIndex) {
        char theName[kTextCapacity];
        CStringFromPascal(theList->list[theIndex].typeName, theName);
        if (SameText(theName, inName)) {
            *outType = theList->list[theIndex].cType;
            theFound = true;
        }
    }
    return theFound;
}

void CStringFromHandle(Handle inHandle, char* outText)
{
    outText[0] = '\0';
    if (inHandle == nullptr)
        return;
    const Size theSize = GetHandleSize(inHandle);
    if (theSize < 1)
        return;
    HLock(inHandle);
    const auto* thePascal = reinterpret_cast<const unsigned char*>(*inHandle);
    const std::size_t theLength = std::min<std::size_t>(thePascal[0], std::size_t(theSize) - 1);
    std::memcpy(outText, thePascal + 1, theLength);
    outText[theLength] = '\0';
    HUnlock(inHandle);
}

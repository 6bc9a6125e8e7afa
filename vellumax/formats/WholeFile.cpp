#include "vellumax/formats/WholeFile.h"

#include <climits>

#include <sys/stat.h>
#include <unistd.h>

#include "automation/Errors.h"
#include "imaging/Errors.h"
#include "imaging/Files.h"

namespace {

// The reason of a failed file call: the system's own when there was one, so
// that a script reads the same text whatever layer met it.
void SetErrorOf(OSErr inError, int inSystemError)
{
    if (inSystemError != 0) {
        SetLastError(Win32FromErrno(inSystemError));
        return;
    }
    switch (inError) {
    case fBsyErr:
    case opWrErr:
    case dupFNErr:
        // Another save of the same file is under way.
        SetLastError(ERROR_SHARING_VIOLATION);
        break;
    case memFullErr:
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        break;
    case fnfErr:
        SetLastError(ERROR_FILE_NOT_FOUND);
        break;
    case dirNFErr:
        SetLastError(ERROR_PATH_NOT_FOUND);
        break;
    default:
        SetLastError(ERROR_GEN_FAILURE);
        break;
    }
}

// The platform writes a long in one call; bigger data goes in pieces.
OSErr WritePieces(short inRefNum, const char* inData, std::uint32_t inLength)
{
    constexpr std::uint32_t kPiece = std::uint32_t(1) << 30;
    while (inLength > 0) {
        long theCount = long(inLength < kPiece ? inLength : kPiece);
        if (const OSErr theError = FSWrite(inRefNum, &theCount, inData); theError != noErr)
            return theError;
        inData += theCount;
        inLength -= std::uint32_t(theCount);
    }
    return noErr;
}

}  // namespace

bool WriteWholeFile(const char* inPath, const void* inData, std::uint32_t inLength)
{
    if (inPath == nullptr || *inPath == '\0') {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    // A folder is never replaced, nor a file that could not be opened for writing.
    struct stat theOld {};
    const bool theExists = stat(inPath, &theOld) == 0;
    if (theExists && S_ISDIR(theOld.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (theExists && access(inPath, W_OK) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    FSSpec theSpec;
    OSErr theError = NativePathNameToFSSpec(inPath, &theSpec, 0);
    if (theError == noErr) {
        // Deleting first makes the creation a replacement: the old file stays
        // until the new one is complete.
        theError = FSpDelete(&theSpec);
    }
    if (theError == fnfErr)
        theError = noErr;  // a new file
    if (theError == noErr)
        theError = FSpCreate(&theSpec, 0, 0, smSystemScript);
    short theRefNum = 0;
    if (theError == noErr)
        theError = FSpOpenDF(&theSpec, fsWrPerm, &theRefNum);
    if (theError != noErr) {
        SetErrorOf(theError, FSLastSystemError());
        return false;
    }
    SetLastError(ERROR_SUCCESS);
    theError = WritePieces(theRefNum, static_cast<const char*>(inData), inLength);
    int theSystemError = FSLastSystemError();
    // A failed write makes the close discard the new content.
    const OSErr theCloseError = FSClose(theRefNum);
    if (theError == noErr) {
        theError = theCloseError;
        theSystemError = FSLastSystemError();
    }
    if (theError == noErr)
        return true;
    SetErrorOf(theError, theSystemError);
    return false;
}

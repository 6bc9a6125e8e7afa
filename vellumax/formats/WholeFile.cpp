#include "vellumax/formats/WholeFile.h"

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

}  // namespace

bool WriteWholeFile(const char* inPath, const void* inData, std::uint32_t inLength)
{
    if (inPath == nullptr || *inPath == '\0') {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    FSSpec theSpec;
    OSErr theError = NativePathNameToFSSpec(inPath, &theSpec, 0);
    if (theError == noErr || theError == fnfErr)  // a new file
        theError = FSpReplaceContents(&theSpec, inData, long(inLength));
    if (theError == noErr) {
        SetLastError(ERROR_SUCCESS);
        return true;
    }
    SetErrorOf(theError, FSLastSystemError());
    return false;
}

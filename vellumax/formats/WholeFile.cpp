#include "vellumax/formats/WholeFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "automation/Errors.h"

namespace {

// The folder's temporary file beside the target, unique to this call.
std::string TemporaryPathFor(const std::string& inPath)
{
    static std::atomic<unsigned> sCounter{0};
    char theSuffix[64];
    std::snprintf(theSuffix, sizeof(theSuffix), ".%ld.%u.tmp", long(getpid()), sCounter.fetch_add(1));
    return inPath + theSuffix;
}

// Writes all of it, resuming after partial writes and interruptions.
bool WriteAll(int inFile, const char* inData, std::size_t inLength)
{
    while (inLength > 0) {
        const ssize_t theWritten = write(inFile, inData, inLength);
        if (theWritten < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        inData += theWritten;
        inLength -= std::size_t(theWritten);
    }
    return true;
}

bool LockRange(int inFile, short inType, std::uint32_t inLength)
{
    struct flock theLock {};
    theLock.l_type = inType;
    theLock.l_whence = SEEK_SET;
    theLock.l_start = 0;
    theLock.l_len = off_t(inLength);
    return fcntl(inFile, F_SETLK, &theLock) == 0;
}

}  // namespace

bool WriteWholeFile(const char* inPath, const void* inData, std::uint32_t inLength)
{
    if (inPath == nullptr || *inPath == '\0') {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    std::string theTarget = inPath;
    struct stat theOld {};
    const bool theExists = stat(inPath, &theOld) == 0;
    if (char* theReal = realpath(inPath, nullptr); theReal != nullptr) {
        theTarget = theReal;
        std::free(theReal);
    }
    if (theExists && S_ISDIR(theOld.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // A file that could not be opened for writing is not replaced either.
    if (theExists && access(theTarget.c_str(), W_OK) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    const std::string theTemporary = TemporaryPathFor(theTarget);
    const int theFile = open(theTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (theFile < 0) {
        SetLastErrorFromErrno();
        return false;
    }
    SetLastError(ERROR_SUCCESS);
    bool theWritten = !theExists || fchmod(theFile, theOld.st_mode & 07777) == 0;
    theWritten = theWritten && (inLength == 0 || LockRange(theFile, F_WRLCK, inLength));
    theWritten = theWritten && WriteAll(theFile, static_cast<const char*>(inData), inLength);
    if (inLength > 0)
        LockRange(theFile, F_UNLCK, inLength);
    theWritten = theWritten && fsync(theFile) == 0;
    if (!theWritten)
        SetLastErrorFromErrno();
    if (close(theFile) != 0 && theWritten) {
        SetLastErrorFromErrno();
        theWritten = false;
    }
    if (theWritten && rename(theTemporary.c_str(), theTarget.c_str()) != 0) {
        SetLastErrorFromErrno();
        theWritten = false;
    }
    if (!theWritten) {
        const DWORD theError = GetLastError();
        unlink(theTemporary.c_str());
        SetLastError(theError);
    }
    return theWritten;
}

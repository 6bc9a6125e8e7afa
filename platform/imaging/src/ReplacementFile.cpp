#include "ReplacementFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <mutex>
#include <random>
#include <utility>

namespace vximaging {

namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel allows when it follows them
constexpr int kNameTries = 100;
constexpr const char* kTempPrefix = "/.vx-write-";

std::string FolderOf(const std::string& inPath)
{
    const std::size_t theSlash = inPath.rfind('/');
    return theSlash == 0 || theSlash == std::string::npos ? std::string("/") : inPath.substr(0, theSlash);
}

// Six letters or digits, different at each call and in each process.
std::string RandomSuffix()
{
    static std::mutex sMutex;
    static std::mt19937_64 sRandom{std::random_device{}() ^ std::uint64_t(::getpid())};
    constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::uint64_t theBits = 0;
    {
        std::lock_guard theLock(sMutex);
        theBits = sRandom();
    }
    std::string theSuffix(6, 'x');
    for (char& theLetter : theSuffix) {
        theLetter = kLetters[theBits % (sizeof(kLetters) - 1)];
        theBits /= sizeof(kLetters) - 1;
    }
    return theSuffix;
}

// The permission bits the new file gets: the old file's, or those of a new file.
mode_t ModeFor(const std::string& inTarget)
{
    struct stat theInfo {};
    if (::stat(inTarget.c_str(), &theInfo) == 0)
        return theInfo.st_mode & 07777;
    const mode_t theMask = ::umask(0);
    ::umask(theMask);
    return 0666 & ~theMask;
}

}  // namespace

namespace {

thread_local int tSystemError = 0;

}  // namespace

void ClearSystemError()
{
    tSystemError = 0;
}

int LastSystemError()
{
    return tSystemError;
}

OSErr ErrorOfErrno(int inErrno)
{
    tSystemError = inErrno;
    switch (inErrno) {
    case ENOENT:
        return fnfErr;
    case ENOTDIR:
        return dirNFErr;
    case EACCES:
    case EPERM:
        return permErr;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return dskFulErr;
    case EROFS:
        return wPrErr;
    case EEXIST:
        return dupFNErr;
    case EMFILE:
    case ENFILE:
        return tmfoErr;
    case ENAMETOOLONG:
        return bdNamErr;
    case EISDIR:
    case ENOTEMPTY:
    case EBUSY:
        return fBsyErr;
    case ENOMEM:
        return memFullErr;
    default:
        return ioErr;
    }
}

bool FollowLinks(const std::string& inPath, std::string& outTarget)
{
    std::string thePath = inPath;
    for (int theHop = 0; theHop < kMaxLinkHops; ++theHop) {
        char theText[PATH_MAX];
        const ssize_t theLength = ::readlink(thePath.c_str(), theText, sizeof(theText));
        if (theLength < 0) {
            // Not a link, or nothing there: this is the file.
            outTarget = thePath;
            return true;
        }
        if (theLength == 0 || std::size_t(theLength) >= sizeof(theText)) {
            errno = ENAMETOOLONG;
            return false;
        }
        const std::string theLink(theText, std::size_t(theLength));
        thePath = theLink.front() == '/' ? theLink : FolderOf(thePath) + "/" + theLink;
    }
    errno = ELOOP;
    return false;
}

ReplacementFile::ReplacementFile(ReplacementFile&& inOther) noexcept
    : mFd(std::exchange(inOther.mFd, -1)), mTarget(std::move(inOther.mTarget)), mTemp(std::move(inOther.mTemp))
{
    inOther.mTemp.clear();
}

ReplacementFile& ReplacementFile::operator=(ReplacementFile&& inOther) noexcept
{
    if (this != &inOther) {
        Discard();
        mFd = std::exchange(inOther.mFd, -1);
        mTarget = std::move(inOther.mTarget);
        mTemp = std::move(inOther.mTemp);
        inOther.mTemp.clear();
    }
    return *this;
}

ReplacementFile::~ReplacementFile()
{
    Discard();
}

OSErr ReplacementFile::Begin(const std::string& inPath)
{
    Discard();
    std::string theTarget;
    if (!FollowLinks(inPath, theTarget))
        return ErrorOfErrno(errno);
    const std::string theFolder = FolderOf(theTarget);
    const mode_t theMode = ModeFor(theTarget);
    // An unnamed file is linked in through /proc; without it, a named one is the only way.
    static const bool sLinkable = ::access("/proc/self/fd", X_OK) == 0;
    int theFd = sLinkable ? ::open(theFolder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600) : -1;
    if (!sLinkable)
        errno = EOPNOTSUPP;
    std::string theTemp;
    if (theFd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // No unnamed files here: a hidden named one, removed on every path but a kill.
        std::string theTemplate = theFolder + kTempPrefix + "XXXXXX";
        theFd = ::mkostemp(theTemplate.data(), O_CLOEXEC);
        if (theFd >= 0)
            theTemp = theTemplate;
    }
    if (theFd < 0)
        return ErrorOfErrno(errno);
    ::fchmod(theFd, theMode);
    mFd = theFd;
    mTarget = std::move(theTarget);
    mTemp = std::move(theTemp);
    return noErr;
}

OSErr ReplacementFile::LinkIn()
{
    if (!mTemp.empty())
        return noErr;
    char theProc[64];
    std::snprintf(theProc, sizeof(theProc), "/proc/self/fd/%d", mFd);
    // A new file appears whole under its own name, with no temporary at all.
    if (::linkat(AT_FDCWD, theProc, AT_FDCWD, mTarget.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return noErr;
    if (errno != EEXIST)
        return ErrorOfErrno(errno);
    const std::string theFolder = FolderOf(mTarget);
    for (int theTry = 0; theTry < kNameTries; ++theTry) {
        std::string theTemp = theFolder + kTempPrefix + RandomSuffix();
        if (::linkat(AT_FDCWD, theProc, AT_FDCWD, theTemp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            mTemp = std::move(theTemp);
            return noErr;
        }
        if (errno != EEXIST)
            return ErrorOfErrno(errno);
    }
    return ErrorOfErrno(EEXIST);
}

OSErr ReplacementFile::Commit()
{
    if (mFd < 0)
        return rfNumErr;
    OSErr theError = ::fsync(mFd) == 0 ? noErr : ErrorOfErrno(errno);
    const bool theNamed = !mTemp.empty();
    if (theError == noErr)
        theError = LinkIn();
    // Linked straight under the target's name: done.
    const bool theInPlace = theError == noErr && !theNamed && mTemp.empty();
    if (::close(std::exchange(mFd, -1)) != 0 && theError == noErr && !theInPlace)
        theError = ErrorOfErrno(errno);
    if (theError == noErr && !theInPlace && ::rename(mTemp.c_str(), mTarget.c_str()) != 0)
        theError = ErrorOfErrno(errno);
    if (theError != noErr && !mTemp.empty())
        ::unlink(mTemp.c_str());
    mTemp.clear();
    return theError;
}

void ReplacementFile::Discard()
{
    if (mFd >= 0)
        ::close(std::exchange(mFd, -1));
    if (!mTemp.empty())
        ::unlink(mTemp.c_str());
    mTemp.clear();
}

}  // namespace vximaging

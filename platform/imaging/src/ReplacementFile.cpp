#include "ReplacementFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <utility>

namespace vximaging {

namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel allows when it follows them
constexpr int kNameTries = 100;

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
    // Forked processes share the generator's state: their own number keeps their names apart.
    theBits ^= std::uint64_t(::getpid()) * 0x9E3779B97F4A7C15u;
    std::string theSuffix(6, 'x');
    for (char& theLetter : theSuffix) {
        theLetter = kLetters[theBits % (sizeof(kLetters) - 1)];
        theBits /= sizeof(kLetters) - 1;
    }
    return theSuffix;
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

namespace {

// What an in-place open for writing meets at the target: nothing (a new name), or a regular file.
struct OldFile {
    bool mExists = false;
    struct stat mInfo {};
    UniqueFd mFd;  // open for writing, without truncating
};

// Refuses what an in-place write could not open, and anything but a regular file. The open is
// the permission check itself (mode, owner, read-only mounts), non-blocking so that a node
// swapped in meanwhile cannot hang it, and the descriptor's own kind is checked again.
OSErr InspectTarget(const std::string& inTarget, OldFile& outOld)
{
    struct stat theInfo {};
    if (::lstat(inTarget.c_str(), &theInfo) != 0)
        return errno == ENOENT ? noErr : ErrorOfErrno(errno);
    if (!S_ISREG(theInfo.st_mode))
        return ErrorOfErrno(EACCES);
    UniqueFd theFd(::open(inTarget.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
    if (!theFd.Valid())
        return ErrorOfErrno(errno == ENXIO || errno == ELOOP ? EACCES : errno);
    if (::fstat(theFd.Get(), &outOld.mInfo) != 0)
        return ErrorOfErrno(errno);
    if (!S_ISREG(outOld.mInfo.st_mode))
        return ErrorOfErrno(EACCES);
    outOld.mExists = true;
    outOld.mFd = std::move(theFd);
    return noErr;
}

// A replacement would split the file's other names from it, or give it to the caller.
bool NeedsInPlace(const struct stat& inOld)
{
    const uid_t theUser = ::geteuid();
    return inOld.st_nlink > 1 || (theUser != 0 && inOld.st_uid != theUser);
}

bool IsStrayName(const char* inName)
{
    const std::size_t thePrefix = std::strlen(kTemporaryPrefix);
    return std::strncmp(inName, kTemporaryPrefix, thePrefix) == 0 && std::strlen(inName) == thePrefix + 6;
}

// Removes the temporaries of killed writers from inFolder: names of this writer's form, owned by
// the caller, not written for a minute (a live write renews the time with every write). Each
// folder is swept at most once a minute per process, so that busy folders cost one scan.
void SweepStrays(const std::string& inFolder)
{
    static std::mutex sMutex;
    static std::map<std::string, std::chrono::steady_clock::time_point> sSwept;
    const auto theNow = std::chrono::steady_clock::now();
    {
        std::lock_guard theLock(sMutex);
        const auto theFound = sSwept.find(inFolder);
        if (theFound != sSwept.end() && theNow - theFound->second < std::chrono::seconds(kStraySeconds))
            return;
        if (sSwept.size() >= 1024)
            sSwept.clear();
        sSwept[inFolder] = theNow;
    }
    UniqueFd theFolder(::open(inFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* const theList = theFolder.Valid() ? ::fdopendir(theFolder.Get()) : nullptr;
    if (theList == nullptr)
        return;
    const int theFolderFd = theFolder.Release();  // the listing owns it now
    const time_t theOldest = ::time(nullptr) - kStraySeconds;
    while (const dirent* theEntry = ::readdir(theList)) {
        struct stat theInfo {};
        if (IsStrayName(theEntry->d_name) &&
            ::fstatat(theFolderFd, theEntry->d_name, &theInfo, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(theInfo.st_mode) &&
            theInfo.st_uid == ::geteuid() && theInfo.st_mtime < theOldest)
            ::unlinkat(theFolderFd, theEntry->d_name, 0);
    }
    ::closedir(theList);
}

// A temporary in inFolder, with no name when it can be linked in later, else a hidden name
// (outTemp); -1 with errno set on failure. The mode is a new file's (the process's mask applies).
int OpenTemporary(const std::string& inFolder, mode_t inMode, std::string& outTemp)
{
    // Linking an unnamed file in goes through /proc; without it a named one is the only way.
    const bool theLinkable = ::access("/proc/self/fd", X_OK) == 0;
    if (theLinkable) {
        const int theFd = ::open(inFolder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, inMode);
        if (theFd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
            return theFd;
    }
    for (int theTry = 0; theTry < kNameTries; ++theTry) {
        std::string theName = inFolder + "/" + kTemporaryPrefix + RandomSuffix();
        const int theFd = ::open(theName.c_str(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, inMode);
        if (theFd >= 0) {
            outTemp = std::move(theName);
            return theFd;
        }
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

// The new file takes the old one's owner and group where the caller may set them (root; or a
// group the caller belongs to), then its permission bits (after, as a change of owner clears
// set-user and set-group bits).
void KeepOwnerAndMode(int inFd, const struct stat& inOld)
{
    const uid_t theOwner = ::geteuid() == 0 ? inOld.st_uid : uid_t(-1);
    if (::fchown(inFd, theOwner, inOld.st_gid) != 0 && theOwner != uid_t(-1))
        (void)::fchown(inFd, uid_t(-1), inOld.st_gid);
    (void)::fchmod(inFd, inOld.st_mode & 07777);
}

// Copies the first inLength bytes of one open file over the start of another.
bool CopyRange(int inFrom, int inTo, off_t inLength)
{
    if (::lseek(inTo, 0, SEEK_SET) != 0)
        return false;
    char theBuffer[65536];
    for (off_t theAt = 0; theAt < inLength;) {
        const ssize_t theRead =
            ::pread(inFrom, theBuffer, std::size_t(std::min<off_t>(inLength - theAt, off_t(sizeof theBuffer))), theAt);
        if (theRead < 0 && errno == EINTR)
            continue;
        if (theRead <= 0) {
            if (theRead == 0)
                errno = EIO;
            return false;
        }
        if (WriteAll(inTo, theBuffer, std::size_t(theRead)) != std::size_t(theRead)) {
            if (errno == 0)
                errno = EIO;
            return false;
        }
        theAt += theRead;
    }
    return true;
}

// Holds an exclusive lock of a whole open file, so that in-place writers, also threads of one
// process, take turns. Waits a bounded time: a lock held forever elsewhere fails the save.
class WriteLock {
public:
    explicit WriteLock(int inFd) : mFd(inFd)
    {
        struct flock theLock {};
        theLock.l_type = F_WRLCK;
        theLock.l_whence = SEEK_SET;
        for (int theTry = 0; theTry < kLockTries; ++theTry) {
            if (::fcntl(mFd, F_OFD_SETLK, &theLock) == 0) {
                mHeld = true;
                return;
            }
            if (errno != EAGAIN && errno != EACCES && errno != EINTR)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        errno = EBUSY;
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;
    ~WriteLock()
    {
        if (!mHeld)
            return;
        struct flock theLock {};
        theLock.l_type = F_UNLCK;
        theLock.l_whence = SEEK_SET;
        ::fcntl(mFd, F_OFD_SETLK, &theLock);
    }
    bool Held() const { return mHeld; }

private:
    static constexpr int kLockTries = 1000;  // ten seconds
    int mFd;
    bool mHeld = false;
};

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& inOther) noexcept
{
    if (this != &inOther) {
        Reset();
        mFd = std::exchange(inOther.mFd, -1);
    }
    return *this;
}

int UniqueFd::Reset()
{
    return mFd >= 0 ? ::close(std::exchange(mFd, -1)) : 0;
}

ReplacementFile::ReplacementFile(ReplacementFile&& inOther) noexcept
    : mFd(std::move(inOther.mFd)),
      mInPlace(std::move(inOther.mInPlace)),
      mTarget(std::move(inOther.mTarget)),
      mTemp(std::exchange(inOther.mTemp, {}))
{
}

ReplacementFile& ReplacementFile::operator=(ReplacementFile&& inOther) noexcept
{
    if (this != &inOther) {
        Discard();
        mFd = std::move(inOther.mFd);
        mInPlace = std::move(inOther.mInPlace);
        mTarget = std::move(inOther.mTarget);
        mTemp = std::exchange(inOther.mTemp, {});
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
    OldFile theOld;
    if (const OSErr theError = InspectTarget(theTarget, theOld); theError != noErr)
        return theError;
    const bool theInPlace = theOld.mExists && NeedsInPlace(theOld.mInfo);
    const std::string theFolder = FolderOf(theTarget);
    std::string theTemp;
    UniqueFd theFd;
    if (theInPlace) {
        // Gathered in memory: an in-place write needs nothing of the folder, as a plain write.
        theFd = UniqueFd(::memfd_create("vx-write", MFD_CLOEXEC));
    } else {
        SweepStrays(theFolder);
        // Until it takes the old file's bits, a replacement is private to the caller.
        theFd = UniqueFd(OpenTemporary(theFolder, theOld.mExists ? 0600 : 0666, theTemp));
    }
    if (!theFd.Valid())
        return ErrorOfErrno(errno);
    if (theInPlace)
        mInPlace = std::move(theOld.mFd);
    else if (theOld.mExists)
        KeepOwnerAndMode(theFd.Get(), theOld.mInfo);
    mFd = std::move(theFd);
    mTarget = std::move(theTarget);
    mTemp = std::move(theTemp);
    return noErr;
}

OSErr ReplacementFile::LinkIn()
{
    if (!mTemp.empty())
        return noErr;
    char theProc[64];
    std::snprintf(theProc, sizeof(theProc), "/proc/self/fd/%d", mFd.Get());
    // A new file appears whole under its own name, with no temporary at all.
    if (::linkat(AT_FDCWD, theProc, AT_FDCWD, mTarget.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return noErr;
    if (errno != EEXIST)
        return ErrorOfErrno(errno);
    const std::string theFolder = FolderOf(mTarget);
    for (int theTry = 0; theTry < kNameTries; ++theTry) {
        std::string theTemp = theFolder + "/" + kTemporaryPrefix + RandomSuffix();
        if (::linkat(AT_FDCWD, theProc, AT_FDCWD, theTemp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            mTemp = std::move(theTemp);
            return noErr;
        }
        if (errno != EEXIST)
            return ErrorOfErrno(errno);
    }
    return ErrorOfErrno(EEXIST);
}

OSErr ReplacementFile::WriteInPlace()
{
    struct stat theInfo {};
    if (::fstat(mFd.Get(), &theInfo) != 0)
        return ErrorOfErrno(errno);
    const WriteLock theLock(mInPlace.Get());
    if (!theLock.Held())
        return ErrorOfErrno(errno);
    // Room first: a full disk or a size limit fails before a byte of the old content changes.
    if (theInfo.st_size > 0 && ::fallocate(mInPlace.Get(), 0, 0, theInfo.st_size) != 0 && errno != EOPNOTSUPP)
        return ErrorOfErrno(errno);
    if (!CopyRange(mFd.Get(), mInPlace.Get(), theInfo.st_size) || ::ftruncate(mInPlace.Get(), theInfo.st_size) != 0 ||
        ::fsync(mInPlace.Get()) != 0)
        return ErrorOfErrno(errno);
    return noErr;
}

OSErr ReplacementFile::Commit()
{
    if (!mFd.Valid())
        return rfNumErr;
    if (mInPlace.Valid()) {
        OSErr theError = WriteInPlace();
        if (mInPlace.Reset() != 0 && theError == noErr)
            theError = ErrorOfErrno(errno);
        Discard();
        return theError;
    }
    OSErr theError = ::fsync(mFd.Get()) == 0 ? noErr : ErrorOfErrno(errno);
    const bool theNamed = !mTemp.empty();
    if (theError == noErr)
        theError = LinkIn();
    // Linked straight under the target's name: done.
    const bool theLinkedAtName = theError == noErr && !theNamed && mTemp.empty();
    if (mFd.Reset() != 0 && theError == noErr && !theLinkedAtName)
        theError = ErrorOfErrno(errno);
    if (theError == noErr && !theLinkedAtName && ::rename(mTemp.c_str(), mTarget.c_str()) != 0)
        theError = ErrorOfErrno(errno);
    if (theError != noErr && !mTemp.empty())
        ::unlink(mTemp.c_str());
    mTemp.clear();
    return theError;
}

void ReplacementFile::Discard()
{
    mFd.Reset();
    mInPlace.Reset();
    if (!mTemp.empty())
        ::unlink(mTemp.c_str());
    mTemp.clear();
}

std::size_t WriteAll(int inFd, const void* inBytes, std::size_t inCount)
{
    const char* theBytes = static_cast<const char*>(inBytes);
    std::size_t theDone = 0;
    while (theDone < inCount) {
        const ssize_t theWritten = ::write(inFd, theBytes + theDone, inCount - theDone);
        if (theWritten < 0 && errno == EINTR)
            continue;
        if (theWritten <= 0) {
            if (theWritten == 0)
                errno = 0;
            break;
        }
        theDone += std::size_t(theWritten);
    }
    return theDone;
}

OSErr ReplaceContents(const std::string& inPath, const void* inBytes, std::size_t inCount)
{
    ReplacementFile theFile;
    if (const OSErr theError = theFile.Begin(inPath); theError != noErr)
        return theError;
    if (WriteAll(theFile.Fd(), inBytes, inCount) != inCount)
        return errno != 0 ? ErrorOfErrno(errno) : ioErr;  // discarded with theFile
    return theFile.Commit();
}

}  // namespace vximaging

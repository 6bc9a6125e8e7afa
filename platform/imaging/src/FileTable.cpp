// File specifications and transactional writing: writes go to a temporary file in the same folder
// that replaces the real file only when it is closed without an error.
#include "FileTable.h"
#include "Impl.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

namespace vximaging {

namespace {

std::string FolderOf(const std::string& inPath)
{
    const std::size_t theSlash = inPath.rfind('/');
    return theSlash == 0 ? std::string("/") : inPath.substr(0, theSlash);
}

bool Exists(const std::string& inPath)
{
    struct stat theInfo {};
    return ::stat(inPath.c_str(), &theInfo) == 0;
}

// Copies a whole file into an open descriptor; false with errno set on failure.
bool CopyInto(const std::string& inPath, int inFd)
{
    const int theSource = ::open(inPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (theSource < 0)
        return false;
    char theBuffer[65536];
    bool theOk = true;
    for (;;) {
        const ssize_t theRead = ::read(theSource, theBuffer, sizeof(theBuffer));
        if (theRead == 0)
            break;
        if (theRead < 0) {
            if (errno == EINTR)
                continue;
            theOk = false;
            break;
        }
        if (WriteAll(inFd, theBuffer, std::size_t(theRead)) != std::size_t(theRead)) {
            theOk = false;
            break;
        }
    }
    const int theErrno = errno;
    ::close(theSource);
    errno = theErrno;
    return theOk && ::lseek(inFd, 0, SEEK_SET) == 0;
}

}  // namespace

OSErr OpenForReading(const std::string& inPath, int& outFd)
{
    // Non-blocking, so that a pipe with no writer, or a device, can't hold the caller.
    UniqueFd theFd(::open(inPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat theInfo {};
    // A socket, or a device with no driver, can't even be opened.
    const bool theNoFile = !theFd.Valid() && (errno == ENXIO || errno == ENODEV);
    if (!theNoFile && (!theFd.Valid() || ::fstat(theFd.Get(), &theInfo) != 0))
        return ErrorOfErrno(errno);
    if (theNoFile || !S_ISREG(theInfo.st_mode)) {
        // Only a regular file holds a picture: a folder, device, pipe or socket is refused.
        ErrorOfErrno(EINVAL);
        return ioErr;
    }
    if (theInfo.st_size > kMaxReadBytes) {
        ErrorOfErrno(EFBIG);
        return memFullErr;
    }
    outFd = theFd.Release();
    return noErr;
}

FileTable& FileTable::Instance()
{
    static FileTable sTable;
    return sTable;
}

FileTable::~FileTable()
{
    // Unloading: unfinished writes are discarded, plain deletes are carried out.
    for (auto& [theRefNum, theFile] : mOpen)
        if (!theFile.mReplacement.Active())
            ::close(theFile.mFd);
    for (Pending& thePending : mPending) {
        if (thePending.mState == PendingState::kDeleted)
            ::unlink(thePending.mPath.c_str());
        else if (thePending.mState == PendingState::kCreated)
            thePending.mReplacement.Commit();
    }
}

// Deletes and creations belong to the thread that made them: each thread's replacement of a file
// has its own new content, so saves of one file from several threads never meet here, and the
// last to close wins.
FileTable::Pending* FileTable::FindPending(const std::string& inPath)
{
    const std::thread::id theThread = std::this_thread::get_id();
    for (Pending& thePending : mPending)
        if (thePending.mPath == inPath && thePending.mThread == theThread)
            return &thePending;
    return nullptr;
}

void FileTable::DropPending(const std::string& inPath)
{
    const std::thread::id theThread = std::this_thread::get_id();
    std::erase_if(mPending, [&](const Pending& inPending) {
        return inPending.mPath == inPath && inPending.mThread == theThread;
    });
}

bool FileTable::OpenByThisThread(const std::string& inPath, OpenUse inUse) const
{
    const std::thread::id theThread = std::this_thread::get_id();
    for (const auto& [theRefNum, theFile] : mOpen)
        if (theFile.mPath == inPath && theFile.mThread == theThread && (inUse == OpenUse::kAny || theFile.mWritable))
            return true;
    return false;
}

void FileTable::FinishDeletedLocked(const std::string* inExceptPath)
{
    const std::thread::id theThread = std::this_thread::get_id();
    std::erase_if(mPending, [&](const Pending& inPending) {
        if (inPending.mThread != theThread || inPending.mState != PendingState::kDeleted)
            return false;
        if (inExceptPath != nullptr && *inExceptPath == inPending.mPath)
            return false;
        ::unlink(inPending.mPath.c_str());
        return true;
    });
}

void FileTable::FinishPendingDeletes()
{
    std::lock_guard theLock(mMutex);
    FinishDeletedLocked(nullptr);
    const std::thread::id theThread = std::this_thread::get_id();
    std::erase_if(mPending, [&](Pending& inPending) {
        if (inPending.mThread != theThread || inPending.mState != PendingState::kCreated)
            return false;
        // Deleted, then created and never opened: the file is now the new, empty one.
        inPending.mReplacement.Commit();
        return true;
    });
}

std::int32_t FileTable::FolderId(const std::string& inFolder)
{
    if (const auto theFound = mFolderIds.find(inFolder); theFound != mFolderIds.end())
        return theFound->second;
    // Identifiers start above 2, the classic root folder's.
    const auto theId = std::int32_t(mFolders.size() + 3);
    mFolders.push_back(inFolder);
    mFolderIds.emplace(inFolder, theId);
    return theId;
}

OSErr FileTable::FillSpec(const std::string& inPath, FSSpec* outSpec)
{
    std::string thePath = inPath;
    if (thePath.empty() || thePath.back() == '/')
        return bdNamErr;
    if (thePath.front() != '/') {
        char theCwd[PATH_MAX];
        if (::getcwd(theCwd, sizeof(theCwd)) == nullptr)
            return ErrorOfErrno(errno);
        thePath = std::string(theCwd) + "/" + thePath;
    }
    if (thePath.size() >= std::size_t(kFSSpecPathMax)) {
        ErrorOfErrno(ENAMETOOLONG);
        return bdNamErr;
    }
    const std::string theFolder = FolderOf(thePath);
    const std::string theName = thePath.substr(thePath.rfind('/') + 1);
    std::memset(outSpec, 0, sizeof(FSSpec));
    std::memcpy(outSpec->path, thePath.c_str(), thePath.size() + 1);
    const std::size_t theShort = std::min<std::size_t>(theName.size(), 63);
    outSpec->name[0] = static_cast<unsigned char>(theShort);
    std::memcpy(outSpec->name + 1, theName.data(), theShort);
    struct stat theInfo {};
    const bool theFolderFound = ::stat(theFolder.c_str(), &theInfo) == 0;
    if (!theFolderFound || !S_ISDIR(theInfo.st_mode)) {
        ErrorOfErrno(theFolderFound ? ENOTDIR : errno);
        return dirNFErr;
    }
    outSpec->vRefNum = static_cast<std::int16_t>(theInfo.st_dev);
    outSpec->parID = FolderId(theFolder);
    if (theShort < theName.size())
        mLongNames[{outSpec->parID, theName.substr(0, theShort)}] = theName;
    if (const Pending* thePending = FindPending(thePath);
        thePending != nullptr && thePending->mState == PendingState::kDeleted)
        return fnfErr;
    if (::stat(thePath.c_str(), &theInfo) != 0)
        return ErrorOfErrno(errno);
    return noErr;
}

OSErr FileTable::MakeSpec(const char* inPath, FSSpec* outSpec)
{
    if (inPath == nullptr || outSpec == nullptr)
        return paramErr;
    std::lock_guard theLock(mMutex);
    FinishDeletedLocked(nullptr);
    return FillSpec(inPath, outSpec);
}

OSErr FileTable::MakeSpecInFolder(long inDirID, const unsigned char* inName, FSSpec* outSpec)
{
    if (inName == nullptr || outSpec == nullptr)
        return paramErr;
    std::lock_guard theLock(mMutex);
    FinishDeletedLocked(nullptr);
    std::string theName(reinterpret_cast<const char*>(inName) + 1, inName[0]);
    if (!theName.empty() && theName.front() == '/')
        return FillSpec(theName, outSpec);
    std::string theFolder;
    if (inDirID != 0) {
        const long theIndex = inDirID - 3;
        if (theIndex < 0 || theIndex >= long(mFolders.size()))
            return dirNFErr;
        theFolder = mFolders[std::size_t(theIndex)];
        if (const auto theLong = mLongNames.find({std::int32_t(inDirID), theName}); theLong != mLongNames.end())
            theName = theLong->second;
    }
    return FillSpec(theFolder.empty() ? theName : (theFolder == "/" ? "" : theFolder) + "/" + theName, outSpec);
}

OSErr FileTable::Delete(const FSSpec* inSpec)
{
    if (inSpec == nullptr)
        return paramErr;
    std::lock_guard theLock(mMutex);
    FinishDeletedLocked(nullptr);
    const std::string thePath = inSpec->path;
    if (FindPending(thePath) != nullptr)
        return FindPending(thePath)->mState == PendingState::kDeleted ? fnfErr : fBsyErr;
    struct stat theInfo {};
    if (::stat(thePath.c_str(), &theInfo) != 0)
        return ErrorOfErrno(errno);
    if (S_ISDIR(theInfo.st_mode))
        return ::rmdir(thePath.c_str()) == 0 ? noErr : ErrorOfErrno(errno);
    if (OpenByThisThread(thePath, OpenUse::kAny))
        return fBsyErr;
    if (::access(FolderOf(thePath).c_str(), W_OK | X_OK) != 0)
        return ErrorOfErrno(errno);
    mPending.push_back(Pending{thePath, std::this_thread::get_id(), PendingState::kDeleted, {}});
    return noErr;
}

OSErr FileTable::Create(const FSSpec* inSpec)
{
    if (inSpec == nullptr)
        return paramErr;
    std::lock_guard theLock(mMutex);
    const std::string thePath = inSpec->path;
    FinishDeletedLocked(&thePath);
    if (Pending* thePending = FindPending(thePath)) {
        if (thePending->mState != PendingState::kDeleted || thePending->mThread != std::this_thread::get_id())
            return dupFNErr;
        if (const OSErr theError = thePending->mReplacement.Begin(thePath); theError != noErr) {
            // The replacement failed before it began: the old file stays.
            DropPending(thePath);
            return theError;
        }
        thePending->mState = PendingState::kCreated;
        return noErr;
    }
    // A new file is a replacement of nothing: it appears, whole, at its close (or empty when the
    // thread stops the platform without opening it), so a killed save leaves no empty file behind.
    // A link naming no file yet makes the file it names.
    std::string theTarget;
    if (!FollowLinks(thePath, theTarget))
        return ErrorOfErrno(errno);
    if (Exists(theTarget))
        return dupFNErr;
    if (errno != ENOENT)
        return ErrorOfErrno(errno);
    Pending theNew{thePath, std::this_thread::get_id(), PendingState::kCreated, {}};
    if (const OSErr theError = theNew.mReplacement.Begin(thePath); theError != noErr)
        return theError;
    mPending.push_back(std::move(theNew));
    return noErr;
}

short FileTable::NextRefNum()
{
    for (int theTry = 0; theTry < 32767; ++theTry) {
        mLastRefNum = short(mLastRefNum >= 32767 ? 1 : mLastRefNum + 1);
        if (mOpen.find(mLastRefNum) == mOpen.end())
            return mLastRefNum;
    }
    return 0;
}

OSErr FileTable::Open(const FSSpec* inSpec, char inPermission, short* outRefNum)
{
    if (inSpec == nullptr || outRefNum == nullptr || inPermission < fsCurPerm || inPermission > fsRdWrPerm)
        return paramErr;
    std::lock_guard theLock(mMutex);
    const std::string thePath = inSpec->path;
    FinishDeletedLocked(nullptr);
    *outRefNum = 0;
    const short theRefNum = NextRefNum();
    if (theRefNum == 0)
        return tmfoErr;
    OpenFile theFile;
    theFile.mPath = thePath;
    theFile.mWritable = inPermission != fsRdPerm;
    theFile.mThread = std::this_thread::get_id();
    if (Pending* thePending = FindPending(thePath)) {
        if (thePending->mState != PendingState::kCreated || !theFile.mWritable)
            return thePending->mState == PendingState::kOpen ? fBsyErr : fnfErr;
        theFile.mReplacement = std::move(thePending->mReplacement);
        theFile.mFd = theFile.mReplacement.Fd();
        thePending->mState = PendingState::kOpen;
    } else if (!theFile.mWritable) {
        if (const OSErr theError = OpenForReading(thePath, theFile.mFd); theError != noErr)
            return theError;
    } else {
        if (OpenByThisThread(thePath, OpenUse::kWriting))
            return opWrErr;
        if (!Exists(thePath))
            return fnfErr;
        if (const OSErr theError = theFile.mReplacement.Begin(thePath); theError != noErr)
            return theError;
        theFile.mFd = theFile.mReplacement.Fd();
        // Writing starts over the old content, as writing in place would.
        if (!CopyInto(thePath, theFile.mFd))
            return ErrorOfErrno(errno);  // the replacement is discarded with theFile
    }
    mOpen.emplace(theRefNum, std::move(theFile));
    *outRefNum = theRefNum;
    return noErr;
}

OSErr FileTable::Write(short inRefNum, long* ioCount, const void* inBuffer)
{
    if (ioCount == nullptr || *ioCount < 0 || (inBuffer == nullptr && *ioCount > 0))
        return paramErr;
    std::lock_guard theLock(mMutex);
    FinishDeletedLocked(nullptr);
    const auto theFound = mOpen.find(inRefNum);
    if (theFound == mOpen.end()) {
        *ioCount = 0;
        return rfNumErr;
    }
    OpenFile& theFile = theFound->second;
    if (!theFile.mWritable) {
        *ioCount = 0;
        return wrPermErr;
    }
    const std::size_t theWanted = std::size_t(*ioCount);
    const std::size_t theDone = WriteAll(theFile.mFd, inBuffer, theWanted);
    if (theDone == theWanted)
        return noErr;
    const OSErr theError = errno != 0 ? ErrorOfErrno(errno) : ioErr;
    if (theFile.mFailure == noErr)
        theFile.mFailure = theError;
    *ioCount = long(theDone);
    return theError;
}

OSErr FileTable::Read(short inRefNum, long* ioCount, void* outBuffer)
{
    if (ioCount == nullptr || *ioCount < 0 || (outBuffer == nullptr && *ioCount > 0))
        return paramErr;
    std::lock_guard theLock(mMutex);
    FinishDeletedLocked(nullptr);
    const auto theFound = mOpen.find(inRefNum);
    if (theFound == mOpen.end()) {
        *ioCount = 0;
        return rfNumErr;
    }
    char* theBytes = static_cast<char*>(outBuffer);
    long theDone = 0;
    while (theDone < *ioCount) {
        const ssize_t theRead = ::read(theFound->second.mFd, theBytes + theDone, std::size_t(*ioCount - theDone));
        if (theRead < 0 && errno == EINTR)
            continue;
        if (theRead < 0) {
            *ioCount = theDone;
            return ErrorOfErrno(errno);
        }
        if (theRead == 0)
            break;
        theDone += theRead;
    }
    const bool theShort = theDone < *ioCount;
    *ioCount = theDone;
    return theShort ? eofErr : noErr;
}

OSErr FileTable::Close(short inRefNum)
{
    std::lock_guard theLock(mMutex);
    FinishDeletedLocked(nullptr);
    const auto theFound = mOpen.find(inRefNum);
    if (theFound == mOpen.end())
        return rfNumErr;
    OpenFile theFile = std::move(theFound->second);
    mOpen.erase(theFound);
    OSErr theError = theFile.mFailure;
    if (!theFile.mReplacement.Active()) {
        if (::close(theFile.mFd) != 0 && theError == noErr)
            theError = ErrorOfErrno(errno);
        return theError;
    }
    // The old file, if any, stays as it was unless the whole new one is linked in.
    if (theError == noErr)
        theError = theFile.mReplacement.Commit();
    else
        theFile.mReplacement.Discard();
    // A replacement ends here either way: completed, or cancelled together with its delete.
    DropPending(theFile.mPath);
    return theError;
}

OSErr NativePathNameToFSSpec(const char* inPath, FSSpec* outSpec, long)
{
    ClearSystemError();
    return FileTable::Instance().MakeSpec(inPath, outSpec);
}

OSErr FSMakeFSSpec(short, long inDirID, const unsigned char* inName, FSSpec* outSpec)
{
    ClearSystemError();
    return FileTable::Instance().MakeSpecInFolder(inDirID, inName, outSpec);
}

OSErr FSpDelete(const FSSpec* inSpec)
{
    ClearSystemError();
    return FileTable::Instance().Delete(inSpec);
}

OSErr FSpCreate(const FSSpec* inSpec, OSType, OSType, ScriptCode)
{
    ClearSystemError();
    return FileTable::Instance().Create(inSpec);
}

OSErr FSpOpenDF(const FSSpec* inSpec, char inPermission, short* outRefNum)
{
    ClearSystemError();
    return FileTable::Instance().Open(inSpec, inPermission, outRefNum);
}

OSErr FSWrite(short inRefNum, long* ioCount, const void* inBuffer)
{
    ClearSystemError();
    return FileTable::Instance().Write(inRefNum, ioCount, inBuffer);
}

OSErr FSRead(short inRefNum, long* ioCount, void* outBuffer)
{
    ClearSystemError();
    return FileTable::Instance().Read(inRefNum, ioCount, outBuffer);
}

OSErr FSpReplaceContents(const FSSpec* inSpec, const void* inBytes, long inCount)
{
    ClearSystemError();
    if (inSpec == nullptr || inCount < 0 || (inBytes == nullptr && inCount > 0))
        return paramErr;
    return ReplaceContents(inSpec->path, inBytes, std::size_t(inCount));
}

OSErr FSClose(short inRefNum)
{
    ClearSystemError();
    return FileTable::Instance().Close(inRefNum);
}

int FSLastSystemError()
{
    return LastSystemError();
}

}  // namespace vximaging

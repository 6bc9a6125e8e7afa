// The process's open files, pending deletes and folder identifiers behind the file calls.
#pragma once

#include "ReplacementFile.h"
#include "imaging/Files.h"

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vximaging {

// Opens a file for reading: a regular file of at most kMaxReadBytes, never blocking.
OSErr OpenForReading(const std::string& inPath, int& outFd);

class FileTable {
public:
    static FileTable& Instance();
    ~FileTable();

    OSErr MakeSpec(const char* inPath, FSSpec* outSpec);
    OSErr MakeSpecInFolder(long inDirID, const unsigned char* inName, FSSpec* outSpec);
    OSErr Delete(const FSSpec* inSpec);
    OSErr Create(const FSSpec* inSpec);
    OSErr Open(const FSSpec* inSpec, char inPermission, short* outRefNum);
    OSErr Write(short inRefNum, long* ioCount, const void* inBuffer);
    OSErr Read(short inRefNum, long* ioCount, void* outBuffer);
    OSErr Close(short inRefNum);
    // Carries out the calling thread's pending deletes (and creations not yet opened).
    void FinishPendingDeletes();

private:
    enum class PendingState { kDeleted, kCreated, kOpen };
    enum class OpenUse { kAny, kWriting };
    struct Pending {
        std::string mPath;
        std::thread::id mThread;
        PendingState mState;
        ReplacementFile mReplacement;  // the new file, until opened (kCreated)
    };
    struct OpenFile {
        int mFd = -1;  // the replacement's when writing, else owned
        std::string mPath;
        ReplacementFile mReplacement;  // inactive when the file is read in place
        bool mWritable = false;
        std::thread::id mThread;
        OSErr mFailure = noErr;
    };

    // Callers hold mMutex.
    void FinishDeletedLocked(const std::string* inExceptPath);
    Pending* FindPending(const std::string& inPath);
    void DropPending(const std::string& inPath);
    bool OpenByThisThread(const std::string& inPath, OpenUse inUse) const;
    std::int32_t FolderId(const std::string& inFolder);
    OSErr FillSpec(const std::string& inPath, FSSpec* outSpec);
    short NextRefNum();

    std::mutex mMutex;
    std::vector<Pending> mPending;
    std::map<short, OpenFile> mOpen;
    short mLastRefNum = 0;
    std::map<std::string, std::int32_t> mFolderIds;
    std::vector<std::string> mFolders;
    std::map<std::pair<std::int32_t, std::string>, std::string> mLongNames;
};

}  // namespace vximaging

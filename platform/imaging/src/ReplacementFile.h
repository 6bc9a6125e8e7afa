// The one writer behind every save. New content is written into a file of the target's folder that
// has no name (O_TMPFILE) and is linked in only when complete: straight under the target's name
// when there is no file there yet, else under a short hidden name renamed over the target at once.
// A process killed while writing leaves nothing behind; where unnamed files can't be linked in
// (no such files, or no /proc) the temporary is a hidden named file from the start, removed on
// every path but a kill, and the strays of killed writers are swept from the folder once they are
// a minute old. The target is the file a path names once its symbolic links are followed, so that
// saving onto a link replaces the file it names and keeps the link.
//
// Only a regular file or a new name is written: a folder, device, pipe or socket is refused
// (EACCES), and so is a file the caller could not open for writing in place. The new file keeps
// the old one's permission bits, and its owner and group where the caller may set them. A file
// with other names (hard links), or one whose owner the caller could not give back, is gathered in
// memory and written in place instead, under a lock and after its room is reserved, so that it
// keeps its links and owner and a full disk still leaves the old content.
#pragma once

#include "imaging/Errors.h"
#include "imaging/MacTypes.h"

#include <string>
#include <utility>

namespace vximaging {

// Owns one descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int inFd) : mFd(inFd) {}
    UniqueFd(UniqueFd&& inOther) noexcept : mFd(std::exchange(inOther.mFd, -1)) {}
    UniqueFd& operator=(UniqueFd&& inOther) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int Get() const { return mFd; }
    bool Valid() const { return mFd >= 0; }
    int Release() { return std::exchange(mFd, -1); }
    // Closes the descriptor; the close's result (0, or -1 with errno set).
    int Reset();

private:
    int mFd = -1;
};

class ReplacementFile {
public:
    ReplacementFile() = default;
    ReplacementFile(ReplacementFile&& inOther) noexcept;
    ReplacementFile& operator=(ReplacementFile&& inOther) noexcept;
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    // Discards what was not committed.
    ~ReplacementFile();

    // Starts the replacement of the file inPath names (absolute). An error leaves nothing begun.
    OSErr Begin(const std::string& inPath);
    bool Active() const { return mFd.Valid(); }
    // The descriptor to write to and read from, open for both; owned by this object.
    int Fd() const { return mFd.Get(); }
    // The file that will be replaced.
    const std::string& Target() const { return mTarget; }
    // Flushes, links the content in under the target's name (or writes it over the target in
    // place) and closes. On an error the target keeps its old content and nothing of the
    // replacement stays behind.
    OSErr Commit();
    // Closes and forgets the content.
    void Discard();

private:
    OSErr LinkIn();
    OSErr WriteInPlace();

    UniqueFd mFd;
    UniqueFd mInPlace;  // the target itself, open for writing, when it is written in place
    std::string mTarget;
    std::string mTemp;  // the hidden name the content has, when it has one
};

// Writes inCount bytes as the whole new content of the file inPath names (absolute), through a
// ReplacementFile: all or nothing.
OSErr ReplaceContents(const std::string& inPath, const void* inBytes, std::size_t inCount);

// The temporaries' names start with this, in the folder of the file they replace.
inline constexpr const char* kTemporaryPrefix = ".vx-write-";
// A temporary no write has touched for this long belongs to a writer that was killed.
inline constexpr int kStraySeconds = 60;

// The file inPath (absolute) names once symbolic links are followed; errno set and false when the
// links loop or a link's text is unusable. A path that is no link is its own answer, whether or
// not a file is there.
bool FollowLinks(const std::string& inPath, std::string& outTarget);

// Writes all of the bytes, again after an interruption; returns how many were written. When that
// is short, errno holds the reason, or 0 when the system wrote nothing without one.
std::size_t WriteAll(int inFd, const void* inBytes, std::size_t inCount);

// An errno value as the classic file result code; the value is also kept as the calling thread's
// system error, which the file calls clear on entry and FSLastSystemError answers.
OSErr ErrorOfErrno(int inErrno);
void ClearSystemError();
int LastSystemError();

}  // namespace vximaging

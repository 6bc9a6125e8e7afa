// The new content of a file being replaced. It is written into a file of the target's folder that
// has no name (O_TMPFILE) and is linked in only when complete: straight under the target's name
// when there is no file there yet, else under a short hidden name renamed over the target at once.
// A process killed while writing leaves nothing behind; where the file system has no unnamed files
// the temporary is a hidden named file from the start. The target is the file a path names once
// its symbolic links are followed, so that saving onto a link replaces the file it names and keeps
// the link; the new file takes the old one's permission bits. Any name the folder accepts works:
// the temporary name is short whatever the target's.
#pragma once

#include "imaging/Errors.h"
#include "imaging/MacTypes.h"

#include <string>

namespace vximaging {

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
    bool Active() const { return mFd >= 0; }
    // The descriptor to write to and read from, open for both; owned by this object.
    int Fd() const { return mFd; }
    // The file that will be replaced.
    const std::string& Target() const { return mTarget; }
    // Flushes, links the content in under the target's name and closes. On an error the target
    // keeps its old content and nothing of the replacement stays behind.
    OSErr Commit();
    // Closes and forgets the content.
    void Discard();

private:
    OSErr LinkIn();

    int mFd = -1;
    std::string mTarget;
    std::string mTemp;  // the hidden name the content has, when it has one
};

// The file inPath (absolute) names once symbolic links are followed; errno set and false when the
// links loop or a link's text is unusable. A path that is no link is its own answer, whether or
// not a file is there.
bool FollowLinks(const std::string& inPath, std::string& outTarget);

// An errno value as the classic file result code; the value is also kept as the calling thread's
// system error, which the file calls clear on entry and FSLastSystemError answers.
OSErr ErrorOfErrno(int inErrno);
void ClearSystemError();
int LastSystemError();

}  // namespace vximaging

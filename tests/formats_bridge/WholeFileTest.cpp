// The whole-file writer: exact bytes, permissions and links kept, the system's
// error on failure, and the old file intact whenever a write fails.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "automation/Errors.h"
#include "vellumax/formats/QTUtils.h"
#include "vellumax/formats/WholeFile.h"

namespace {

class WholeFile : public testing::Test {
protected:
    void SetUp() override
    {
        InitQuickTime(mCode, mAvailable);
        ASSERT_TRUE(mAvailable);
        char theTemplate[] = "/tmp/vx-formats-XXXXXX";
        ASSERT_NE(mkdtemp(theTemplate), nullptr);
        mFolder = theTemplate;
        mPath = mFolder + "/out.bin";
    }
    void TearDown() override
    {
        std::system(("rm -rf '" + mFolder + "'").c_str());
        ExitQuickTime(mCode);
    }

    std::string Contents(const std::string& inPath) const
    {
        std::ifstream theFile(inPath, std::ios::binary);
        return {std::istreambuf_iterator<char>(theFile), std::istreambuf_iterator<char>()};
    }
    int FileCount() const
    {
        return std::system(("test $(ls -A '" + mFolder + "' | wc -l) -eq 1").c_str()) == 0 ? 1 : 0;
    }

    OSErr mCode = noErr;
    bool mAvailable = false;
    std::string mFolder;
    std::string mPath;
};

TEST_F(WholeFile, CreatesAndReplacesWithExactlyTheBytes)
{
    SetLastError(1234);
    ASSERT_TRUE(WriteWholeFile(mPath.c_str(), "first contents", 14));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(Contents(mPath), "first contents");
    ASSERT_TRUE(WriteWholeFile(mPath.c_str(), "short", 5));
    EXPECT_EQ(Contents(mPath), "short");  // ends where the data ends
    ASSERT_TRUE(WriteWholeFile(mPath.c_str(), nullptr, 0));
    EXPECT_EQ(Contents(mPath), "");
    EXPECT_EQ(FileCount(), 1);  // no temporary file left behind
}

TEST_F(WholeFile, KeepsPermissionsAndFollowsLinks)
{
    ASSERT_TRUE(WriteWholeFile(mPath.c_str(), "a", 1));
    ASSERT_EQ(chmod(mPath.c_str(), 0640), 0);
    ASSERT_TRUE(WriteWholeFile(mPath.c_str(), "b", 1));
    struct stat theInfo {};
    ASSERT_EQ(stat(mPath.c_str(), &theInfo), 0);
    EXPECT_EQ(theInfo.st_mode & 0777, 0640u);

    const std::string theLink = mFolder + "/link";
    ASSERT_EQ(symlink(mPath.c_str(), theLink.c_str()), 0);
    ASSERT_TRUE(WriteWholeFile(theLink.c_str(), "via link", 8));
    EXPECT_EQ(Contents(mPath), "via link");
    struct stat theLinkInfo {};
    ASSERT_EQ(lstat(theLink.c_str(), &theLinkInfo), 0);
    EXPECT_TRUE(S_ISLNK(theLinkInfo.st_mode));
}

TEST_F(WholeFile, FailuresReportTheSystemErrorAndKeepTheOldFile)
{
    const std::string theMissing = mFolder + "/no/such/folder/out.bin";
    EXPECT_FALSE(WriteWholeFile(theMissing.c_str(), "x", 1));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    EXPECT_FALSE(WriteWholeFile(mFolder.c_str(), "x", 1));
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_FALSE(WriteWholeFile("", "x", 1));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    ASSERT_TRUE(WriteWholeFile(mPath.c_str(), "old", 3));
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(mPath.c_str(), 0444), 0);
        EXPECT_FALSE(WriteWholeFile(mPath.c_str(), "new", 3));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        ASSERT_EQ(chmod(mPath.c_str(), 0644), 0);
        ASSERT_EQ(chmod(mFolder.c_str(), 0555), 0);
        EXPECT_FALSE(WriteWholeFile(mPath.c_str(), "new", 3));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        ASSERT_EQ(chmod(mFolder.c_str(), 0755), 0);
    }
    EXPECT_EQ(Contents(mPath), "old");
    EXPECT_EQ(FileCount(), 1);
}

TEST_F(WholeFile, AFailedWriteLeavesTheOldFile)
{
    ASSERT_TRUE(WriteWholeFile(mPath.c_str(), "old", 3));
    // More than a small file-size limit allows: the write itself fails.
    const std::string theCommand = "ulimit -f 1 && exec '" + std::string(VX_FORMATS_WRITER) + "' '" + mPath + "'";
    const int theStatus = std::system(("sh -c \"" + theCommand + "\"").c_str());
    EXPECT_TRUE(WIFEXITED(theStatus) && WEXITSTATUS(theStatus) == 1) << theStatus;
    EXPECT_EQ(Contents(mPath), "old");
    EXPECT_EQ(FileCount(), 1);
}

}  // namespace

// File specifications and writing: new files, replacement through a temporary file, and failed
// writes that must leave the old file intact.
#include "ImagingTestSupport.h"

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;

class FileTest : public ImagingTest {
protected:
    void SetUp() override
    {
        ImagingTest::SetUp();
        std::string theTemplate = (fs::temp_directory_path() / "vx-imaging-files-XXXXXX").string();
        ASSERT_NE(::mkdtemp(theTemplate.data()), nullptr);
        mFolder = theTemplate;
    }
    void TearDown() override
    {
        ImagingTest::TearDown();
        fs::remove_all(mFolder);
    }

    std::string PathOf(const std::string& inName) const { return (mFolder / inName).string(); }

    static std::string Contents(const std::string& inPath)
    {
        std::ifstream theStream(inPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(theStream), std::istreambuf_iterator<char>());
    }

    static void WriteFile(const std::string& inPath, const std::string& inText)
    {
        std::ofstream(inPath, std::ios::binary) << inText;
    }

    std::size_t EntryCount() const
    {
        return std::size_t(std::distance(fs::directory_iterator(mFolder), fs::directory_iterator()));
    }

    // The replacement sequence of a byte-array save: delete, create, open, write, close.
    OSErr Save(const std::string& inPath, const std::string& inBytes, OSErr* outWriteError = nullptr)
    {
        FSSpec theSpec;
        NativePathNameToFSSpec(inPath.c_str(), &theSpec, 0);
        FSpDelete(&theSpec);
        if (const OSErr theError = FSpCreate(&theSpec, FourCharCode("????"), FourCharCode("????"), smSystemScript))
            return theError;
        short theRefNum = 0;
        if (const OSErr theError = FSpOpenDF(&theSpec, fsRdWrPerm, &theRefNum))
            return theError;
        long theCount = long(inBytes.size());
        const OSErr theWrite = FSWrite(theRefNum, &theCount, inBytes.data());
        if (outWriteError != nullptr)
            *outWriteError = theWrite;
        const OSErr theClose = FSClose(theRefNum);
        return theWrite != noErr ? theWrite : theClose;
    }

    // The folder's entries but the one named, split into hidden and visible ones.
    void Strays(const std::string& inKept, std::size_t& outHidden, std::size_t& outVisible) const
    {
        outHidden = 0;
        outVisible = 0;
        for (const fs::directory_entry& theEntry : fs::directory_iterator(mFolder)) {
            const std::string theName = theEntry.path().filename().string();
            if (theName != inKept)
                ++(theName.front() == '.' ? outHidden : outVisible);
        }
    }

    fs::path mFolder;
};

TEST_F(FileTest, NewPathGivesNotFoundWithAUsableSpec)
{
    const std::string thePath = PathOf("picture.gif");
    FSSpec theSpec;
    ASSERT_EQ(NativePathNameToFSSpec(thePath.c_str(), &theSpec, 0), fnfErr);
    EXPECT_EQ(std::string(theSpec.path), thePath);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(theSpec.name) + 1, theSpec.name[0]), "picture.gif");
    ASSERT_EQ(FSpCreate(&theSpec, 0, 0, smSystemScript), noErr);
    EXPECT_EQ(FSpCreate(&theSpec, 0, 0, smSystemScript), dupFNErr);
    short theRefNum = 0;
    ASSERT_EQ(FSpOpenDF(&theSpec, fsRdWrPerm, &theRefNum), noErr);
    long theCount = 5;
    ASSERT_EQ(FSWrite(theRefNum, &theCount, "GIF89"), noErr);
    EXPECT_EQ(theCount, 5);
    ASSERT_EQ(FSClose(theRefNum), noErr);
    EXPECT_EQ(Contents(thePath), "GIF89");
    EXPECT_EQ(NativePathNameToFSSpec(thePath.c_str(), &theSpec, 0), noErr);
    EXPECT_EQ(EntryCount(), 1u);  // no temporary file left behind
}

TEST_F(FileTest, SpecErrors)
{
    FSSpec theSpec;
    EXPECT_EQ(NativePathNameToFSSpec(PathOf("missing/file").c_str(), &theSpec, 0), dirNFErr);
    EXPECT_EQ(NativePathNameToFSSpec("", &theSpec, 0), bdNamErr);
    EXPECT_EQ(NativePathNameToFSSpec(std::string(5000, 'a').c_str(), &theSpec, 0), bdNamErr);
    EXPECT_EQ(NativePathNameToFSSpec(nullptr, &theSpec, 0), paramErr);
    EXPECT_EQ(FSClose(12345), rfNumErr);
}

TEST_F(FileTest, MakeSpecFromFolderAndNameFindsTheSameFileEvenWithLongNames)
{
    const std::string theLong = std::string(80, 'n') + ".png";
    for (const std::string& theName : {std::string("short.png"), theLong}) {
        SCOPED_TRACE(theName);
        WriteFile(PathOf(theName), "x");
        FSSpec theSpec, theMade;
        ASSERT_EQ(NativePathNameToFSSpec(PathOf(theName).c_str(), &theSpec, 0), noErr);
        EXPECT_LE(theSpec.name[0], 63);
        ASSERT_EQ(FSMakeFSSpec(theSpec.vRefNum, theSpec.parID, theSpec.name, &theMade), noErr);
        EXPECT_EQ(std::string(theMade.path), PathOf(theName));
    }
    FSSpec theSpec;
    const unsigned char theName[] = "\x03"
                                    "abc";
    EXPECT_EQ(FSMakeFSSpec(0, 999999, theName, &theSpec), dirNFErr);
}

TEST_F(FileTest, ReplacementWritesTheWholeNewFile)
{
    const std::string thePath = PathOf("out.bin");
    WriteFile(thePath, "old content that is longer");
    ASSERT_EQ(Save(thePath, "new"), noErr);
    EXPECT_EQ(Contents(thePath), "new");
    EXPECT_EQ(EntryCount(), 1u);
    ASSERT_EQ(Save(thePath, ""), noErr);  // an empty array makes an empty file
    EXPECT_EQ(Contents(thePath), "");
    EXPECT_TRUE(fs::exists(thePath));
}

TEST_F(FileTest, FailedReplacementKeepsTheOldFile)
{
    const std::string thePath = PathOf("out.bin");
    WriteFile(thePath, "old");
    // Files may not grow beyond 64 bytes from here on: the write fails part of the way through.
    struct rlimit theOld {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &theOld), 0);
    const auto theOldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit theLimit = theOld;
    theLimit.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &theLimit), 0);
    OSErr theWriteError = noErr;
    const OSErr theError = Save(thePath, std::string(1000, 'z'), &theWriteError);
    ::setrlimit(RLIMIT_FSIZE, &theOld);
    std::signal(SIGXFSZ, theOldHandler);
    EXPECT_EQ(theWriteError, dskFulErr);
    EXPECT_EQ(theError, dskFulErr);
    EXPECT_EQ(Contents(thePath), "old");
    EXPECT_EQ(EntryCount(), 1u);
    // The cancelled delete does not linger: the next save succeeds.
    ASSERT_EQ(Save(thePath, "next"), noErr);
    EXPECT_EQ(Contents(thePath), "next");
}

TEST_F(FileTest, WritingInPlaceIsAlsoAllOrNothing)
{
    const std::string thePath = PathOf("data.bin");
    WriteFile(thePath, "0123456789");
    FSSpec theSpec;
    ASSERT_EQ(NativePathNameToFSSpec(thePath.c_str(), &theSpec, 0), noErr);
    short theRefNum = 0;
    ASSERT_EQ(FSpOpenDF(&theSpec, fsRdWrPerm, &theRefNum), noErr);
    short theSecond = 0;
    EXPECT_EQ(FSpOpenDF(&theSpec, fsWrPerm, &theSecond), opWrErr);
    long theCount = 3;
    ASSERT_EQ(FSWrite(theRefNum, &theCount, "abc"), noErr);
    EXPECT_EQ(Contents(thePath), "0123456789");  // nothing visible before the close
    ASSERT_EQ(FSClose(theRefNum), noErr);
    EXPECT_EQ(Contents(thePath), "abc3456789");

    ASSERT_EQ(FSpOpenDF(&theSpec, fsRdPerm, &theRefNum), noErr);
    theCount = 3;
    EXPECT_EQ(FSWrite(theRefNum, &theCount, "xyz"), wrPermErr);
    char theBuffer[20] = {};
    theCount = sizeof(theBuffer);
    EXPECT_EQ(FSRead(theRefNum, &theCount, theBuffer), eofErr);
    EXPECT_EQ(theCount, 10);
    EXPECT_EQ(FSClose(theRefNum), noErr);
}

TEST_F(FileTest, DeleteWithoutReplacementTakesEffect)
{
    const std::string thePath = PathOf("gone.bin");
    WriteFile(thePath, "x");
    FSSpec theSpec;
    ASSERT_EQ(NativePathNameToFSSpec(thePath.c_str(), &theSpec, 0), noErr);
    ASSERT_EQ(FSpDelete(&theSpec), noErr);
    FSSpec theOther;
    EXPECT_EQ(NativePathNameToFSSpec(thePath.c_str(), &theOther, 0), fnfErr);
    EXPECT_FALSE(fs::exists(thePath));
    EXPECT_EQ(FSpDelete(&theSpec), fnfErr);

    // Deleted as the thread's last file call: carried out when the platform is stopped.
    WriteFile(thePath, "y");
    ASSERT_EQ(FSpDelete(&theSpec), noErr);
    ASSERT_EQ(InitializeQTML(0), noErr);
    TerminateQTML();
    EXPECT_FALSE(fs::exists(thePath));
}

// Saving onto a symbolic link replaces the file it names and keeps the link,
// also when the link names a file not made yet; the new file keeps the old
// one's permission bits.
TEST_F(FileTest, ReplacementFollowsLinksAndKeepsPermissions)
{
    const std::string theTarget = PathOf("target.png");
    WriteFile(theTarget, "old");
    ASSERT_EQ(::chmod(theTarget.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("target.png", PathOf("link.png").c_str()), 0);
    ASSERT_EQ(::symlink(theTarget.c_str(), PathOf("chain.png").c_str()), 0);
    for (const char* theName : {"link.png", "chain.png"}) {
        ASSERT_EQ(Save(PathOf(theName), theName), noErr);
        EXPECT_TRUE(fs::is_symlink(PathOf(theName)));
        EXPECT_EQ(Contents(theTarget), theName);
        struct stat theInfo {};
        ASSERT_EQ(::stat(theTarget.c_str(), &theInfo), 0);
        EXPECT_EQ(theInfo.st_mode & 07777, 0640u);
    }
    ASSERT_EQ(::symlink("later.png", PathOf("dangling.png").c_str()), 0);
    FSSpec theSpec;
    ASSERT_EQ(NativePathNameToFSSpec(PathOf("dangling.png").c_str(), &theSpec, 0), fnfErr);
    ASSERT_EQ(Save(PathOf("dangling.png"), "new"), noErr);
    EXPECT_TRUE(fs::is_symlink(PathOf("dangling.png")));
    EXPECT_EQ(Contents(PathOf("later.png")), "new");
    ASSERT_EQ(::symlink("loop.png", PathOf("loop.png").c_str()), 0);
    EXPECT_NE(Save(PathOf("loop.png"), "x"), noErr);
    EXPECT_TRUE(fs::is_symlink(PathOf("loop.png")));
}

// The temporary's name is short, so the longest name a folder accepts saves.
TEST_F(FileTest, TheLongestNameTheFolderAcceptsIsSaved)
{
    const std::string thePath = PathOf(std::string(255 - 4, 'n') + ".gif");
    ASSERT_EQ(Save(thePath, "first"), noErr);
    ASSERT_EQ(Save(thePath, "second"), noErr);
    EXPECT_EQ(Contents(thePath), "second");
    EXPECT_EQ(EntryCount(), 1u);
}

// A process killed at any moment of a save leaves the old file or the whole
// new one, and no visible file beside it; a new file is there whole or not at all.
TEST_F(FileTest, KilledSaveLeavesTheFileWholeAndNoVisibleStray)
{
    constexpr std::size_t kSize = std::size_t(4) << 20;
    constexpr std::size_t kChunk = 64 << 10;
    std::mt19937 theRandom(5);
    std::size_t theHiddenTotal = 0;
    for (const bool theFresh : {false, true}) {
        fs::remove_all(mFolder);
        fs::create_directory(mFolder);
        if (!theFresh)
            WriteFile(PathOf("page.gif"), std::string(kSize, 'a'));
        for (int theRound = 0; theRound < 8; ++theRound) {
            const pid_t theChild = ::fork();
            ASSERT_GE(theChild, 0);
            if (theChild == 0) {
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives a test that stopped
                // Saves without end, each with its own letter, written in pieces; fresh: each to a new name.
                for (int theSave = 0;; ++theSave) {
                    const std::string theChunk(kChunk, char('b' + theSave % 25));
                    const std::string thePath =
                        PathOf(theFresh ? "new-" + std::to_string(theRound) + "-" + std::to_string(theSave) + ".gif"
                                        : "page.gif");
                    FSSpec theSpec;
                    NativePathNameToFSSpec(thePath.c_str(), &theSpec, 0);
                    FSpDelete(&theSpec);
                    FSpCreate(&theSpec, 0, 0, smSystemScript);
                    short theRefNum = 0;
                    if (FSpOpenDF(&theSpec, fsRdWrPerm, &theRefNum) != noErr)
                        ::_exit(1);
                    for (std::size_t theDone = 0; theDone < kSize; theDone += kChunk) {
                        long theCount = long(kChunk);
                        FSWrite(theRefNum, &theCount, theChunk.data());
                    }
                    FSClose(theRefNum);
                }
            }
            ::usleep(useconds_t(2000 + theRandom() % 40000));
            ASSERT_EQ(::kill(theChild, SIGKILL), 0);
            int theStatus = 0;
            ASSERT_EQ(::waitpid(theChild, &theStatus, 0), theChild);
            ASSERT_TRUE(WIFSIGNALED(theStatus)) << "the child stopped on its own: " << theStatus;
            for (const fs::directory_entry& theEntry : fs::directory_iterator(mFolder)) {
                const std::string theName = theEntry.path().filename().string();
                if (theName.front() == '.')
                    continue;
                const std::string theContent = Contents(theEntry.path().string());
                ASSERT_EQ(theContent.size(), kSize) << theName << ", round " << theRound;
                EXPECT_EQ(theContent.find_first_not_of(theContent.front()), std::string::npos) << "a mixed file";
            }
        }
        for (const fs::directory_entry& theEntry : fs::directory_iterator(mFolder))
            theHiddenTotal += theEntry.path().filename().string().front() == '.' ? 1 : 0;
    }
    // Only a kill between linking in and renaming could leave a hidden one.
    EXPECT_LE(theHiddenTotal, 1u);
}

// The system's error number behind a failed file call, for callers that report the system's texts.
TEST_F(FileTest, TheSystemErrorOfAFailedCallIsKept)
{
    FSSpec theSpec;
    EXPECT_EQ(NativePathNameToFSSpec(PathOf("missing/file").c_str(), &theSpec, 0), dirNFErr);
    EXPECT_EQ(FSLastSystemError(), ENOENT);
    EXPECT_EQ(NativePathNameToFSSpec(("/" + std::string(5000, 'a')).c_str(), &theSpec, 0), bdNamErr);
    EXPECT_EQ(FSLastSystemError(), ENAMETOOLONG);
    WriteFile(PathOf("plain"), "x");
    EXPECT_EQ(NativePathNameToFSSpec(PathOf("plain/file").c_str(), &theSpec, 0), dirNFErr);
    EXPECT_EQ(FSLastSystemError(), ENOTDIR);
    EXPECT_EQ(NativePathNameToFSSpec(PathOf("plain").c_str(), &theSpec, 0), noErr);
    EXPECT_EQ(FSLastSystemError(), 0);
    ASSERT_EQ(NativePathNameToFSSpec(PathOf("new").c_str(), &theSpec, 0), fnfErr);
    ASSERT_EQ(FSpCreate(&theSpec, 0, 0, smSystemScript), noErr);
    EXPECT_EQ(FSpCreate(&theSpec, 0, 0, smSystemScript), dupFNErr);  // its own reason, no system error
    EXPECT_EQ(FSLastSystemError(), 0);
    EXPECT_EQ(FSClose(999), rfNumErr);
}

}  // namespace

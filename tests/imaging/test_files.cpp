// File specifications and writing: new files, replacement through a temporary file, and failed
// writes that must leave the old file intact.
#include "ImagingTestSupport.h"

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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
    const unsigned char theName[] = "\x03""abc";
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

}  // namespace

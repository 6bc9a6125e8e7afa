// What the file calls accept at a path: reads take only a regular file of bounded size and never
// block; writes take only a regular file or a new name; saves of one file from several threads all
// succeed; and a writer with no /proc leaves no stray behind for long.
#include "ImagingTestSupport.h"

#include "support/FileNodes.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace vxtest;

class FileTargetTest : public ImagingTest {
protected:
    void SetUp() override
    {
        ImagingTest::SetUp();
        std::string theTemplate = (fs::temp_directory_path() / "vx-imaging-targets-XXXXXX").string();
        ASSERT_NE(::mkdtemp(theTemplate.data()), nullptr);
        mFolder = theTemplate;
        // A read that blocks would hang the test: it fails it instead.
        ::alarm(60);
    }
    void TearDown() override
    {
        ::alarm(0);
        ImagingTest::TearDown();
        fs::remove_all(mFolder);
    }

    std::string PathOf(const std::string& inName) const { return mFolder + "/" + inName; }

    static std::string Contents(const std::string& inPath)
    {
        std::ifstream theStream(inPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(theStream), std::istreambuf_iterator<char>());
    }

    std::vector<std::string> Hidden() const
    {
        std::vector<std::string> theNames;
        for (const fs::directory_entry& theEntry : fs::directory_iterator(mFolder))
            if (theEntry.path().filename().string().front() == '.')
                theNames.push_back(theEntry.path().string());
        return theNames;
    }

    static OSErr OpenToRead(const std::string& inPath)
    {
        FSSpec theSpec;
        if (const OSErr theError = NativePathNameToFSSpec(inPath.c_str(), &theSpec, 0))
            return theError;
        short theRefNum = 0;
        const OSErr theError = FSpOpenDF(&theSpec, fsRdPerm, &theRefNum);
        const int theReason = FSLastSystemError();
        if (theError == noErr)
            FSClose(theRefNum);
        errno = theReason;
        return theError;
    }

    // The two ways to write a file: the one writer, and the classic delete, create, open, write, close.
    static OSErr Replace(const std::string& inPath, const std::string& inBytes)
    {
        FSSpec theSpec;
        NativePathNameToFSSpec(inPath.c_str(), &theSpec, 0);
        return FSpReplaceContents(&theSpec, inBytes.data(), long(inBytes.size()));
    }
    static OSErr ClassicSave(const std::string& inPath, const std::string& inBytes)
    {
        FSSpec theSpec;
        NativePathNameToFSSpec(inPath.c_str(), &theSpec, 0);
        if (const OSErr theError = FSpDelete(&theSpec); theError != noErr && theError != fnfErr)
            return theError;
        if (const OSErr theError = FSpCreate(&theSpec, 0, 0, smSystemScript))
            return theError;
        short theRefNum = 0;
        if (const OSErr theError = FSpOpenDF(&theSpec, fsRdWrPerm, &theRefNum))
            return theError;
        long theCount = long(inBytes.size());
        const OSErr theWrite = FSWrite(theRefNum, &theCount, inBytes.data());
        const OSErr theClose = FSClose(theRefNum);
        return theWrite != noErr ? theWrite : theClose;
    }

    std::string mFolder;
};

using Writer = OSErr (*)(const std::string&, const std::string&);
struct WriterCase {
    const char* mName;
    Writer mWrite;
};

TEST_F(FileTargetTest, ReadsTakeOnlyARegularFileAndNeverBlock)
{
    for (const NodeCase& theCase : kNodeCases) {
        SCOPED_TRACE(theCase.mName);
        std::string thePath;
        std::string theWhy;
        if (!MakeNodeCase(theCase, mFolder, ".png", thePath, theWhy)) {
            ASSERT_EQ(theCase.mKind, NodeKind::kDevice) << theWhy;
            std::cout << "[ SKIPPED  ] " << theCase.mName << ": " << theWhy << "\n";
            continue;
        }
        EXPECT_EQ(OpenToRead(thePath), ioErr);
        EXPECT_EQ(errno, EINVAL);
    }
    // A pipe that has a writer and data is still no file.
    const std::string thePipe = PathOf("fed.pipe");
    ASSERT_EQ(::mkfifo(thePipe.c_str(), 0600), 0);
    const int theReadEnd = ::open(thePipe.c_str(), O_RDONLY | O_NONBLOCK);
    const int theWriteEnd = ::open(thePipe.c_str(), O_WRONLY);
    ASSERT_EQ(::write(theWriteEnd, "GIF89a", 6), 6);
    EXPECT_EQ(OpenToRead(thePipe), ioErr);
    ::close(theWriteEnd);
    ::close(theReadEnd);
    EXPECT_EQ(OpenToRead("/dev/zero"), ioErr);
}

TEST_F(FileTargetTest, AFileOverTheReadBoundFailsAtOnce)
{
    const std::string thePath = PathOf("huge.bmp");
    std::ofstream(thePath) << "BM";
    for (const long theSize : {kMaxReadBytes, kMaxReadBytes + 1}) {
        SCOPED_TRACE(theSize);
        ASSERT_EQ(::truncate(thePath.c_str(), theSize), 0);  // sparse: no room taken
        const OSErr theError = OpenToRead(thePath);
        EXPECT_EQ(theError, theSize > kMaxReadBytes ? memFullErr : noErr);
        EXPECT_EQ(errno, theSize > kMaxReadBytes ? EFBIG : 0);
    }
    // Found by the importer lookup too, before a byte is read.
    FSSpec theSpec;
    ASSERT_EQ(NativePathNameToFSSpec(thePath.c_str(), &theSpec, 0), noErr);
    ComponentInstance theImporter = nullptr;
    EXPECT_EQ(GetGraphicsImporterForFile(&theSpec, &theImporter), memFullErr);
    EXPECT_EQ(FSLastSystemError(), EFBIG);
}

TEST_F(FileTargetTest, WritesTakeOnlyARegularFileOrANewNameAndLeaveTheNodeAlone)
{
    for (const WriterCase& theWriter : {WriterCase{"replace", &Replace}, WriterCase{"classic", &ClassicSave}}) {
        for (const NodeCase& theCase : kNodeCases) {
            SCOPED_TRACE(std::string(theWriter.mName) + " " + theCase.mName);
            // The classic sequence deletes first, and deleting a folder is what FSpDelete is for.
            const bool theFolder = theCase.mKind == NodeKind::kFolder || theCase.mKind == NodeKind::kEmptyFolder;
            if (theFolder && theWriter.mWrite == &ClassicSave)
                continue;
            std::string thePath;
            std::string theWhy;
            const std::string theExtension = std::string(".") + theWriter.mName;
            if (!MakeNodeCase(theCase, mFolder, theExtension, thePath, theWhy)) {
                ASSERT_EQ(theCase.mKind, NodeKind::kDevice) << theWhy;
                continue;
            }
            struct stat theBefore {};
            ASSERT_EQ(::stat(thePath.c_str(), &theBefore), 0);
            EXPECT_EQ(theWriter.mWrite(thePath, "GIF89a"), permErr);
            EXPECT_EQ(FSLastSystemError(), EACCES);
            EXPECT_TRUE(SameNode(theBefore, thePath));
        }
        // A regular file and a new name are written.
        EXPECT_EQ(theWriter.mWrite(PathOf(std::string("new.") + theWriter.mName), "new"), noErr);
        EXPECT_EQ(Contents(PathOf(std::string("new.") + theWriter.mName)), "new");
        EXPECT_EQ(theWriter.mWrite(PathOf(std::string("new.") + theWriter.mName), "again"), noErr);
        EXPECT_EQ(Contents(PathOf(std::string("new.") + theWriter.mName)), "again");
    }
    EXPECT_TRUE(Hidden().empty());
}

// Each thread's delete and creation are its own: before, a second thread's save met the first's
// and failed as busy (-47) or as already existing (-48).
TEST_F(FileTargetTest, SavesOfOneFileFromSeveralThreadsAllSucceed)
{
    constexpr int kThreads = 4;
    constexpr int kSaves = 40;
    for (const WriterCase& theWriter : {WriterCase{"replace", &Replace}, WriterCase{"classic", &ClassicSave}}) {
        SCOPED_TRACE(theWriter.mName);
        const std::string thePath = PathOf(std::string("shared.") + theWriter.mName);
        const auto theContent = [](int inThread) {
            return std::string(std::size_t(20000 + 1000 * inThread), char('a' + inThread));
        };
        std::atomic<int> theFailures{0};
        std::atomic<bool> theDone{false};
        std::atomic<int> theTorn{0};
        std::thread theReader([&] {
            while (!theDone) {
                const std::string theRead = Contents(thePath);
                const int theThread = theRead.empty() ? 0 : theRead.front() - 'a';
                const bool theWhole =
                    theRead.empty() || (theThread >= 0 && theThread < kThreads && theRead == theContent(theThread));
                theTorn += theWhole ? 0 : 1;
            }
        });
        std::vector<std::thread> theThreads;
        for (int theThread = 0; theThread < kThreads; ++theThread)
            theThreads.emplace_back([&, theThread] {
                for (int theSave = 0; theSave < kSaves; ++theSave)
                    theFailures += theWriter.mWrite(thePath, theContent(theThread)) == noErr ? 0 : 1;
            });
        for (std::thread& theThread : theThreads)
            theThread.join();
        theDone = true;
        theReader.join();
        EXPECT_EQ(theFailures, 0);
        EXPECT_EQ(theTorn, 0);
    }
    EXPECT_TRUE(Hidden().empty());
}

// Without /proc a temporary has a name from the start: removed on every path, and once a killed
// writer's is a minute old, swept by the next save into its folder.
TEST_F(FileTargetTest, WithoutProcNoStrayOutlivesAMinute)
{
    const std::string thePath = PathOf("page.gif");
    const std::string theBig(std::size_t(32) << 20, 'b');
    // Killed in the middle of a write, it leaves its temporary. A kill that lands between one
    // write's rename and the next write's start finds none: the writer is then started again.
    std::vector<std::string> theStrays;
    for (int theTry = 0; theTry < 5 && theStrays.empty(); ++theTry) {
        const pid_t theChild = ::fork();
        ASSERT_GE(theChild, 0);
        if (theChild == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            // A private view of the mounts with nothing at /proc.
            if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount("none", "/proc", "tmpfs", 0, nullptr) != 0)
                ::_exit(2);
            if (::access("/proc/self/fd", X_OK) == 0)
                ::_exit(3);
            // Saves through both writers leave nothing beside the file, then saves without end.
            if (Replace(thePath, "first") != noErr || !Hidden().empty())
                ::_exit(4);
            if (ClassicSave(thePath, "classic") != noErr || Contents(thePath) != "classic" || !Hidden().empty())
                ::_exit(5);
            for (;;)
                Replace(thePath, theBig);
        }
        for (int theWait = 0; theWait < 500 && theStrays.empty(); ++theWait) {
            int theStatus = 0;
            if (::waitpid(theChild, &theStatus, WNOHANG) == theChild) {
                if (WIFEXITED(theStatus) && WEXITSTATUS(theStatus) == 2)
                    GTEST_SKIP() << "no private mount namespace here (needs privilege)";
                FAIL() << "the child stopped: " << theStatus;
            }
            ::usleep(10000);
            theStrays = Hidden();
        }
        ASSERT_EQ(::kill(theChild, SIGKILL), 0);
        ::waitpid(theChild, nullptr, 0);
        theStrays = Hidden();
    }
    ASSERT_EQ(theStrays.size(), 1u) << "a killed save with a named temporary leaves it";
    const std::string theStray = theStrays.front();
    // Someone else's stray, and a name not of the writer's form, are never touched.
    const std::string theForeign = PathOf(".vx-write-other1");
    const std::string theUnlike = PathOf(".vx-write-notours");
    std::ofstream(theForeign) << "x";
    std::ofstream(theUnlike) << "x";
    ASSERT_EQ(::chown(theForeign.c_str(), 4242, 4242) == 0 || ::geteuid() != 0, true);
    // Each save sweeps its folder at most once a minute per process: each sweep here is a new one.
    const auto theSaveInNewProcess = [&](const std::string& inBytes) {
        const pid_t theSaver = ::fork();
        if (theSaver == 0)
            ::_exit(Replace(thePath, inBytes) == noErr ? 0 : 1);
        int theStatus = 0;
        return theSaver > 0 && ::waitpid(theSaver, &theStatus, 0) == theSaver && WIFEXITED(theStatus) &&
               WEXITSTATUS(theStatus) == 0;
    };
    // Young, it may belong to a writer still at work: kept.
    ASSERT_TRUE(theSaveInNewProcess("young"));
    EXPECT_TRUE(fs::exists(theStray));
    // A minute old, it is swept by the next save.
    const timespec theOld[2] = {{::time(nullptr) - 120, 0}, {::time(nullptr) - 120, 0}};
    for (const std::string& theName : {theStray, theForeign, theUnlike})
        ASSERT_EQ(::utimensat(AT_FDCWD, theName.c_str(), theOld, 0), 0);
    ASSERT_TRUE(theSaveInNewProcess("swept"));
    EXPECT_FALSE(fs::exists(theStray));
    EXPECT_EQ(fs::exists(theForeign), ::geteuid() == 0);
    EXPECT_TRUE(fs::exists(theUnlike));
    EXPECT_EQ(Contents(thePath), "swept");
}

}  // namespace

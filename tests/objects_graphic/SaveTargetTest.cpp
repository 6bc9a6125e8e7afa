// Every way a script saves a file meets the same targets: a symbolic link is
// followed and kept, the longest name the folder accepts works, the old file's
// permissions, owner and links stay, a process killed while saving leaves the
// old file or the whole new one and no visible file beside it, anything but a
// regular file is refused and left alone, permissions are those of an in-place
// write, and concurrent saves all succeed with no reader seeing a torn file.
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <functional>
#include <iostream>
#include <memory>
#include <random>
#include <set>
#include <thread>

#include "objects_graphic/ObjectsTestSupport.h"
#include "support/FileNodes.h"

namespace {

using namespace vxtest;

constexpr const char* kSaverNames[] = {"GifSaveAs", "PngSaveAs", "GestaltSave"};

struct Saver {
    const char* mExtension;
    // Saves a picture whose size grows with inSide; true when the call succeeded.
    std::function<bool(const std::string& inPath, int inSide)> mSave;
    std::shared_ptr<vx::Client> mObject;  // the object that saves, for its last error
};

class SaveTargetTest : public ObjectsTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        ObjectsTest::SetUp();
        mCanvas = CreateCanvas();
        mGestalt = CreateObject(&VxGetClassObject_Gestalt);
        ASSERT_TRUE(mCanvas);
        ASSERT_TRUE(mGestalt);
        mSavers = Savers();
    }

    const Saver& TheSaver() const { return mSavers[std::size_t(GetParam())]; }

    std::vector<Saver> Savers() const { return SaversOf(mCanvas, mGestalt); }

    // Savers over the given objects (each thread makes its own).
    static std::vector<Saver> SaversOf(vx::Client inCanvas, vx::Client inGestalt)
    {
        const auto theCanvas = std::make_shared<vx::Client>(inCanvas);
        const auto theGestalt = std::make_shared<vx::Client>(inGestalt);
        const auto theCanvasSave = [theCanvas](const std::string& inPath, int inSide) {
            theCanvas->Put("Width", inSide);
            theCanvas->Put("Height", inSide);
            theCanvas->Call("DrawShape", "oval", "rect=0,0,10,10 paintcolor=red");
            theCanvas->Call("SaveAs", inPath, "");
            return theCanvas->Ok();
        };
        return {{".gif", theCanvasSave, theCanvas},
                {".png", theCanvasSave, theCanvas},
                {".bin",
                 [theGestalt](const std::string& inPath, int inSide) {
                     theGestalt->Call("Save", inPath, vx::Variant(Bytes(std::size_t(inSide) * inSide, 'g')));
                     return theGestalt->Ok();
                 },
                 theGestalt}};
    }

    // The description of the saver's last failure.
    std::string LastFailure() const { return TheSaver().mObject->LastError().mDescription; }

    // The folder's entries but the one named, split into hidden and visible ones. Hidden
    // ones are removed once counted, so that each round counts only the strays it left.
    void Strays(const std::string& inKept, std::size_t& outHidden, std::size_t& outVisible) const
    {
        outHidden = 0;
        outVisible = 0;
        std::vector<std::filesystem::path> theHidden;
        for (const auto& theEntry : std::filesystem::directory_iterator(mFolder)) {
            const std::string theName = theEntry.path().filename().string();
            if (theName == inKept)
                continue;
            if (theName.front() == '.')
                theHidden.push_back(theEntry.path());
            else
                ++outVisible;
        }
        outHidden = theHidden.size();
        for (const auto& thePath : theHidden)
            std::filesystem::remove(thePath);
    }

    vx::Client mCanvas;
    vx::Client mGestalt;
    std::vector<Saver> mSavers;
};

TEST_P(SaveTargetTest, FollowsLinksKeepsPermissionsAndTakesTheLongestName)
{
    const Saver& theSaver = TheSaver();
    const std::string theTarget = PathOf(std::string("target") + theSaver.mExtension);
    ASSERT_TRUE(theSaver.mSave(theTarget, 8));
    const Bytes theSmall = Contents(theTarget);
    ASSERT_EQ(chmod(theTarget.c_str(), 0640), 0);
    const std::string theLink = PathOf(std::string("link") + theSaver.mExtension);
    ASSERT_EQ(symlink(theTarget.c_str(), theLink.c_str()), 0);

    ASSERT_TRUE(theSaver.mSave(theLink, 20));
    struct stat theInfo {};
    ASSERT_EQ(lstat(theLink.c_str(), &theInfo), 0);
    EXPECT_TRUE(S_ISLNK(theInfo.st_mode)) << "the link was replaced by a file";
    EXPECT_NE(Contents(theTarget), theSmall) << "the file the link names was not written";
    ASSERT_EQ(stat(theTarget.c_str(), &theInfo), 0);
    EXPECT_EQ(theInfo.st_mode & 07777, 0640u);

    // The temporary's name never outgrows the folder's limit.
    const std::string theLong = PathOf(std::string(254 - 4, 'n') + theSaver.mExtension);
    ASSERT_TRUE(theSaver.mSave(theLong, 8)) << LastFailure();
    ASSERT_TRUE(theSaver.mSave(theLong, 9));
    EXPECT_FALSE(Contents(theLong).empty());
    EXPECT_EQ(EntryCount(), 3u);
}

TEST_P(SaveTargetTest, AKilledSaveLeavesTheFileWholeAndNoVisibleStray)
{
    const Saver& theSaver = TheSaver();
    const std::string theName = std::string("page") + theSaver.mExtension;
    const std::string thePath = PathOf(theName);
    constexpr int kSide = 1200;
    ASSERT_TRUE(theSaver.mSave(thePath, kSide));
    const Bytes theWhole = Contents(thePath);
    std::mt19937 theRandom(7);
    std::size_t theHiddenTotal = 0;
    for (int theRound = 0; theRound < 6; ++theRound) {
        const pid_t theChild = fork();
        ASSERT_GE(theChild, 0);
        if (theChild == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives a test that stopped
            for (;;)
                if (!theSaver.mSave(thePath, kSide))
                    _exit(1);
        }
        usleep(useconds_t(20000 + theRandom() % 200000));
        ASSERT_EQ(kill(theChild, SIGKILL), 0);
        int theStatus = 0;
        ASSERT_EQ(waitpid(theChild, &theStatus, 0), theChild);
        ASSERT_TRUE(WIFSIGNALED(theStatus)) << "the saves stopped on their own: " << theStatus;
        // Every save writes the same bytes: anything else is a torn file.
        EXPECT_TRUE(Contents(thePath) == theWhole) << "round " << theRound;
        std::size_t theHidden = 0;
        std::size_t theVisible = 0;
        Strays(theName, theHidden, theVisible);
        EXPECT_EQ(theVisible, 0u) << "round " << theRound;
        theHiddenTotal += theHidden;
    }
    // Only a kill between linking in and renaming could leave a hidden one.
    EXPECT_LE(theHiddenTotal, 1u);
}

TEST_P(SaveTargetTest, RefusesEveryNodeButARegularFileAndLeavesItAsItWas)
{
    const Saver& theSaver = TheSaver();
    // Exporters give the platform's code for a file that can't be opened for writing; the GIF
    // writer and Gestalt.Save the system's text for it.
    const std::string theExpected =
        GetParam() == 1 ? "an attempt was made to open a locked file for writing (-54)" : "Access is denied.";
    for (const NodeCase& theCase : kNodeCases) {
        SCOPED_TRACE(theCase.mName);
        std::string thePath;
        std::string theWhy;
        if (!MakeNodeCase(theCase, mFolder, theSaver.mExtension, thePath, theWhy)) {
            ASSERT_EQ(theCase.mKind, NodeKind::kDevice) << theWhy;
            std::cout << "[ SKIPPED  ] " << theCase.mName << ": " << theWhy << "\n";
            continue;
        }
        struct stat theBefore {};
        ASSERT_EQ(stat(thePath.c_str(), &theBefore), 0);
        const std::size_t theEntries = EntryCount();
        EXPECT_FALSE(theSaver.mSave(thePath, 8));
        EXPECT_NE(LastFailure().find(theExpected), std::string::npos) << LastFailure();
        EXPECT_TRUE(SameNode(theBefore, thePath)) << "the node was replaced or changed";
        struct stat theLink {};
        ASSERT_EQ(lstat(thePath.c_str(), &theLink), 0);
        EXPECT_EQ(S_ISLNK(theLink.st_mode), theCase.mThroughLink);
        EXPECT_EQ(EntryCount(), theEntries) << "a stray was left";
    }
}

struct PermissionCase {
    const char* mName;
    bool mCallersOwn;
    mode_t mMode;
    bool mWritable;  // as an in-place open for writing would answer
};

// Another owner's file the caller may write is written in place, so that the owner stays, and
// needs nothing of its folder.
constexpr PermissionCase kPermissionCases[] = {
    {"own-0644", true, 0644, true},   {"own-0444", true, 0444, false},         {"root-0644", false, 0644, false},
    {"root-0666", false, 0666, true}, {"locked/root-0666", false, 0666, true},
};
constexpr uid_t kUnprivileged = 65534;

TEST_P(SaveTargetTest, AnUnprivilegedCallerWritesOnlyWhatItCouldWriteInPlace)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, to make another owner's files and then drop to an unprivileged user";
    const Saver& theSaver = TheSaver();
    ASSERT_EQ(chmod(mFolder.c_str(), 0777), 0);
    ASSERT_EQ(mkdir(PathOf("locked").c_str(), 0755), 0);
    std::vector<std::string> thePaths;
    std::vector<Bytes> theOld;
    for (const PermissionCase& theCase : kPermissionCases) {
        thePaths.push_back(PathOf(std::string(theCase.mName) + theSaver.mExtension));
        ASSERT_TRUE(theSaver.mSave(thePaths.back(), 8));
        const uid_t theOwner = theCase.mCallersOwn ? kUnprivileged : 0;
        ASSERT_EQ(chown(thePaths.back().c_str(), theOwner, theOwner), 0);
        ASSERT_EQ(chmod(thePaths.back().c_str(), theCase.mMode), 0);
        theOld.push_back(Contents(thePaths.back()));
    }
    const pid_t theChild = fork();
    ASSERT_GE(theChild, 0);
    if (theChild == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (setgroups(0, nullptr) != 0 || setresgid(kUnprivileged, kUnprivileged, kUnprivileged) != 0 ||
            setresuid(kUnprivileged, kUnprivileged, kUnprivileged) != 0)
            _exit(100);
        int theWrong = 0;
        for (std::size_t theIndex = 0; theIndex < thePaths.size(); ++theIndex)
            if (theSaver.mSave(thePaths[theIndex], 20) != kPermissionCases[theIndex].mWritable)
                theWrong |= 1 << theIndex;
        _exit(theWrong);
    }
    int theStatus = 0;
    ASSERT_EQ(waitpid(theChild, &theStatus, 0), theChild);
    ASSERT_TRUE(WIFEXITED(theStatus)) << theStatus;
    EXPECT_EQ(WEXITSTATUS(theStatus), 0) << "bit n: case n answered unlike an in-place write";
    for (std::size_t theIndex = 0; theIndex < thePaths.size(); ++theIndex) {
        const PermissionCase& theCase = kPermissionCases[theIndex];
        SCOPED_TRACE(theCase.mName);
        struct stat theInfo {};
        ASSERT_EQ(stat(thePaths[theIndex].c_str(), &theInfo), 0);
        EXPECT_EQ(theInfo.st_uid, theCase.mCallersOwn ? kUnprivileged : 0u);
        EXPECT_EQ(theInfo.st_mode & 07777, theCase.mMode);
        EXPECT_EQ(Contents(thePaths[theIndex]) != theOld[theIndex], theCase.mWritable);
    }
    EXPECT_EQ(EntryCount(), thePaths.size()) << "a stray was left";  // the locked folder for its file
}

TEST_P(SaveTargetTest, KeepsHardLinksOwnerGroupAndMode)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, to give the file another owner";
    const Saver& theSaver = TheSaver();
    const std::string thePath = PathOf(std::string("linked") + theSaver.mExtension);
    const std::string theOtherName = PathOf(std::string("other") + theSaver.mExtension);
    ASSERT_TRUE(theSaver.mSave(thePath, 8));
    ASSERT_EQ(chown(thePath.c_str(), 4242, 4343), 0);
    ASSERT_EQ(chmod(thePath.c_str(), 0640), 0);
    ASSERT_EQ(link(thePath.c_str(), theOtherName.c_str()), 0);
    struct stat theBefore {};
    ASSERT_EQ(stat(thePath.c_str(), &theBefore), 0);
    const Bytes theOld = Contents(thePath);
    for (const bool theLinked : {true, false}) {
        SCOPED_TRACE(theLinked ? "two names" : "one name");
        ASSERT_TRUE(theSaver.mSave(thePath, theLinked ? 20 : 30));
        struct stat theInfo {};
        ASSERT_EQ(stat(thePath.c_str(), &theInfo), 0);
        EXPECT_NE(Contents(thePath), theOld);
        EXPECT_EQ(theInfo.st_uid, 4242u);
        EXPECT_EQ(theInfo.st_gid, 4343u);
        EXPECT_EQ(theInfo.st_mode & 07777, 0640u);
        if (theLinked) {
            EXPECT_EQ(theInfo.st_ino, theBefore.st_ino) << "the link was split";
            EXPECT_EQ(theInfo.st_nlink, 2u);
            EXPECT_EQ(Contents(theOtherName), Contents(thePath));
            ASSERT_EQ(unlink(theOtherName.c_str()), 0);
        }
    }
    EXPECT_EQ(EntryCount(), 1u) << "a stray was left";
}

// Each writer saves a picture of its own size, so that every whole file is told apart from a torn one.
TEST_P(SaveTargetTest, ConcurrentSavesAllSucceedAndNoReaderSeesATornFile)
{
    constexpr int kWriters = 4;
    constexpr int kSaves = 20;
    const Saver& theSaver = TheSaver();
    const auto theSide = [](int inWriter) { return 200 + 40 * inWriter; };
    std::set<Bytes> theWhole;
    for (int theWriter = 0; theWriter < kWriters; ++theWriter) {
        const std::string theSample = PathOf("sample" + std::to_string(theWriter) + theSaver.mExtension);
        ASSERT_TRUE(theSaver.mSave(theSample, theSide(theWriter)));
        theWhole.insert(Contents(theSample));
        ASSERT_EQ(unlink(theSample.c_str()), 0);
    }
    ASSERT_EQ(theWhole.size(), std::size_t(kWriters));
    const std::string thePath = PathOf(std::string("shared") + theSaver.mExtension);
    ASSERT_TRUE(theSaver.mSave(thePath, theSide(0)));

    // The writing processes are forked while this is the only thread (a fork beside a running
    // thread can leave the child a lock it never gets back), then held until the threads write.
    int theGate[2];
    ASSERT_EQ(pipe(theGate), 0);
    std::vector<pid_t> theChildren;
    for (int theWriter = 0; theWriter < kWriters; ++theWriter) {
        const pid_t theChild = fork();
        ASSERT_GE(theChild, 0);
        if (theChild == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            close(theGate[1]);
            char theByte = 0;
            while (read(theGate[0], &theByte, 1) < 0 && errno == EINTR) {}
            int theFailed = 0;
            for (int theSave = 0; theSave < kSaves; ++theSave)
                theFailed += theSaver.mSave(thePath, theSide(theWriter)) ? 0 : 1;
            _exit(theFailed);
        }
        theChildren.push_back(theChild);
    }
    close(theGate[0]);

    std::atomic<bool> theDone{false};
    std::atomic<int> theTorn{0};
    std::atomic<int> theReads{0};
    std::thread theReader([&] {
        while (!theDone) {
            theTorn += theWhole.count(Contents(thePath)) == 0 ? 1 : 0;
            ++theReads;
        }
    });
    std::atomic<int> theFailures{0};
    std::vector<std::thread> theThreads;
    for (int theWriter = 0; theWriter < kWriters; ++theWriter)
        theThreads.emplace_back([&, theWriter] {
            std::vector<Saver> theOwn = SaversOf(CreateCanvas(), CreateObject(&VxGetClassObject_Gestalt));
            for (int theSave = 0; theSave < kSaves; ++theSave)
                theFailures += theOwn[std::size_t(GetParam())].mSave(thePath, theSide(theWriter)) ? 0 : 1;
        });
    close(theGate[1]);  // the processes write beside the threads
    for (std::thread& theThread : theThreads)
        theThread.join();
    for (const pid_t theChild : theChildren) {
        int theStatus = 0;
        EXPECT_EQ(waitpid(theChild, &theStatus, 0), theChild);
        EXPECT_TRUE(WIFEXITED(theStatus)) << theStatus;
        theFailures += WIFEXITED(theStatus) ? WEXITSTATUS(theStatus) : 1;
    }
    theDone = true;
    theReader.join();
    EXPECT_EQ(theFailures, 0) << "of " << 2 * kWriters * kSaves << " saves";
    EXPECT_EQ(theTorn, 0) << "of " << theReads << " reads";
    EXPECT_EQ(theWhole.count(Contents(thePath)), 1u);
    EXPECT_EQ(EntryCount(), 1u) << "a stray was left";
}

INSTANTIATE_TEST_SUITE_P(EverySaver, SaveTargetTest, ::testing::Range(0, int(std::size(kSaverNames))),
                         [](const ::testing::TestParamInfo<int>& inInfo) { return kSaverNames[inInfo.param]; });

}  // namespace

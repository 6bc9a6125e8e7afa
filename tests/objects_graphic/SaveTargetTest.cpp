// Every way a script saves a file meets the same targets: a symbolic link is
// followed and kept, the longest name the folder accepts works, the old file's
// permissions stay, and a process killed while saving leaves the old file or
// the whole new one and no visible file beside it.
#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <random>

#include "objects_graphic/ObjectsTestSupport.h"

namespace {

using namespace vxtest;

constexpr const char* kSaverNames[] = {"GifSaveAs", "PngSaveAs", "GestaltSave"};

struct Saver {
    const char* mExtension;
    // Saves a picture whose size grows with inSide; true when the call succeeded.
    std::function<bool(const std::string& inPath, int inSide)> mSave;
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

    std::vector<Saver> Savers() const
    {
        vx::Client theCanvas = mCanvas;
        vx::Client theGestalt = mGestalt;
        const auto theCanvasSave = [theCanvas](const std::string& inPath, int inSide) mutable {
            theCanvas.Put("Width", inSide);
            theCanvas.Put("Height", inSide);
            theCanvas.Call("DrawShape", "oval", "rect=0,0,10,10 paintcolor=red");
            theCanvas.Call("SaveAs", inPath, "");
            return theCanvas.Ok();
        };
        return {{".gif", theCanvasSave},
                {".png", theCanvasSave},
                {".bin", [theGestalt](const std::string& inPath, int inSide) mutable {
                     theGestalt.Call("Save", inPath, vx::Variant(Bytes(std::size_t(inSide) * inSide, 'g')));
                     return theGestalt.Ok();
                 }}};
    }

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
    ASSERT_TRUE(theSaver.mSave(theLong, 8)) << mCanvas.LastError().mDescription << mGestalt.LastError().mDescription;
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

INSTANTIATE_TEST_SUITE_P(EverySaver, SaveTargetTest, ::testing::Range(0, int(std::size(kSaverNames))),
                         [](const ::testing::TestParamInfo<int>& inInfo) { return kSaverNames[inInfo.param]; });

}  // namespace

// Loading, counted starts, the version, and clean failure without a started platform.
#include "ImagingTestSupport.h"

#include <dlfcn.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

bool LibraryIsMapped()
{
    std::ifstream theMaps("/proc/self/maps");
    std::string theLine;
    while (std::getline(theMaps, theLine))
        if (theLine.find("libvx-imaging.so") != std::string::npos)
            return true;
    return false;
}

TEST(ImagingStartup, VersionReadsInterfaceLevelFour)
{
    ASSERT_EQ(InitializeQTML(0), noErr);
    ASSERT_EQ(EnterMovies(), noErr);
    long theResponse = 0;
    ASSERT_EQ(Gestalt(gestaltQuickTime, &theResponse), noErr);
    EXPECT_EQ((theResponse >> 24) & 0xFF, 4);
    EXPECT_EQ(Gestalt(FourCharCode("zzzz"), &theResponse), gestaltUndefSelectorErr);
    ExitMovies();
    TerminateQTML();
}

TEST(ImagingStartup, CallsBeforeStartFailCleanly)
{
    EXPECT_EQ(NewHandle(16), nullptr);
    EXPECT_EQ(MemError(), qtmlUninitialized);
    GWorldPtr theWorld = nullptr;
    const Rect theBounds = MakeRect(0, 0, 4, 4);
    EXPECT_EQ(NewGWorld(&theWorld, 32, &theBounds, nullptr, nullptr, 0), qtmlUninitialized);
    EXPECT_EQ(theWorld, nullptr);
    EXPECT_EQ(UpdateGWorld(&theWorld, 32, &theBounds, nullptr, nullptr, clipPix), gwFlagErr);
    long theResponse = 0;
    EXPECT_EQ(Gestalt(gestaltQuickTime, &theResponse), qtmlUninitialized);
    FSSpec theSpec{};
    EXPECT_EQ(NativePathNameToFSSpec("/tmp", &theSpec, 0), qtmlUninitialized);
    PaintRect(&theBounds);  // nothing to do, must not crash
    TerminateQTML();        // unbalanced stop is ignored
}

TEST(ImagingStartup, StartsAreCountedAndTheLastStopUnloads)
{
    EXPECT_FALSE(LibraryIsMapped());
    ASSERT_EQ(InitializeQTML(0), noErr);
    EXPECT_TRUE(LibraryIsMapped());
    ASSERT_EQ(InitializeQTML(0), noErr);
    TerminateQTML();
    Handle theHandle = NewHandle(8);
    ASSERT_NE(theHandle, nullptr);
    DisposeHandle(theHandle);
    TerminateQTML();
    EXPECT_FALSE(LibraryIsMapped());
    EXPECT_EQ(NewHandle(8), nullptr);
    EXPECT_EQ(QDError(), qtmlUninitialized);
}

TEST(ImagingStartup, MissingLibraryMakesTheStartFail)
{
    const std::string theGood = std::getenv("VX_IMAGING") != nullptr ? std::getenv("VX_IMAGING") : "";
    ASSERT_FALSE(theGood.empty()) << "the test runs with VX_IMAGING naming the built library";
    ::setenv("VX_IMAGING", (theGood + ".missing").c_str(), 1);
    EXPECT_EQ(InitializeQTML(0), resFNotFound);
    EXPECT_EQ(NewHandle(8), nullptr);
    TerminateQTML();
    // A library without the entry point fails the same way.
    ::setenv("VX_IMAGING", "libdl.so.2", 1);
    EXPECT_EQ(InitializeQTML(0), resNotFound);
    ::setenv("VX_IMAGING", theGood.c_str(), 1);
    EXPECT_EQ(InitializeQTML(0), noErr);
    TerminateQTML();
}

TEST(ImagingStartup, WithoutTheVariableTheLibraryBesideTheProgramIsUsed)
{
    // Test programs live in bin/, the library in lib/ beside it.
    const std::string theGood = std::getenv("VX_IMAGING") != nullptr ? std::getenv("VX_IMAGING") : "";
    ::unsetenv("VX_IMAGING");
    EXPECT_EQ(InitializeQTML(0), noErr);
    long theResponse = 0;
    EXPECT_EQ(Gestalt(gestaltQuickTime, &theResponse), noErr);
    TerminateQTML();
    ::setenv("VX_IMAGING", theGood.c_str(), 1);
}

TEST(ImagingStartup, TheLibraryExportsOnlyItsEntryPoint)
{
    const char* thePath = std::getenv("VX_IMAGING");
    ASSERT_NE(thePath, nullptr);
    void* theLibrary = dlopen(thePath, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(theLibrary, nullptr) << dlerror();
    EXPECT_NE(dlsym(theLibrary, "VxImagingGetTable"), nullptr);
    // The implementations must not interpose on (or be interposed by) the glue's classic names.
    for (const char* theName : {"_Z9NewHandlei", "_ZN9vximaging9NewHandleEi", "_Z9PaintRectPK4Rect", "NewHandle"})
        EXPECT_EQ(dlsym(theLibrary, theName), nullptr) << theName;
    dlclose(theLibrary);
}

}  // namespace

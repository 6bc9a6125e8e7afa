// Relocatable blocks: sizes, growth, locking, failures and the per-thread memory error.
#include "ImagingTestSupport.h"

#include <thread>

namespace {

using HandleTest = ImagingTest;

TEST_F(HandleTest, SizeZeroIsAValidBlock)
{
    Handle theHandle = NewHandle(0);
    ASSERT_NE(theHandle, nullptr);
    EXPECT_NE(*theHandle, nullptr);
    EXPECT_EQ(GetHandleSize(theHandle), 0);
    EXPECT_EQ(MemError(), noErr);
    DisposeHandle(theHandle);
}

TEST_F(HandleTest, GrowingKeepsContentsAndClearsTheNewBytes)
{
    Handle theHandle = NewHandle(4);
    std::memcpy(*theHandle, "abcd", 4);
    SetHandleSize(theHandle, 100000);
    ASSERT_EQ(MemError(), noErr);
    ASSERT_EQ(GetHandleSize(theHandle), 100000);
    EXPECT_EQ(std::memcmp(*theHandle, "abcd", 4), 0);
    EXPECT_EQ((*theHandle)[99999], 0);
    SetHandleSize(theHandle, 2);
    EXPECT_EQ(GetHandleSize(theHandle), 2);
    EXPECT_EQ(std::memcmp(*theHandle, "ab", 2), 0);
    DisposeHandle(theHandle);
}

TEST_F(HandleTest, HugeSizesFailWithMemFullAndChangeNothing)
{
    EXPECT_EQ(NewHandle(0x7FFFFFFF), nullptr);
    EXPECT_EQ(MemError(), memFullErr);
    EXPECT_EQ(NewHandleClear(kMaxHandleSize + 1), nullptr);
    EXPECT_EQ(MemError(), memFullErr);
    EXPECT_EQ(NewHandle(-1), nullptr);
    EXPECT_EQ(MemError(), paramErr);

    Handle theHandle = NewHandle(3);
    std::memcpy(*theHandle, "xyz", 3);
    SetHandleSize(theHandle, 0x7FFFFFFF);
    EXPECT_EQ(MemError(), memFullErr);
    EXPECT_EQ(GetHandleSize(theHandle), 3);
    EXPECT_EQ(std::memcmp(*theHandle, "xyz", 3), 0);
    DisposeHandle(theHandle);
}

TEST_F(HandleTest, LockedBlockDoesNotMove)
{
    Handle theHandle = NewHandle(16);
    HLock(theHandle);
    char* theAddress = *theHandle;
    SetHandleSize(theHandle, 8);
    EXPECT_EQ(MemError(), noErr);
    SetHandleSize(theHandle, 16);  // within what it had
    EXPECT_EQ(MemError(), noErr);
    SetHandleSize(theHandle, 1 << 20);
    EXPECT_EQ(MemError(), memFullErr);
    EXPECT_EQ(*theHandle, theAddress);
    EXPECT_EQ(GetHandleSize(theHandle), 16);
    HUnlock(theHandle);
    SetHandleSize(theHandle, 1 << 20);
    EXPECT_EQ(MemError(), noErr);
    DisposeHandle(theHandle);
}

TEST_F(HandleTest, NullHandleAndMemErrorPerThread)
{
    EXPECT_EQ(GetHandleSize(nullptr), 0);
    EXPECT_EQ(MemError(), nilHandleErr);
    OSErr theOtherThread = -1;
    std::thread([&] {
        Handle theHandle = NewHandle(1);
        theOtherThread = MemError();
        DisposeHandle(theHandle);
    }).join();
    EXPECT_EQ(theOtherThread, noErr);
    EXPECT_EQ(MemError(), nilHandleErr);
    DisposeHandle(nullptr);
    EXPECT_EQ(MemError(), noErr);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <thread>

#include "automation/Faults.h"
#include "vellumax/errors/SException.h"

namespace {

TEST(SException, WhatNamesTheKindOfFault)
{
    struct Case {
        std::uint32_t mCode;
        std::uint32_t mWrite;
        const char* mExpected;
    };
    const Case theCases[] = {
        {0xC0000005u, 0, "Code at 0x00401a2b attempted to read from 0x00000010. "},
        {0xC0000005u, 1, "Code at 0x00401a2b attempted to write to 0x00000010. "},
        {0xC0000005u, 8, "Code at 0x00401a2b attempted to write to 0x00000010. "},
        // Only an access violation has an access kind and a data address.
        {0xC0000094u, 1, "Code at 0x00401a2b caused a System Exception 0xc0000094. "},
        {0xC000001Du, 0, "Code at 0x00401a2b caused a System Exception 0xc000001d. "},
    };
    for (const Case& theCase : theCases) {
        SException theFault(theCase.mCode, 0x401a2b, theCase.mWrite, 0x10, 0x400000);
        EXPECT_STREQ(theFault.What(), theCase.mExpected);
    }
    SException theDivide(0xC0000094u, 0x401a2b, 1, 0x10, 0x400000);
    EXPECT_FALSE(theDivide.IsRead());
    EXPECT_EQ(theDivide.Write(), 0u);
    EXPECT_EQ(theDivide.DataAddress(), 0u);
}

TEST(SException, SixtyFourBitAddressesArePrintedInFull)
{
    SException theFault(0xC0000005u, 0x7f3a12345678u, 0, 0x7ffd00000040u, 0x7f3a12000000u);
    EXPECT_STREQ(theFault.Describe("Canvas.cpp", 120),
                 "Code at 0x7f3a12345678 attempted to read from 0x7ffd00000040. "
                 "System Error caught at line 120 of Canvas.cpp. Base at 0x7f3a12000000.");
}

TEST(SException, DescribeAppendsOnlyWhatFitsInTheText)
{
    SException theFault(0xC0000005u, 0x1000, 0, 0, 0x400000);
    const std::size_t theWhat = std::strlen(theFault.What());
    // "System Error caught at line 7 of " + unit + ". Base at 0x00400000."
    const std::size_t theFrame = std::strlen("System Error caught at line 7 of . Base at 0x00400000.");
    const std::size_t theLongest = SException::kTextSize - 1 - theWhat - theFrame;

    const std::string theFits(theLongest, 'u');
    EXPECT_EQ(std::strlen(theFault.Describe(theFits.c_str(), 7)), static_cast<std::size_t>(SException::kTextSize - 1));

    const std::string theTooLong(theLongest + 1, 'u');
    EXPECT_STREQ(theFault.Describe(theTooLong.c_str(), 7), "Code at 0x00001000 attempted to read from 0x00000000. ");
    const std::string theFarTooLong(1000, 'u');
    EXPECT_STREQ(theFault.Describe(theFarTooLong.c_str(), 7), "Code at 0x00001000 attempted to read from 0x00000000. ");
}

// Kept out of line and read through a volatile so that the compiler emits a real load.
[[gnu::noinline]] int ReadThrough(volatile int* inPointer) { return *inPointer; }

TEST(SException, NullReadInsideAFrameIsTranslated)
{
    InstallFaultTranslator();
    volatile int* volatile theNull = nullptr;
    std::string theText;
    long theLine = 0;
    try {
        FaultFrame theFrame;
        ReadThrough(theNull);
        ADD_FAILURE() << "no fault";
    } catch (SException& inFault) {
        theLine = __LINE__;
        EXPECT_TRUE(inFault.IsRead());
        EXPECT_EQ(inFault.Code(), SException::kAccessViolation);
        EXPECT_EQ(inFault.ModuleBase(), ModuleBase(reinterpret_cast<const void*>(&ReadThrough)));
        EXPECT_NE(inFault.ModuleBase(), 0u);
        theText = inFault.Describe("SExceptionTest.cpp", theLine);
    }
    const std::regex thePattern(
        "Code at 0x[0-9a-f]{8,} attempted to read from 0x00000000\\. System Error caught at line " +
        std::to_string(theLine) + " of SExceptionTest\\.cpp\\. Base at 0x[0-9a-f]{8,}\\.");
    EXPECT_TRUE(std::regex_match(theText, thePattern)) << theText;
    EXPECT_FALSE(FaultFrame::IsActive());
}

TEST(SException, WriteInsideAFrameIsTranslatedOnEveryThread)
{
    std::thread([] {
        InstallFaultTranslator();  // per thread
        volatile int* volatile theWild = reinterpret_cast<int*>(0x18);
        bool theCaught = false;
        try {
            FaultFrame theFrame;
            *theWild = 1;
        } catch (SException& inFault) {
            theCaught = true;
            EXPECT_FALSE(inFault.IsRead());
            EXPECT_NE(inFault.Write(), 0u);
            EXPECT_EQ(inFault.DataAddress(), 0x18u);
            EXPECT_TRUE(std::string(inFault.What()).ends_with(" attempted to write to 0x00000018. ")) << inFault.What();
        }
        EXPECT_TRUE(theCaught);
    }).join();
}

}  // namespace

#include <gtest/gtest.h>

#include <cstring>
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

// Out of line, through volatiles and unchecked by the undefined-behaviour sanitizer, so that the
// processor really faults.
[[gnu::noinline, gnu::no_sanitize_undefined]] int ReadThrough(volatile int* inPointer)
{
    return *inPointer;
}
[[gnu::noinline, gnu::no_sanitize_undefined]] void WriteThrough(volatile int* inPointer)
{
    *inPointer = 1;
}

// "0x" and at least eight lower-case hexadecimal digits at ioAt, which moves past them.
bool SkipAddress(const std::string& inText, std::size_t& ioAt)
{
    if (inText.compare(ioAt, 2, "0x") != 0)
        return false;
    const std::size_t theEnd = inText.find_first_not_of("0123456789abcdef", ioAt + 2);
    const std::size_t theDigits = (theEnd == std::string::npos ? inText.size() : theEnd) - ioAt - 2;
    ioAt += 2 + theDigits;
    return theDigits >= 8;
}

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
    // Code at 0x<8+ digits> attempted to read from 0x00000000. System Error caught at line <n> of
    // SExceptionTest.cpp. Base at 0x<8+ digits>.
    std::size_t theAt = 0;
    ASSERT_EQ(theText.compare(0, 8, "Code at "), 0) << theText;
    theAt = 8;
    ASSERT_TRUE(SkipAddress(theText, theAt)) << theText;
    const std::string theMiddle = " attempted to read from 0x00000000. System Error caught at line " +
                                  std::to_string(theLine) + " of SExceptionTest.cpp. Base at ";
    ASSERT_EQ(theText.compare(theAt, theMiddle.size(), theMiddle), 0) << theText;
    theAt += theMiddle.size();
    ASSERT_TRUE(SkipAddress(theText, theAt)) << theText;
    EXPECT_EQ(theText.substr(theAt), ".") << theText;
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
            WriteThrough(theWild);
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

#include <gtest/gtest.h>

#include <cstdint>

#include "automation/Errors.h"
#include "vellumax/errors/ErrorTexts.h"

namespace {

struct Case {
    long mCode;
    std::string mExpected;
};

TEST(ErrorTexts, QuickTimeSentences)
{
    const Case theCases[] = {
        {0, ""},
        {-43, "A QuickTime error occurred indicating that the file was not found (-43).\n"},
        {-36, "A QuickTime error occurred indicating that a file read/write error occured (-36).\n"},
        {-34, "A QuickTime error occurred indicating that the disk was full. (-34).\n"},
        {-8969, "A QuickTime error occurred indicating that the compressed data contained inconsistencies (-8969).\n"},
        {static_cast<std::int32_t>(0x80008002u),
         "A QuickTime error occurred indicating that the Component was asked to perform a task it cannot do "
         "(-2147450878).\n"},
        {-9999, "A QuickTime error of type -9999 occurred. Please consult the Apple web site for details.\n"},
        {43, "A QuickTime error of type 43 occurred. Please consult the Apple web site for details.\n"},
    };
    for (const Case& theCase : theCases) {
        std::string theText = "before\n";
        ExplainQuickTimeError(theText, theCase.mCode);
        EXPECT_EQ(theText, "before\n" + theCase.mExpected) << theCase.mCode;
    }
}

TEST(ErrorTexts, WindowsSentences)
{
    const std::string theDenied = SystemMessageText(5);
    ASSERT_EQ(theDenied.substr(theDenied.size() - 2), "\r\n");  // kept as the system gives it
    const Case theCases[] = {
        {0, ""},
        {2, "A Windows error occurred that indicates that a file could not be found (2).\n"},
        {14, "A Windows error occurred that indicates that there was not enough memory (14).\n"},
        {15, "A Windows error occurred that indicates that the drive did not exist (15).\n"},
        {5, "A Windows error - " + theDenied + " - (5) occurred.\n"},
        {99999, "A Windows error -  - (99999) occurred.\n"},
        {static_cast<std::int32_t>(0x80020005u), "A Windows error - Type mismatch.\r\n - (-2147352571) occurred.\n"},
    };
    for (const Case& theCase : theCases) {
        std::string theText;
        ExplainWindowsError(theText, theCase.mCode);
        EXPECT_EQ(theText, theCase.mExpected) << theCase.mCode;
    }
}

TEST(ErrorTexts, OpenGLSentences)
{
    const Case theCases[] = {
        {0, ""},
        {0x500, "An OpenGL error occurred that indicates that an incorrect value was given (1280).\n"},
        {0x505, "An OpenGL error occurred that indicates that there was not enough memory to complete the "
                "operation (1285).\n"},
        // Past the clauses, the implementation's own word.
        {0x506, "An OpenGL error - invalid framebuffer operation - (1286) occurred.\n"},
        {100902, "An OpenGL error - out of memory - (100902) occurred.\n"},
        // A code no implementation words.
        {0x1234, "An OpenGL error -  - (4660) occurred.\n"},
    };
    for (const Case& theCase : theCases) {
        std::string theText;
        ExplainOpenGLError(theText, static_cast<unsigned long>(theCase.mCode));
        EXPECT_EQ(theText, theCase.mExpected) << theCase.mCode;
    }
}

TEST(ErrorTexts, ComErrorText)
{
    struct ComCase {
        std::uint32_t mCode;
        const char* mExpected;
    };
    const ComCase theCases[] = {
        {0x80020005u, "Type mismatch."},
        {0x80070005u, "Access is denied."},  // a Windows error inside an HRESULT
        {0x80040200u, "The server could not register its type library"},
        {0x80040300u, "IDispatch error #256"},
        {0x8004FFFFu, "IDispatch error #65023"},
        {0x80050000u, "Unknown error 0x80050000"},
        {0x80001234u, "Unknown error 0x80001234"},
        {0x000012ABu, "Unknown error 0x12AB"},
    };
    for (const ComCase& theCase : theCases)
        EXPECT_EQ(ComErrorText(static_cast<HRESULT>(theCase.mCode)), theCase.mExpected) << std::hex << theCase.mCode;
}

}  // namespace

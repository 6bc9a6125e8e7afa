#include <gtest/gtest.h>

#include "automation/Errors.h"
#include "vellumax/errors/ErrorReport.h"

namespace {

TEST(ErrorReport, NothingOrContextAloneIsNoError)
{
    ErrorReport theReport;
    EXPECT_FALSE(theReport.HasError());
    EXPECT_EQ(theReport.Message(), "No errors occurred");
    theReport.AddContext("Get");
    theReport.AddContext("Canvas Width");
    EXPECT_FALSE(theReport.HasError());
    EXPECT_EQ(theReport.Message(), "No errors occurred");
    EXPECT_EQ(theReport.GetContext(), "Get Canvas Width");
    EXPECT_EQ(theReport.GetContextCount(), 2);
}

TEST(ErrorReport, EachCodeAloneIsAnError)
{
    struct Case {
        const char* mName;
        void (*mSet)(ErrorReport&);
    };
    const Case theCases[] = {
        {"message", [](ErrorReport& r) { r.AddMessage(""); }},
        {"QuickTime", [](ErrorReport& r) { r.SetQuickTimeError(-50); }},
        {"Windows", [](ErrorReport& r) { r.SetWindowsError(3); }},
        {"COM", [](ErrorReport& r) { r.SetComError(E_FAIL); }},
    };
    for (const Case& theCase : theCases) {
        ErrorReport theReport;
        theCase.mSet(theReport);
        EXPECT_TRUE(theReport.HasError()) << theCase.mName;
        EXPECT_NE(theReport.Message(), "No errors occurred") << theCase.mName;
    }
}

TEST(ErrorReport, MessagesAreJoinedByOneBlank)
{
    ErrorReport theReport;
    theReport.AddMessage("Unable to set property");
    theReport.AddMessage("again");
    EXPECT_EQ(theReport.GetMessageCount(), 2);
    EXPECT_EQ(theReport.Message(), "Unable to set property again\n");
}

TEST(ErrorReport, WindowsErrorEqualToTheIgnoredValueKeepsTheEarlierOne)
{
    ErrorReport theReport;
    theReport.SetWindowsError(2);
    theReport.SetWindowsError(0);
    EXPECT_EQ(theReport.GetWindowsError(), 2u);
    theReport.SetWindowsError(183, 183);
    EXPECT_EQ(theReport.GetWindowsError(), 2u);
    theReport.SetWindowsError(0, 183);  // 0 is not ignored here
    EXPECT_EQ(theReport.GetWindowsError(), 0u);
    EXPECT_FALSE(theReport.HasError());

    theReport.SetQuickTimeError(-43);
    theReport.SetQuickTimeError(0);  // clears
    EXPECT_FALSE(theReport.HasError());
}

TEST(ErrorReport, ComposesMessagesCodesAndContextInOrder)
{
    ErrorReport theReport;
    // Added out of order on purpose: the composition fixes the order.
    theReport.AddContext("Draw Shape:");
    theReport.SetComError(E_FAIL);
    theReport.SetWindowsError(3);
    theReport.SetQuickTimeError(-43);
    theReport.AddMessage("Unable to complete the operation");
    theReport.AddContext("Canvas={Width=1}");
    EXPECT_EQ(theReport.Message(), "Unable to complete the operation\n"
                                   "A QuickTime error occurred indicating that the file was not found (-43).\n"
                                   "A Windows error occurred that indicates that a file path could not be found (3).\n"
                                   "A Windows error - " +
                                       SystemMessageText(static_cast<std::uint32_t>(E_FAIL)) +
                                       " - (-2147467259) occurred.\n"
                                       "\n\nDraw Shape: Canvas={Width=1}");
    // Composed afresh each time: a later change shows.
    theReport.SetComError(0);
    theReport.SetWindowsError(0, 1);
    theReport.SetQuickTimeError(0);
    EXPECT_EQ(theReport.Message(), "Unable to complete the operation\n\n\nDraw Shape: Canvas={Width=1}");
}

TEST(ErrorReport, RejectedColourReadsAsTheScriptSeesIt)
{
    ErrorReport theReport;
    theReport.AddContext("Set");
    theReport.AddContext("XColor String");
    theReport.AddContext(" = ");
    theReport.AddContext("teal");
    theReport.AddMessage("Unable to set property");
    EXPECT_EQ(theReport.Message(), "Unable to set property\n\n\nSet XColor String  =  teal");
}

TEST(ErrorReport, DestroysThroughTheBase)
{
    struct Derived : ErrorReport {
        bool* mGone;
        explicit Derived(bool* inGone) : mGone(inGone) {}
        ~Derived() override { *mGone = true; }
    };
    bool theGone = false;
    ErrorReport* theReport = new Derived(&theGone);
    delete theReport;
    EXPECT_TRUE(theGone);
}

}  // namespace

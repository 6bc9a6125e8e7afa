#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "automation/Errors.h"
#include "automation/EventLog.h"
#include "support/EventLogListener.h"

namespace {

// A listener on a private datagram socket named by VX_EVENTLOG.
class EventLogTest : public TemporaryRegistryTest {
protected:
    void SetUp() override
    {
        TemporaryRegistryTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(mLog.Listen(Folder() + "/log"));
    }

    // Every datagram that arrives within a short while.
    std::vector<std::string> Received()
    {
        std::vector<std::string> theDatagrams;
        pollfd theWait{mLog.Socket(), POLLIN, 0};
        while (poll(&theWait, 1, theDatagrams.empty() ? 1000 : 50) == 1) {
            std::string theBuffer(65536, '\0');
            const ssize_t theSize = recv(mLog.Socket(), theBuffer.data(), theBuffer.size(), 0);
            if (theSize < 0)
                break;
            theBuffer.resize(static_cast<std::size_t>(theSize));
            theDatagrams.push_back(theBuffer);
        }
        return theDatagrams;
    }

    bool Report(const char* inSource, WORD inType, std::vector<const char*> inStrings)
    {
        HANDLE theLog = RegisterEventSource(nullptr, inSource);
        EXPECT_NE(theLog, nullptr);
        const BOOL theResult = ReportEvent(theLog, inType, 1, 0x1000, nullptr, static_cast<WORD>(inStrings.size()), 0,
                                           inStrings.data(), nullptr);
        EXPECT_TRUE(DeregisterEventSource(theLog));
        return theResult != 0;
    }

private:
    EventLogListener mLog;
};

TEST_F(EventLogTest, AnEntryIsOneSyslogDatagramOnOneLine)
{
    ASSERT_TRUE(Report("Tallowmarch", EVENTLOG_ERROR_TYPE,
                       {"Vellumax Error: Unable to set property\n\n\nSet XColor String  =  teal\r\n"}));
    const std::vector<std::string> theDatagrams = Received();
    ASSERT_EQ(theDatagrams.size(), 1u);
    const std::string& theEntry = theDatagrams[0];
    EXPECT_EQ(theEntry.find_first_of("\r\n"), std::string::npos) << theEntry;
    EXPECT_EQ(theEntry.rfind("<11>", 0), 0u) << theEntry;  // facility user, severity error
    // Then the time stamp, "Mmm dd hh:mm:ss ".
    ASSERT_GT(theEntry.size(), 20u);
    const std::string theStamp = theEntry.substr(4, 16);
    EXPECT_NE(std::string("JanFebMarAprMayJunJulAugSepOctNovDec").find(theStamp.substr(0, 3)), std::string::npos)
        << theStamp;
    EXPECT_EQ(theStamp[6], ' ');
    EXPECT_EQ(theStamp[9], ':');
    EXPECT_EQ(theStamp[12], ':');
    EXPECT_EQ(theStamp[15], ' ');
    const std::string theTail =
        " Tallowmarch: [event 4096 category 1] Vellumax Error: Unable to set property   Set XColor String  =  teal  ";
    ASSERT_GE(theEntry.size(), theTail.size());
    EXPECT_EQ(theEntry.substr(theEntry.size() - theTail.size()), theTail);
}

TEST_F(EventLogTest, TypeSourceAndStringsShapeTheEntry)
{
    struct Case {
        const char* mSource;
        WORD mType;
        std::vector<const char*> mStrings;
        const char* mPriority;
        const char* mEnding;
    };
    const Case theCases[] = {
        {"Tallowmarch", EVENTLOG_WARNING_TYPE, {"careful"}, "<12>", " Tallowmarch: [event 4096 category 1] careful"},
        {"Tallowmarch", EVENTLOG_INFORMATION_TYPE, {"a", "b", "c"}, "<14>", ": [event 4096 category 1] a b c"},
        {"Other Source: x", EVENTLOG_AUDIT_FAILURE, {}, "<11>", " Other_Source__x: [event 4096 category 1] "},
    };
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(theCase.mEnding);
        ASSERT_TRUE(Report(theCase.mSource, theCase.mType, theCase.mStrings));
        const std::vector<std::string> theDatagrams = Received();
        ASSERT_EQ(theDatagrams.size(), 1u);
        const std::string& theEntry = theDatagrams[0];
        EXPECT_EQ(theEntry.rfind(theCase.mPriority, 0), 0u) << theEntry;
        const std::string theEnding = theCase.mEnding;
        ASSERT_GE(theEntry.size(), theEnding.size());
        EXPECT_EQ(theEntry.substr(theEntry.size() - theEnding.size()), theEnding) << theEntry;
    }
}

TEST_F(EventLogTest, LongTextIsCut)
{
    const std::string theLong(3 * kEventLogMaxText, 'L');
    ASSERT_TRUE(Report("Tallowmarch", EVENTLOG_ERROR_TYPE, {theLong.c_str()}));
    const std::vector<std::string> theDatagrams = Received();
    ASSERT_EQ(theDatagrams.size(), 1u);
    const std::size_t theText = theDatagrams[0].size() - theDatagrams[0].find("] ") - 2;
    EXPECT_EQ(theText, kEventLogMaxText);
}

TEST_F(EventLogTest, WithoutAListenerTheEntryIsDropped)
{
    setenv("VX_EVENTLOG", (Folder() + "/nobody").c_str(), 1);
    EXPECT_FALSE(Report("Tallowmarch", EVENTLOG_ERROR_TYPE, {"lost"}));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(Received().empty());
}

TEST(EventLogSource, OnlyTheLocalMachineWithANamedSource)
{
    EXPECT_EQ(RegisterEventSource("elsewhere", "Tallowmarch"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_EQ(RegisterEventSource(nullptr, ""), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(DeregisterEventSource(nullptr));
    const char* theString = "x";
    EXPECT_FALSE(ReportEvent(nullptr, EVENTLOG_ERROR_TYPE, 1, 1, nullptr, 1, 0, &theString, nullptr));
}

}  // namespace

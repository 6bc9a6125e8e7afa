#include "vellumax/errors/EventLog.h"

#include <string_view>

#include "automation/EventLog.h"

namespace {

struct MessageEntry {
    unsigned mId;
    const char* mText;
};

constexpr MessageEntry kMessages[] = {
    {kEventCategoryMisc, "Misc\r\n"},
    {kEventIdError, "Vellumax Error: %1\r\n"},
};

// The entry as the log shows it: the message with its insert, without the table's line end.
std::string FormatEntry(unsigned inId, const std::string& inInsert)
{
    std::string theText = EventMessageText(inId);
    if (theText.ends_with("\r\n"))
        theText.resize(theText.size() - 2);
    const std::size_t theAt = theText.find("%1");
    if (theAt != std::string::npos)
        theText.replace(theAt, 2, inInsert);
    return theText;
}

}  // namespace

const char* EventMessageText(unsigned inId)
{
    for (const MessageEntry& theEntry : kMessages)
        if (theEntry.mId == inId)
            return theEntry.mText;
    return nullptr;
}

void LogEvent(const std::string& inText)
{
    std::string theLine = inText;
    for (char& theChar : theLine)
        if (theChar == '\r' || theChar == '\n')
            theChar = ' ';
    HANDLE theLog = RegisterEventSource(nullptr, kEventSourceName);
    if (theLog == nullptr)
        return;
    const std::string theEntry = FormatEntry(kEventIdError, theLine);
    const char* theStrings[] = {theEntry.c_str()};
    ReportEvent(theLog, EVENTLOG_ERROR_TYPE, kEventCategoryMisc, kEventIdError, nullptr, 1, 0, theStrings, nullptr);
    DeregisterEventSource(theLog);
}

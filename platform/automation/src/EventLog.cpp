#include "automation/EventLog.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>

#include "automation/Errors.h"

namespace {

constexpr int kFacilityUser = 1;
constexpr int kSeverityError = 3;
constexpr int kSeverityWarning = 4;
constexpr int kSeverityInfo = 6;

struct EventSource {
    std::string mIdent;
    sockaddr_un mAddress;
    socklen_t mAddressLength;
    int mSocket;
};

int SeverityOf(WORD inType)
{
    switch (inType) {
    case EVENTLOG_ERROR_TYPE:
    case EVENTLOG_AUDIT_FAILURE:
        return kSeverityError;
    case EVENTLOG_WARNING_TYPE:
        return kSeverityWarning;
    default:
        return kSeverityInfo;
    }
}

std::string IdentOf(const char* inSource)
{
    std::string theIdent(inSource);
    for (char& theCharacter : theIdent)
        if (theCharacter == ' ' || theCharacter == ':' || theCharacter == '[' || theCharacter == ']' ||
            theCharacter == '\r' || theCharacter == '\n' || theCharacter == '\t')
            theCharacter = '_';
    return theIdent;
}

// Cuts inText to at most inLimit bytes without splitting a UTF-8 sequence.
void CutUtf8(std::string& ioText, std::size_t inLimit)
{
    if (ioText.size() <= inLimit)
        return;
    std::size_t theEnd = inLimit;
    while (theEnd > 0 && (static_cast<unsigned char>(ioText[theEnd]) & 0xC0) == 0x80)
        --theEnd;
    ioText.resize(theEnd);
}

}  // namespace

HANDLE RegisterEventSource(const char* inServer, const char* inSourceName)
{
    if (inServer != nullptr && *inServer != '\0') {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (inSourceName == nullptr || *inSourceName == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const char* thePath = std::getenv("VX_EVENTLOG");
    if (thePath == nullptr || *thePath == '\0')
        thePath = "/dev/log";
    auto* theSource = new (std::nothrow) EventSource{};
    if (theSource == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const std::size_t theLength = std::strlen(thePath);
    if (theLength >= sizeof(theSource->mAddress.sun_path)) {
        delete theSource;
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    theSource->mIdent = IdentOf(inSourceName);
    theSource->mAddress.sun_family = AF_UNIX;
    std::memcpy(theSource->mAddress.sun_path, thePath, theLength + 1);
    theSource->mAddressLength = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + theLength + 1);
    theSource->mSocket = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (theSource->mSocket < 0) {
        SetLastErrorFromErrno();
        delete theSource;
        return nullptr;
    }
    return theSource;
}

BOOL ReportEvent(HANDLE inEventLog, WORD inType, WORD inCategory, DWORD inEventId, const void* /*inUserSid*/,
                 WORD inStringCount, DWORD /*inDataSize*/, const char** inStrings, const void* /*inRawData*/)
{
    auto* theSource = static_cast<EventSource*>(inEventLog);
    if (theSource == nullptr || (inStringCount != 0 && inStrings == nullptr)) {
        SetLastError(theSource == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string theText;
    for (WORD theIndex = 0; theIndex < inStringCount; ++theIndex) {
        if (theIndex != 0)
            theText.push_back(' ');
        if (inStrings[theIndex] != nullptr)
            theText.append(inStrings[theIndex]);
    }
    for (char& theCharacter : theText)
        if (theCharacter == '\r' || theCharacter == '\n')
            theCharacter = ' ';
    CutUtf8(theText, kEventLogMaxText);

    // The syslog time stamp is English whatever the process's locale.
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t theNow = std::time(nullptr);
    std::tm theTime{};
    localtime_r(&theNow, &theTime);
    char theHeader[64];
    std::snprintf(theHeader, sizeof theHeader, "<%d>%s %2d %02d:%02d:%02d ", kFacilityUser * 8 + SeverityOf(inType),
                  kMonths[theTime.tm_mon % 12], theTime.tm_mday, theTime.tm_hour, theTime.tm_min, theTime.tm_sec);
    char theEvent[64];
    std::snprintf(theEvent, sizeof theEvent, ": [event %u category %u] ", static_cast<unsigned>(inEventId),
                  static_cast<unsigned>(inCategory));
    const std::string theDatagram = theHeader + theSource->mIdent + theEvent + theText;

    // Never wait for a slow or stuck listener: a full queue drops the entry.
    const ssize_t theSent =
        sendto(theSource->mSocket, theDatagram.data(), theDatagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
               reinterpret_cast<const sockaddr*>(&theSource->mAddress), theSource->mAddressLength);
    if (theSent < 0) {
        SetLastErrorFromErrno();
        return 0;
    }
    return 1;
}

BOOL DeregisterEventSource(HANDLE inEventLog)
{
    auto* theSource = static_cast<EventSource*>(inEventLog);
    if (theSource == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    close(theSource->mSocket);
    delete theSource;
    return 1;
}

// The event log: each reported event is one syslog datagram on the Unix datagram socket named by
// VX_EVENTLOG, else /dev/log.
//
// Datagram: "<PRI>Mmm dd hh:mm:ss SOURCE: [event ID category CAT] TEXT" with facility user and the
// severity of the event type (error and audit failure: err; warning: warning; others: info).
// TEXT is the event's strings joined by one blank, with carriage returns and line feeds turned
// into blanks so that an entry is always one line; it is cut at kEventLogMaxText bytes. The
// caller formats its message: there is no message table here. SOURCE is the source name with
// blanks, colons and brackets replaced by '_'.
// When nobody listens on the socket (or it is full), the entry is dropped: ReportEvent then
// answers FALSE with the reason in GetLastError, and nothing else happens.
#pragma once

#include "automation/Types.h"

using HANDLE = void*;
using BOOL = int;

constexpr WORD EVENTLOG_SUCCESS = 0x0000;
constexpr WORD EVENTLOG_ERROR_TYPE = 0x0001;
constexpr WORD EVENTLOG_WARNING_TYPE = 0x0002;
constexpr WORD EVENTLOG_INFORMATION_TYPE = 0x0004;
constexpr WORD EVENTLOG_AUDIT_SUCCESS = 0x0008;
constexpr WORD EVENTLOG_AUDIT_FAILURE = 0x0010;

constexpr DWORD kEventLogMaxText = 8192;

// Only the local machine is served: inServer must be null or empty (else null is returned with
// ERROR_NOT_SUPPORTED). The socket is chosen here, from the environment of this moment.
HANDLE RegisterEventSource(const char* inServer, const char* inSourceName);
BOOL ReportEvent(HANDLE inEventLog, WORD inType, WORD inCategory, DWORD inEventId, const void* inUserSid,
                 WORD inStringCount, DWORD inDataSize, const char** inStrings, const void* inRawData);
BOOL DeregisterEventSource(HANDLE inEventLog);

// The server's entries in the system event log.
#pragma once

#include <string>

inline constexpr const char* kEventSourceName = "Tallowmarch";
inline constexpr unsigned kEventCategoryMisc = 1;
inline constexpr unsigned kEventIdError = 0x1000;

// The server's message table, as registered for the event source: the text of
// a category or event identifier, each ending in "\r\n"; null when unknown.
const char* EventMessageText(unsigned inId);

// Writes one error entry, "Vellumax Error: " and inText on one line. Nothing
// is reported back: a log that can't be reached drops the entry.
void LogEvent(const std::string& inText);

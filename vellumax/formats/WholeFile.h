// The whole-file writer of the savers: GIF files and raw bytes scripts save.
#pragma once

#include <cstdint>

// Replaces the file at inPath with the bytes through the imaging platform's
// one file writer (FSpReplaceContents), as its exporters do: all or nothing,
// never a half-written, lost or stray file; only a regular file or a new name,
// and only one the caller could write in place (else "Access is denied", 5).
// A link is followed so that the file it names is the one replaced. The
// thread's last error is 0 on success; on failure it holds the reason (the
// system's own when there was one) and the old file, if any, is left as it
// was. The platform must be started.
bool WriteWholeFile(const char* inPath, const void* inData, std::uint32_t inLength);

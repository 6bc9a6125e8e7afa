// The whole-file writer of the savers: GIF files and raw bytes scripts save.
#pragma once

#include <cstdint>

// Replaces the file at inPath with the bytes. A replaced file is written
// beside itself and renamed over the old one, so a failed write never leaves a
// half-written or lost file; a link is followed so that the file it names is
// the one replaced, and the old file's permissions are kept. The thread's last
// error is 0 once the file is open; on failure it holds the reason and the
// old file, if any, is left as it was.
bool WriteWholeFile(const char* inPath, const void* inData, std::uint32_t inLength);

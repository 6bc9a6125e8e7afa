// The whole-file writer of the savers: GIF files and raw bytes scripts save.
#pragma once

#include <cstdint>

// Replaces the file at inPath with the bytes through the imaging platform's
// file calls, as its exporters do: the new content goes to an unnamed file of
// the folder that is linked in only once complete, so a failed or killed write
// never leaves a half-written, lost or stray file. A link is followed so that
// the file it names is the one replaced, the old file's permissions are kept,
// and any name the folder accepts can be written. The thread's last error is 0
// once the file is open; on failure it holds the reason (the system's own when
// there was one) and the old file, if any, is left as it was. The platform
// must be started.
bool WriteWholeFile(const char* inPath, const void* inData, std::uint32_t inLength);

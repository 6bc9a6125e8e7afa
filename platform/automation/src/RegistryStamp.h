// A value that differs whenever the calling thread's registry may have changed since it was taken,
// whether this thread, another connection or another process changed it. Lets a caller keep what
// it read from the registry until then (internal to the automation runtime).
#pragma once

#include <cstdint>

#include "automation/Types.h"

struct RegistryStamp {
    std::uint64_t mConnection = 0;  // the thread's connection; 0 for no file, or a read-only copy
    std::int64_t mVersion = 0;      // the file's data version, as that connection sees it
    std::uint64_t mOwnWrites = 0;   // writes begun or ended on that connection
    // A read-only copy is opened afresh at every call, so it is known by the file itself.
    std::uint64_t mDevice = 0;
    std::uint64_t mInode = 0;
    std::int64_t mSize = 0;
    std::int64_t mModified = 0;  // nanoseconds
    std::int64_t mChanged = 0;   // nanoseconds, the inode's change time

    bool operator==(const RegistryStamp&) const = default;
};

// ERROR_SUCCESS and the stamp (a missing file has the empty stamp); another number when the
// registry can't be read, and nothing read from it should be kept.
LONG ReadRegistryStamp(RegistryStamp* outStamp);

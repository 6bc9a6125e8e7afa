// Relocatable memory blocks. A Handle points at the block's master pointer; *handle is the block's
// current address, valid until the next SetHandleSize on an unlocked handle.
#pragma once

#include "imaging/MacTypes.h"

// Null on failure; MemError() then tells why (-108 too large or out of memory, -50 negative size).
// A block of size 0 is a valid handle whose *handle is not null.
Handle NewHandle(Size inSize);
Handle NewHandleClear(Size inSize);
void DisposeHandle(Handle inHandle);  // null is allowed
Size GetHandleSize(Handle inHandle);  // 0 for null (MemError -109)
// Growing keeps the contents; new bytes are zero. On failure the block is unchanged and MemError()
// is -108. A locked block never moves: growing it beyond its reserve fails with -108.
void SetHandleSize(Handle inHandle, Size inSize);
void HLock(Handle inHandle);
void HUnlock(Handle inHandle);
// The last memory error of the calling thread (0 after a successful memory call).
OSErr MemError();

// Largest block the platform hands out; anything bigger fails with -108 instead of overcommitting.
constexpr Size kMaxHandleSize = 0x40000000;

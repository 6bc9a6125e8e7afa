// IMemoryUse: answered by objects that hold memory a garbage-collected host can't see (a
// canvas's pixels), so that the host can report it to its collector and a dropped object is
// collected before such memory piles up. Not a scripting interface: no dispatch, no type
// information.
#pragma once

#include <automation/Interfaces.h>

inline constexpr IID IID_IMemoryUse = {0xD9DE8089, 0x2933, 0x4B94, {0x99, 0xD9, 0xC8, 0xBB, 0xFF, 0xE4, 0x75, 0xD7}};

struct IMemoryUse : IUnknown {
    // The bytes held now beyond the object's own small record; 0 when none.
    virtual HRESULT GetBytesHeld(ULONGLONG* outBytes) = 0;
};

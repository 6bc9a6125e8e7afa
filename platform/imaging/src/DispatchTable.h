// The table the library hands to the client glue through its one exported entry point.
#pragma once

#include "imaging/Imaging.h"

#include <cstdint>

struct VxImagingTable {
    std::uint32_t mSize;  // sizeof(VxImagingTable) of the library
    std::int32_t mLevel;  // kImagingInterfaceLevel
    OSErr (*Start)(long inFlags);
    void (*Stop)();
#define VX_CALL(R, Name, Params, Args, Fail) R(*Name) Params;
#define VX_VOID(Name, Params, Args) void(*Name) Params;
#include "CallList.h"
#undef VX_CALL
#undef VX_VOID
};

// The name the glue looks up; the function returns the table, or null when it cannot serve inLevel.
#define VX_IMAGING_ENTRY_NAME "VxImagingGetTable"
typedef const VxImagingTable* (*VxImagingEntry)(long inLevel);

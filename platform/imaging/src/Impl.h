// The library's implementations of the listed calls, in a namespace of their own so that they never
// interpose on the glue's functions of the same names in a process that holds both.
#pragma once

#include "imaging/Imaging.h"

namespace vximaging {

OSErr Start(long inFlags);
void Stop();

#define VX_CALL(R, Name, Params, Args, Fail) R Name Params;
#define VX_VOID(Name, Params, Args) void Name Params;
#include "CallList.h"
#undef VX_CALL
#undef VX_VOID

}  // namespace vximaging

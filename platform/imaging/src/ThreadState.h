// Per-thread results of the last memory and drawing calls. Plain values only: the library can be
// unloaded while threads live, so nothing here may need a destructor.
#pragma once

#include "imaging/MacTypes.h"

namespace vximaging {

inline thread_local OSErr tMemError = noErr;
inline thread_local OSErr tQDError = noErr;

inline void SetMemError(OSErr inError)
{
    tMemError = inError;
}
inline void SetQDError(OSErr inError)
{
    tQDError = inError;
}

}  // namespace vximaging

// The library's one exported entry point, its table, start and version.
#include "DispatchTable.h"
#include "FileTable.h"
#include "Impl.h"

namespace vximaging {

namespace {

// Release 4.1.0: interface level 4, own release 1.0.
constexpr long kVersionResponse = 0x04100000;

}  // namespace

OSErr Start(long)
{
    return noErr;
}

void Stop()
{
    FileTable::Instance().FinishPendingDeletes();
}

OSErr EnterMovies()
{
    return noErr;
}

void ExitMovies()
{
    FileTable::Instance().FinishPendingDeletes();
}

OSErr Gestalt(OSType inSelector, long* outResponse)
{
    if (outResponse == nullptr)
        return paramErr;
    if (inSelector != gestaltQuickTime)
        return gestaltUndefSelectorErr;
    *outResponse = kVersionResponse;
    return noErr;
}

}  // namespace vximaging

namespace {

const VxImagingTable kTable = {
    sizeof(VxImagingTable),
    kImagingInterfaceLevel,
    &vximaging::Start,
    &vximaging::Stop,
#define VX_CALL(R, Name, Params, Args, Fail) &vximaging::Name,
#define VX_VOID(Name, Params, Args) &vximaging::Name,
#include "CallList.h"
#undef VX_CALL
#undef VX_VOID
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const VxImagingTable* VxImagingGetTable(long inLevel)
{
    return inLevel == kImagingInterfaceLevel ? &kTable : nullptr;
}

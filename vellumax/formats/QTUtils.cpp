#include "vellumax/formats/QTUtils.h"

#include "imaging/Startup.h"

void InitQuickTime(OSErr& outCode, bool& outAvailable)
{
    outAvailable = false;
    outCode = InitializeQTML(0);
    if (outCode != noErr)
        return;
    outCode = EnterMovies();
    if (outCode != noErr) {
        TerminateQTML();
        return;
    }
    long theVersion = 0;
    if (Gestalt(gestaltQuickTime, &theVersion) == noErr)
        outAvailable = ((static_cast<unsigned long>(theVersion) >> 24) & 0xFF) >= 4;
}

void ExitQuickTime(OSErr inCode)
{
    if (inCode != noErr)
        return;
    ExitMovies();
    TerminateQTML();
}

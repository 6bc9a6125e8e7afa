// Writes 64 KiB over the file named on the command line; the test runs it under
// a small file-size limit so that the write itself fails.
#include <csignal>
#include <string>

#include "automation/Errors.h"
#include "vellumax/formats/QTUtils.h"
#include "vellumax/formats/WholeFile.h"

int main(int inCount, char** inArguments)
{
    if (inCount != 2)
        return 100;
    std::signal(SIGXFSZ, SIG_IGN);
    OSErr theCode = noErr;
    bool theAvailable = false;
    InitQuickTime(theCode, theAvailable);
    if (!theAvailable)
        return 102;
    const std::string theData(64 * 1024, 'n');
    const bool theWritten = WriteWholeFile(inArguments[1], theData.data(), std::uint32_t(theData.size()));
    const DWORD theError = GetLastError();
    ExitQuickTime(theCode);
    if (theWritten)
        return 0;
    return theError != 0 ? 1 : 101;
}

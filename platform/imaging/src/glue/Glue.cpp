// Client glue: the classic calls, forwarded through the table of the library loaded at run time.
#include "DispatchTable.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <string>

namespace {

std::mutex sLoadMutex;
long sStarts = 0;
void* sLibrary = nullptr;
std::atomic<const VxImagingTable*> sTable{nullptr};

const VxImagingTable* Table()
{
    return sTable.load(std::memory_order_acquire);
}

std::string ThisModuleFolder()
{
    Dl_info theInfo{};
    std::string thePath;
    if (dladdr(reinterpret_cast<void*>(&InitializeQTML), &theInfo) != 0 && theInfo.dli_fname != nullptr)
        thePath = theInfo.dli_fname;
    if (thePath.empty() || thePath.find('/') == std::string::npos) {
        // The main program's own name may come back bare; ask the kernel instead.
        char theBuffer[PATH_MAX];
        const ssize_t theLength = readlink("/proc/self/exe", theBuffer, sizeof(theBuffer) - 1);
        if (theLength <= 0)
            return ".";
        thePath.assign(theBuffer, std::size_t(theLength));
    }
    const std::size_t theSlash = thePath.rfind('/');
    return theSlash == std::string::npos ? std::string(".") : thePath.substr(0, theSlash);
}

void* OpenLibrary()
{
    if (const char* thePath = std::getenv("VX_IMAGING"); thePath != nullptr && *thePath != '\0')
        return dlopen(thePath, RTLD_NOW | RTLD_LOCAL);
    const std::string theFolder = ThisModuleFolder();
    for (const char* theCandidate : {"/libvx-imaging.so", "/../lib/libvx-imaging.so"}) {
        if (void* theLibrary = dlopen((theFolder + theCandidate).c_str(), RTLD_NOW | RTLD_LOCAL))
            return theLibrary;
    }
    return nullptr;
}

}  // namespace

OSErr InitializeQTML(long inFlags)
{
    std::lock_guard theLock(sLoadMutex);
    if (sStarts == 0) {
        void* theLibrary = OpenLibrary();
        if (theLibrary == nullptr)
            return resFNotFound;
        auto theEntry = reinterpret_cast<VxImagingEntry>(dlsym(theLibrary, VX_IMAGING_ENTRY_NAME));
        const VxImagingTable* theTable = theEntry != nullptr ? theEntry(kImagingInterfaceLevel) : nullptr;
        if (theTable == nullptr || theTable->mSize < sizeof(VxImagingTable) ||
            theTable->mLevel != kImagingInterfaceLevel) {
            dlclose(theLibrary);
            return theEntry == nullptr ? resNotFound : cantOpenHandler;
        }
        if (const OSErr theError = theTable->Start(inFlags); theError != noErr) {
            dlclose(theLibrary);
            return theError;
        }
        sLibrary = theLibrary;
        sTable.store(theTable, std::memory_order_release);
    } else if (const OSErr theError = Table()->Start(inFlags); theError != noErr) {
        return theError;
    }
    ++sStarts;
    return noErr;
}

void TerminateQTML()
{
    std::lock_guard theLock(sLoadMutex);
    if (sStarts == 0)
        return;
    Table()->Stop();
    if (--sStarts == 0) {
        sTable.store(nullptr, std::memory_order_release);
        dlclose(sLibrary);
        sLibrary = nullptr;
    }
}

#define VX_CALL(R, Name, Params, Args, Fail)                                                                           \
    R Name Params                                                                                                      \
    {                                                                                                                  \
        const VxImagingTable* theTable = Table();                                                                      \
        if (theTable == nullptr)                                                                                       \
            return Fail;                                                                                               \
        return theTable->Name Args;                                                                                    \
    }
#define VX_VOID(Name, Params, Args)                                                                                    \
    void Name Params                                                                                                   \
    {                                                                                                                  \
        if (const VxImagingTable* theTable = Table())                                                                  \
            theTable->Name Args;                                                                                       \
    }
#include "CallList.h"
#undef VX_CALL
#undef VX_VOID

// The cost of exporting the largest canvas: peak resident memory and time of
// one GetAs or SaveAs of a side × side canvas, as a process of its own so that
// the peak is this export's. Run with VX_IMAGING naming <build>/lib/libvx-imaging.so:
//   large_export getas|saveas gif|png|jpeg [side] [folder] [parameters]
// Prints the canvas's resident memory before the export, the peak during it,
// the output's size and the export's wall and processor times.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <automation/Client.h>
#include <automation/Interfaces.h>
#include <automation/SafeArray.h>

HRESULT VxGetClassObject_Canvas(REFIID inIid, void** outObject);

namespace {

long ResidentKiB()
{
    long thePages = 0;
    long theResident = 0;
    if (FILE* theFile = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(theFile, "%ld %ld", &thePages, &theResident) != 2)
            theResident = 0;
        std::fclose(theFile);
    }
    return theResident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The resident peak since the last ResetPeak (VmHWM).
long PeakKiB()
{
    long thePeak = 0;
    if (FILE* theFile = std::fopen("/proc/self/status", "r")) {
        char theLine[256];
        while (std::fgets(theLine, sizeof theLine, theFile) != nullptr)
            if (std::sscanf(theLine, "VmHWM: %ld kB", &thePeak) == 1)
                break;
        std::fclose(theFile);
    }
    return thePeak;
}

// Drawing the canvas may have peaked higher than the export will: start over.
void ResetPeak()
{
    if (FILE* theFile = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", theFile);
        std::fclose(theFile);
    }
}

double ProcessorSeconds()
{
    timespec theTime{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &theTime);
    return double(theTime.tv_sec) + double(theTime.tv_nsec) * 1e-9;
}

}  // namespace

int main(int inCount, char** inArguments)
{
    if (inCount < 3) {
        std::fprintf(stderr, "usage: large_export getas|saveas gif|png|jpeg [side] [folder] [parameters]\n");
        return 2;
    }
    const std::string theCall = inArguments[1];
    const std::string theType = inArguments[2];
    const int theSide = inCount > 3 ? std::atoi(inArguments[3]) : 16384;
    const std::string theFolder = inCount > 4 ? inArguments[4] : "/tmp";
    const std::string theParameters = inCount > 5 ? inArguments[5] : "";

    IClassFactory* theFactory = nullptr;
    IDispatch* theObject = nullptr;
    if (VxGetClassObject_Canvas(IID_IClassFactory, reinterpret_cast<void**>(&theFactory)) != S_OK)
        return 3;
    theFactory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&theObject));
    theFactory->Release();
    vx::Client theCanvas(theObject);
    theObject->Release();
    theCanvas.Put("Width", theSide);
    theCanvas.Put("Height", theSide);
    // Something in every band, so that no row is trivially alike.
    theCanvas.Call("DrawShape", "oval",
                   "rect=0,0," + std::to_string(theSide) + "," + std::to_string(theSide) +
                       " paintcolor=red pencolor=blue pensize=9");
    theCanvas.Call("DrawText", "Vellumax", "rect=0,0,2000,400 textsize=200");
    if (!theCanvas.Ok()) {
        std::fprintf(stderr, "drawing failed\n");
        return 4;
    }
    ResetPeak();
    const long theBefore = ResidentKiB();
    const double theStartCpu = ProcessorSeconds();
    const auto theStart = std::chrono::steady_clock::now();
    long long theSize = 0;
    if (theCall == "getas") {
        vx::Variant theBytes = theCanvas.Call("GetAs", theType, theParameters);
        // Read from the array's bounds: a copy of the bytes would count in the peak.
        LONG theUpper = -1;
        if (theCanvas.Ok() && theBytes.Type() == (VT_ARRAY | VT_UI1))
            SafeArrayGetUBound(theBytes.Get()->parray, 1, &theUpper);
        theSize = theUpper + 1LL;
        theSize = theCanvas.Ok() ? theSize : -1;
    } else {
        const std::string thePath = theFolder + "/large-export-" + std::to_string(getpid()) + "." + theType;
        theCanvas.Call("SaveAs", thePath, theParameters);
        struct stat theInfo {};
        theSize = theCanvas.Ok() && stat(thePath.c_str(), &theInfo) == 0 ? (long long)theInfo.st_size : -1;
        unlink(thePath.c_str());
    }
    const double theWall = std::chrono::duration<double>(std::chrono::steady_clock::now() - theStart).count();
    const double theCpu = ProcessorSeconds() - theStartCpu;
    if (theSize < 0) {
        std::fprintf(stderr, "%s\n", theCanvas.LastError().mDescription.c_str());
        return 5;
    }
    std::printf("%s %s %d '%s': canvas %ld MiB, peak %ld MiB, output %lld MiB, %.2f s wall, %.2f s processor\n",
                theCall.c_str(), theType.c_str(), theSide, theParameters.c_str(), theBefore / 1024, PeakKiB() / 1024,
                theSize >> 20, theWall, theCpu);
    return 0;
}

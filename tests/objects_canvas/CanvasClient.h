// Canvases made the way DllGetClassObject hands them out (through the class's
// own factory, asked for IDispatch), driven late-bound or through the vtable.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include <automation/Client.h>
#include <automation/ErrorInfo.h>
#include <automation/Interfaces.h>
#include <automation/Strings.h>
#include <vellumax/ICanvas.h>

#include "objects_values/Factories.h"

// Without the weak attribute of the server's class table, so that the linker
// takes the class from the static library.
HRESULT VxGetClassObject_Canvas(REFIID inIid, void** outObject);

inline vx::Client CreateCanvas()
{
    return CreateByFactory(&VxGetClassObject_Canvas);
}

// The object's ICanvas, borrowed (the client keeps the object alive).
inline ICanvas* CanvasOf(const vx::Client& inClient)
{
    ICanvas* theCanvas = nullptr;
    if (inClient.Object() == nullptr ||
        FAILED(inClient.Object()->QueryInterface(IID_ICanvas, reinterpret_cast<void**>(&theCanvas))))
        return nullptr;
    theCanvas->Release();
    return theCanvas;
}

// The description of the thread's error information, taken off the thread.
inline std::string TakeErrorDescription()
{
    IErrorInfo* theInfo = nullptr;
    if (GetErrorInfo(0, &theInfo) != S_OK || theInfo == nullptr)
        return "<none>";
    BSTR theText = nullptr;
    theInfo->GetDescription(&theText);
    std::string theDescription = UTF8FromBSTR(theText);
    SysFreeString(theText);
    theInfo->Release();
    return theDescription;
}

// Points VX_REGISTRY at a registry file of the test's own for its lifetime, so
// that settings it writes are not seen by tests running beside it.
class PrivateRegistry {
public:
    explicit PrivateRegistry(const std::string& inName)
        : mMine(::testing::TempDir() + inName + "-" + std::to_string(::getpid()) + ".db")
    {
        const char* theShared = std::getenv("VX_REGISTRY");
        mOld = theShared != nullptr ? theShared : "";
        ::setenv("VX_REGISTRY", mMine.c_str(), 1);
    }
    ~PrivateRegistry()
    {
        ::setenv("VX_REGISTRY", mOld.c_str(), 1);
        // The thread's registry connection may still be open: its journal files stay behind.
        for (const char* theSuffix : {"", "-wal", "-shm"})
            std::remove((mMine + theSuffix).c_str());
    }
    PrivateRegistry(const PrivateRegistry&) = delete;
    PrivateRegistry& operator=(const PrivateRegistry&) = delete;

private:
    std::string mMine;
    std::string mOld;
};

// Class activation as a page's createObject does it: the ProgID looked up, the class factory
// found, one object made and released, with the server registered in a private registry.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "automation/Activation.h"
#include "automation/Interfaces.h"

namespace {

class RegisteredServer {
public:
    RegisteredServer()
    {
        std::string theTemplate = (std::filesystem::temp_directory_path() / "vx-bench-XXXXXX").string();
        mFolder = mkdtemp(theTemplate.data()) != nullptr ? theTemplate : std::string();
        setenv("VX_REGISTRY", (mFolder + "/registry.db").c_str(), 1);
        const RegistrationRun theRun = RunRegistrationEntry(VX_SERVER_PATH, "DllRegisterServer");
        mRegistered = theRun.mOutcome == RegistrationRun::Outcome::kRan && SUCCEEDED(theRun.mResult);
    }
    ~RegisteredServer()
    {
        unsetenv("VX_REGISTRY");
        if (!mFolder.empty())
            std::filesystem::remove_all(mFolder);
    }
    bool Registered() const { return mRegistered; }

private:
    std::string mFolder;
    bool mRegistered = false;
};

void BM_CreateByProgId(benchmark::State& ioState)
{
    RegisteredServer theServer;
    if (!theServer.Registered()) {
        ioState.SkipWithError("the server could not be registered");
        return;
    }
    for (auto _ : ioState) {
        CLSID theClsid;
        IUnknown* theObject = nullptr;
        if (FAILED(CLSIDFromProgID(u"Vellumax.XColor", &theClsid)) ||
            FAILED(CoCreateInstance(theClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                    reinterpret_cast<void**>(&theObject)))) {
            ioState.SkipWithError("not created");
            break;
        }
        theObject->Release();
    }
}
BENCHMARK(BM_CreateByProgId);

}  // namespace

// Graphic and Gestalt made the way DllGetClassObject hands them out, a private
// registry, a folder of scratch files and a datagram socket standing in for the
// event log.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <automation/Client.h>
#include <automation/ErrorInfo.h>
#include <automation/Strings.h>

#include "objects_canvas/CanvasClient.h"
#include "support/EventLogListener.h"

HRESULT VxGetClassObject_Graphic(REFIID inIid, void** outObject);
HRESULT VxGetClassObject_Gestalt(REFIID inIid, void** outObject);

namespace vxtest {

using Bytes = std::vector<std::uint8_t>;

inline vx::Client CreateObject(GetFactoryProc inGetFactory)
{
    return CreateByFactory(inGetFactory);
}

// The interface of a client's object, borrowed.
template <class Interface>
Interface* InterfaceOf(const vx::Client& inClient, REFIID inIid)
{
    Interface* theInterface = nullptr;
    if (inClient.Object() == nullptr ||
        FAILED(inClient.Object()->QueryInterface(inIid, reinterpret_cast<void**>(&theInterface))))
        return nullptr;
    theInterface->Release();
    return theInterface;
}

using ::TakeErrorDescription;

class ObjectsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string theStem = ::testing::TempDir() + "vx-objects-" + std::to_string(getpid());
        mFolder = theStem + "-files";
        std::filesystem::remove_all(mFolder);
        std::filesystem::create_directories(mFolder);
        mRegistry = theStem + ".db";
        setenv("VX_REGISTRY", mRegistry.c_str(), 1);
        ASSERT_NO_FATAL_FAILURE(mLog.Listen(theStem + ".sock"));
    }
    void TearDown() override
    {
        std::filesystem::remove_all(mFolder);
        for (const char* theSuffix : {"", "-wal", "-shm", "-journal"})
            std::remove((mRegistry + theSuffix).c_str());
    }

    std::string PathOf(const std::string& inName) const { return mFolder + "/" + inName; }
    std::string WriteFile(const std::string& inName, const Bytes& inBytes) const
    {
        const std::string thePath = PathOf(inName);
        std::ofstream(thePath, std::ios::binary)
            .write(reinterpret_cast<const char*>(inBytes.data()), std::streamsize(inBytes.size()));
        return thePath;
    }
    static Bytes Contents(const std::string& inPath)
    {
        std::ifstream theFile(inPath, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(theFile), std::istreambuf_iterator<char>());
    }
    std::size_t EntryCount() const
    {
        return std::size_t(
            std::distance(std::filesystem::directory_iterator(mFolder), std::filesystem::directory_iterator()));
    }
    std::vector<std::string> Entries() const { return mLog.Entries(); }

    std::string mFolder;
    std::string mRegistry;
    EventLogListener mLog;
};

}  // namespace vxtest

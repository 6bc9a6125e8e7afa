// Graphic and Gestalt made the way DllGetClassObject hands them out, a private
// registry, a folder of scratch files and a datagram socket standing in for the
// event log.
#pragma once

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
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

HRESULT VxGetClassObject_Graphic(REFIID inIid, void** outObject);
HRESULT VxGetClassObject_Gestalt(REFIID inIid, void** outObject);

namespace vxtest {

using Bytes = std::vector<std::uint8_t>;

inline vx::Client CreateObject(GetFactoryProc inGetFactory) { return CreateByFactory(inGetFactory); }

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
        mSocketPath = theStem + ".sock";
        std::remove(mSocketPath.c_str());
        setenv("VX_REGISTRY", mRegistry.c_str(), 1);
        setenv("VX_EVENTLOG", mSocketPath.c_str(), 1);
        mSocket = socket(AF_UNIX, SOCK_DGRAM, 0);
        ASSERT_GE(mSocket, 0);
        sockaddr_un theAddress{};
        theAddress.sun_family = AF_UNIX;
        ASSERT_LT(mSocketPath.size(), sizeof theAddress.sun_path);
        std::strcpy(theAddress.sun_path, mSocketPath.c_str());
        ASSERT_EQ(bind(mSocket, reinterpret_cast<sockaddr*>(&theAddress), sizeof theAddress), 0);
    }
    void TearDown() override
    {
        if (mSocket >= 0)
            close(mSocket);
        std::remove(mSocketPath.c_str());
        std::filesystem::remove_all(mFolder);
        for (const char* theSuffix : {"", "-wal", "-shm", "-journal"})
            std::remove((mRegistry + theSuffix).c_str());
    }

    std::string PathOf(const std::string& inName) const { return mFolder + "/" + inName; }
    std::string WriteFile(const std::string& inName, const Bytes& inBytes) const
    {
        const std::string thePath = PathOf(inName);
        std::ofstream(thePath, std::ios::binary).write(reinterpret_cast<const char*>(inBytes.data()),
                                                       std::streamsize(inBytes.size()));
        return thePath;
    }
    static Bytes Contents(const std::string& inPath)
    {
        std::ifstream theFile(inPath, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(theFile), std::istreambuf_iterator<char>());
    }
    std::size_t EntryCount() const
    {
        return std::size_t(std::distance(std::filesystem::directory_iterator(mFolder),
                                         std::filesystem::directory_iterator()));
    }
    // Event-log entries sent so far; the socket is local, so a sent datagram is there at once.
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> theEntries;
        char theBuffer[16384];
        for (;;) {
            const ssize_t theSize = recv(mSocket, theBuffer, sizeof theBuffer, MSG_DONTWAIT);
            if (theSize < 0)
                break;
            theEntries.emplace_back(theBuffer, static_cast<std::size_t>(theSize));
        }
        return theEntries;
    }

    std::string mFolder;
    std::string mRegistry;
    std::string mSocketPath;
    int mSocket = -1;
};

}  // namespace vxtest

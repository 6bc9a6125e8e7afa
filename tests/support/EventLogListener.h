// A private datagram socket standing in for the event log: VX_EVENTLOG names it
// while the listener lives, and its old value comes back afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class EventLogListener {
public:
    EventLogListener() = default;
    EventLogListener(const EventLogListener&) = delete;
    EventLogListener& operator=(const EventLogListener&) = delete;
    ~EventLogListener()
    {
        Stop();
        if (mPath.empty())
            return;
        std::remove(mPath.c_str());
        if (mOld)
            setenv("VX_EVENTLOG", mOld->c_str(), 1);
        else
            unsetenv("VX_EVENTLOG");
    }

    // Binds the socket at inPath (a stale one there is removed first). Call it
    // once, under ASSERT_NO_FATAL_FAILURE.
    void Listen(const std::string& inPath)
    {
        mPath = inPath;
        if (const char* theOld = std::getenv("VX_EVENTLOG"))
            mOld = theOld;
        std::remove(mPath.c_str());
        setenv("VX_EVENTLOG", mPath.c_str(), 1);
        mSocket = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(mSocket, 0);
        sockaddr_un theAddress{};
        theAddress.sun_family = AF_UNIX;
        ASSERT_LT(mPath.size(), sizeof theAddress.sun_path);
        std::strcpy(theAddress.sun_path, mPath.c_str());
        ASSERT_EQ(bind(mSocket, reinterpret_cast<sockaddr*>(&theAddress), sizeof theAddress), 0);
    }

    // Closes the socket early, so that senders find no listener.
    void Stop()
    {
        if (mSocket >= 0)
            close(mSocket);
        mSocket = -1;
    }

    int Socket() const { return mSocket; }

    // Entries already sent; the socket is local, so a sent datagram is there at once.
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

private:
    std::string mPath;
    std::optional<std::string> mOld;
    int mSocket = -1;
};

// The kinds of node a path can name besides a regular file, made for tests of
// what reads and writes accept, each also reached through a symbolic link.
#pragma once

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace vxtest {

enum class NodeKind { kFolder, kEmptyFolder, kPipe, kDevice, kSocket };

struct NodeCase {
    const char* mName;
    NodeKind mKind;
    bool mThroughLink;
};

inline constexpr NodeCase kNodeCases[] = {
    {"folder", NodeKind::kFolder, false},
    {"empty_folder", NodeKind::kEmptyFolder, false},
    {"pipe", NodeKind::kPipe, false},
    {"device", NodeKind::kDevice, false},
    {"socket", NodeKind::kSocket, false},
    {"link_to_folder", NodeKind::kEmptyFolder, true},
    {"link_to_pipe", NodeKind::kPipe, true},
    {"link_to_device", NodeKind::kDevice, true},
    {"link_to_socket", NodeKind::kSocket, true},
};

// Makes the node at inPath; false when this process may not (a device needs privilege), with
// outWhy saying why. The device is a copy of the null device, harmless to write.
inline bool MakeNode(NodeKind inKind, const std::string& inPath, std::string& outWhy)
{
    switch (inKind) {
    case NodeKind::kFolder:
        if (::mkdir(inPath.c_str(), 0777) == 0)
            return ::close(::creat((inPath + "/inside").c_str(), 0644)) == 0;
        break;
    case NodeKind::kEmptyFolder:
        return ::mkdir(inPath.c_str(), 0777) == 0;
    case NodeKind::kPipe:
        return ::mkfifo(inPath.c_str(), 0666) == 0;
    case NodeKind::kDevice:
        if (::mknod(inPath.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
            return true;
        outWhy = "no privilege to make a device: " + std::string(std::strerror(errno));
        return false;
    case NodeKind::kSocket: {
        sockaddr_un theAddress{};
        theAddress.sun_family = AF_UNIX;
        if (inPath.size() >= sizeof(theAddress.sun_path)) {
            outWhy = "path too long for a socket";
            return false;
        }
        std::memcpy(theAddress.sun_path, inPath.c_str(), inPath.size() + 1);
        const int theSocket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool theMade = ::bind(theSocket, reinterpret_cast<sockaddr*>(&theAddress), sizeof theAddress) == 0;
        ::close(theSocket);
        if (theMade)
            return true;
        break;
    }
    }
    outWhy = std::strerror(errno);
    return false;
}

// Makes the case's node under inFolder and answers the path to use (the link's, when through one),
// ending in inExtension.
inline bool MakeNodeCase(const NodeCase& inCase, const std::string& inFolder, const std::string& inExtension,
                         std::string& outPath, std::string& outWhy)
{
    const std::string theNode = inFolder + "/node-" + inCase.mName + inExtension;
    if (!MakeNode(inCase.mKind, theNode, outWhy))
        return false;
    outPath = theNode;
    if (inCase.mThroughLink) {
        outPath = inFolder + "/link-" + inCase.mName + inExtension;
        if (::symlink(theNode.c_str(), outPath.c_str()) != 0) {
            outWhy = std::strerror(errno);
            return false;
        }
    }
    return true;
}

// The node's kind and identity, through any link, to check that a refused write left it as it
// was (inBefore from stat of the same path).
inline bool SameNode(const struct stat& inBefore, const std::string& inPath)
{
    struct stat theAfter {};
    return ::stat(inPath.c_str(), &theAfter) == 0 && theAfter.st_ino == inBefore.st_ino &&
           (theAfter.st_mode & S_IFMT) == (inBefore.st_mode & S_IFMT) && theAfter.st_size == inBefore.st_size;
}

}  // namespace vxtest

#include "TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

void TemporaryRegistryTest::SetUp()
{
    std::string theTemplate = (std::filesystem::temp_directory_path() / "vx-system-XXXXXX").string();
    ASSERT_NE(mkdtemp(theTemplate.data()), nullptr);
    mFolder = theTemplate;
    mRegistry = mFolder + "/registry.db";
    setenv("VX_REGISTRY", mRegistry.c_str(), 1);
}

void TemporaryRegistryTest::TearDown()
{
    unsetenv("VX_REGISTRY");
    if (!mFolder.empty())
        std::filesystem::remove_all(mFolder);
}

int RunProgram(const std::vector<std::string>& inArguments, std::string* outOutput)
{
    int thePipe[2];
    if (pipe(thePipe) != 0)
        return -1;
    const pid_t theChild = fork();
    if (theChild < 0)
        return -1;
    if (theChild == 0) {
        dup2(thePipe[1], STDOUT_FILENO);
        dup2(thePipe[1], STDERR_FILENO);
        close(thePipe[0]);
        close(thePipe[1]);
        std::vector<char*> theArgv;
        for (const std::string& theArgument : inArguments)
            theArgv.push_back(const_cast<char*>(theArgument.c_str()));
        theArgv.push_back(nullptr);
        execv(theArgv[0], theArgv.data());
        _exit(127);
    }
    close(thePipe[1]);
    std::string theOutput;
    char theBuffer[512];
    ssize_t theCount;
    while ((theCount = read(thePipe[0], theBuffer, sizeof theBuffer)) > 0)
        theOutput.append(theBuffer, static_cast<std::size_t>(theCount));
    close(thePipe[0]);
    int theStatus = -1;
    waitpid(theChild, &theStatus, 0);
    if (outOutput != nullptr)
        *outOutput = theOutput;
    return theStatus;
}

#include "diagnostics/DiagnosticsSupport.h"

#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <stdexcept>

namespace diagnostics_test {

namespace {

std::string Quoted(const std::string& inText)
{
    std::string theText = "'";
    for (char theChar : inText)
        theText += theChar == '\'' ? std::string("'\\''") : std::string(1, theChar);
    return theText + "'";
}

}  // namespace

std::string ScratchFolder()
{
    std::string theTemplate = std::string(VX_TEST_DIR) + "/scratch-XXXXXX";
    if (mkdtemp(theTemplate.data()) == nullptr)
        throw std::runtime_error("no scratch folder under " + std::string(VX_TEST_DIR));
    return theTemplate;
}

ProgramRun RunProgram(const std::string& inProgram, const std::vector<std::string>& inArguments,
                      const Environment& inEnvironment)
{
    std::string theCommand = "env";
    for (const auto& [theName, theValue] : inEnvironment)
        theCommand += " " + Quoted(theName + "=" + theValue);
    theCommand += " " + Quoted(inProgram);
    for (const std::string& theArgument : inArguments)
        theCommand += " " + Quoted(theArgument);
    ProgramRun theRun;
    FILE* thePipe = popen(theCommand.c_str(), "r");
    if (thePipe == nullptr)
        return theRun;
    char theBuffer[4096];
    std::size_t theCount;
    while ((theCount = std::fread(theBuffer, 1, sizeof theBuffer, thePipe)) > 0)
        theRun.mOutput.append(theBuffer, theCount);
    const int theStatus = pclose(thePipe);
    if (theStatus != -1 && WIFEXITED(theStatus))
        theRun.mStatus = WEXITSTATUS(theStatus);
    return theRun;
}

std::string RegistryWithServer()
{
    const std::string theRegistry = ScratchFolder() + "/registry.db";
    const ProgramRun theRun = RunProgram(VX_REGSVR_PATH, {VX_SERVER_PATH}, {{"VX_REGISTRY", theRegistry}});
    if (theRun.mStatus != 0)
        throw std::runtime_error("regsvr failed: " + theRun.mOutput);
    return theRegistry;
}

ProgramRun RunDiagnostics(const std::vector<std::string>& inArguments, const Environment& inEnvironment)
{
    return RunProgram(VX_DIAGNOSTICS_PATH, inArguments, inEnvironment);
}

}  // namespace diagnostics_test

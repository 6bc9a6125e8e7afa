// Running the diagnostics program against a private registry, as an administrator would.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace diagnostics_test {

using Environment = std::vector<std::pair<std::string, std::string>>;

struct ProgramRun {
    int mStatus = -1;  // the exit status; -1 when the program did not exit normally
    std::string mOutput;
};

// A new empty folder under the test's build folder.
std::string ScratchFolder();
// Runs a program with inEnvironment added to ours; its standard output, byte for byte.
ProgramRun RunProgram(const std::string& inProgram, const std::vector<std::string>& inArguments,
                      const Environment& inEnvironment);
// A registry (in a new folder) where regsvr has registered the built server.
std::string RegistryWithServer();
ProgramRun RunDiagnostics(const std::vector<std::string>& inArguments, const Environment& inEnvironment);

}  // namespace diagnostics_test

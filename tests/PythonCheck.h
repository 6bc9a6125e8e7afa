#pragma once
// Runs a check script with the system Python (the one python3-pil serves) on a folder of files a
// test wrote, then removes the folder. Returns the script's exit status: 0 when all were right.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vxtest {

inline int RunPythonCheck(const std::filesystem::path& inFolder, const std::string& inScript)
{
    const std::string theScriptPath = (inFolder / "check.py").string();
    std::ofstream(theScriptPath) << inScript;
    const int theStatus = std::system(("/usr/bin/python3 " + theScriptPath + " " + inFolder.string()).c_str());
    std::filesystem::remove_all(inFolder);
    return theStatus;
}

}  // namespace vxtest

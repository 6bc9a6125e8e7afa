#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <string>

#include "TestServerInterface.h"
#include "TestSupport.h"
#include "automation/Activation.h"
#include "automation/Registry.h"

namespace {

using RegsvrTest = TemporaryRegistryTest;

int ExitCode(int inStatus)
{
    return WIFEXITED(inStatus) ? WEXITSTATUS(inStatus) : 1000;
}

bool ClassKeyExists(const char* inPath)
{
    HKEY theKey = nullptr;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, inPath, 0, KEY_READ, &theKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(theKey);
    return true;
}

TEST_F(RegsvrTest, RegistersAndUnregistersAModule)
{
    std::string theOutput;
    ASSERT_EQ(ExitCode(RunProgram({VX_REGSVR_PATH, VX_TESTSERVER_PATH}, &theOutput)), 0) << theOutput;
    EXPECT_NE(theOutput.find("DllRegisterServer"), std::string::npos) << theOutput;
    EXPECT_NE(theOutput.find("0x00000000"), std::string::npos) << theOutput;
    CLSID theClsid;
    EXPECT_EQ(CLSIDFromProgID(u"VxTest.Widget", &theClsid), S_OK);

    ASSERT_EQ(ExitCode(RunProgram({VX_REGSVR_PATH, "-u", VX_TESTSERVER_PATH}, &theOutput)), 0) << theOutput;
    EXPECT_NE(theOutput.find("DllUnregisterServer"), std::string::npos) << theOutput;
    EXPECT_EQ(CLSIDFromProgID(u"VxTest.Widget", &theClsid), CO_E_CLASSSTRING);
    EXPECT_FALSE(ClassKeyExists("VxTest.Widget.1"));
    EXPECT_TRUE(ClassKeyExists("CLSID"));  // the root of the classes stays
}

// A package's own registry goes with the package, unless someone keeps a setting in it.
TEST_F(RegsvrTest, PruneRemovesTheRegistryOnlyWhenNoValueIsLeft)
{
    const std::vector<std::string> theRegister = {VX_REGSVR_PATH, VX_TESTSERVER_PATH};
    const std::vector<std::string> thePrune = {VX_REGSVR_PATH, "-u", "--prune", VX_TESTSERVER_PATH};
    std::string theOutput;
    ASSERT_EQ(ExitCode(RunProgram(theRegister, &theOutput)), 0) << theOutput;
    const DWORD theSetting = 1;
    ASSERT_EQ(RegSetKeyValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test\\Deep\\Er", "LogErrors", REG_DWORD, &theSetting,
                             sizeof theSetting),
              ERROR_SUCCESS);
    ASSERT_EQ(ExitCode(RunProgram(thePrune, &theOutput)), 0) << theOutput;
    EXPECT_TRUE(std::ifstream(RegistryFile()).good()) << "a setting was lost";
    CLSID theClsid;
    EXPECT_EQ(CLSIDFromProgID(u"VxTest.Widget", &theClsid), CO_E_CLASSSTRING);

    ASSERT_EQ(RegDeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test"), ERROR_SUCCESS);
    ASSERT_EQ(ExitCode(RunProgram(theRegister, &theOutput)), 0) << theOutput;
    ASSERT_EQ(ExitCode(RunProgram(thePrune, &theOutput)), 0) << theOutput;
    for (const char* theSuffix : {"", "-wal", "-shm"})
        EXPECT_FALSE(std::ifstream(RegistryFile() + theSuffix).good()) << theSuffix;
}

TEST_F(RegsvrTest, ExitStatusTellsWhatWentWrong)
{
    const std::string theBlocker = Folder() + "/blocker";
    std::ofstream(theBlocker) << "a file where a folder would be";
    struct Case {
        const char* mName;
        std::vector<std::string> mArguments;
        std::string mRegistry;  // empty: the test's own
        int mExit;
        const char* mOutput;
    };
    const Case theCases[] = {
        {"no module", {VX_REGSVR_PATH}, "", 1, "usage"},
        {"unknown option", {VX_REGSVR_PATH, "-x", VX_TESTSERVER_PATH}, "", 1, "usage"},
        {"prune without -u", {VX_REGSVR_PATH, "--prune", VX_TESTSERVER_PATH}, "", 1, "usage"},
        {"missing module", {VX_REGSVR_PATH, Folder() + "/missing.so"}, "", 2, "missing.so"},
        {"module without entry point", {VX_REGSVR_PATH, VX_AUTOMATION_PATH}, "", 3, "DllRegisterServer"},
        {"registry can't be written",
         {VX_REGSVR_PATH, VX_TESTSERVER_PATH},
         theBlocker + "/registry.db",
         4,
         "0x80040201"},
    };
    for (const Case& theCase : theCases) {
        SCOPED_TRACE(theCase.mName);
        if (!theCase.mRegistry.empty())
            setenv("VX_REGISTRY", theCase.mRegistry.c_str(), 1);
        std::string theOutput;
        EXPECT_EQ(ExitCode(RunProgram(theCase.mArguments, &theOutput)), theCase.mExit) << theOutput;
        EXPECT_NE(theOutput.find(theCase.mOutput), std::string::npos) << theOutput;
        setenv("VX_REGISTRY", RegistryFile().c_str(), 1);
    }
}

}  // namespace

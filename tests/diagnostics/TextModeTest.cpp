// The report of diagnostics --text in the three situations an administrator meets: the
// server registered and working, not registered at all, and without its imaging platform.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include <automation/Activation.h>
#include <automation/Client.h>

#include "diagnostics/DiagnosticsSupport.h"
#include "vellumax/Vellumax.h"

using ::testing::HasSubstr;
using ::testing::StartsWith;
using namespace diagnostics_test;

namespace {

constexpr const char* kFinished = "*** Finished ***";

struct GestaltReading {
    std::string mVersion;
    std::vector<std::string> mExporters;
};

// What Gestalt itself tells a script, read late-bound and by index: the other road to the
// same facts the program reads through the interface's slots and the enumerator.
GestaltReading GestaltFacts(const std::string& inRegistry)
{
    setenv("VX_REGISTRY", inRegistry.c_str(), 1);
    GestaltReading theFacts;
    IDispatch* theObject = nullptr;
    const HRESULT theCode = CoCreateInstance(CLSID_Gestalt, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                             reinterpret_cast<void**>(&theObject));
    EXPECT_EQ(theCode, S_OK) << "Gestalt cannot be created in the test's own process";
    if (FAILED(theCode))
        return theFacts;
    vx::Client theGestalt(theObject);
    theObject->Release();
    theFacts.mVersion = theGestalt.Get("QuickTime").AsString();
    vx::Variant theList = theGestalt.Get("GraphicsExporters");
    vx::Client theExporters(theList.AsDispatch());
    const LONG theCount = theExporters.Get("Count").AsLong();
    for (LONG i = 1; i <= theCount; ++i)
        theFacts.mExporters.push_back(theExporters.Get("Item", static_cast<int>(i)).AsString());
    EXPECT_TRUE(theExporters.Ok()) << theExporters.LastError().mDescription;
    return theFacts;
}

// Every line break of the report is CR LF.
bool OnlyCrLf(const std::string& inText)
{
    for (std::size_t i = 0; i < inText.size(); ++i) {
        if (inText[i] == '\n' && (i == 0 || inText[i - 1] != '\r'))
            return false;
        if (inText[i] == '\r' && (i + 1 == inText.size() || inText[i + 1] != '\n'))
            return false;
    }
    return true;
}

TEST(DiagnosticsText, RegisteredServerListsVersionAndEveryExporter)
{
    const std::string theRegistry = RegistryWithServer();
    const GestaltReading theFacts = GestaltFacts(theRegistry);
    ASSERT_FALSE(theFacts.mExporters.empty());
    EXPECT_EQ(theFacts.mExporters.back(), "GIF");
    EXPECT_GE(theFacts.mExporters.size(), 4u);
    EXPECT_THAT(theFacts.mVersion, ::testing::MatchesRegex("4\\.[0-9]+\\.[0-9]+"));

    std::string theExpected = "QuickTime Version is " + theFacts.mVersion + "\r\n\r\nGraphics Exporters:\r\n";
    for (const std::string& theName : theFacts.mExporters)
        theExpected += theName + "\r\n";
    theExpected += std::string("\r\n") + kFinished + "\r\n";

    const ProgramRun theRun = RunDiagnostics({"--text"}, {{"VX_REGISTRY", theRegistry}});
    EXPECT_EQ(theRun.mOutput, theExpected);
    EXPECT_EQ(theRun.mStatus, 0);
}

TEST(DiagnosticsText, UnregisteredServerGivesTheCreationError)
{
    const std::string theEmptyRegistry = ScratchFolder() + "/registry.db";
    const ProgramRun theRun = RunDiagnostics({"--text"}, {{"VX_REGISTRY", theEmptyRegistry}});
    EXPECT_EQ(theRun.mOutput,
              std::string("Error: ActiveX Component not installed\r\n\r\nClass not registered\r\n\r\n") + kFinished +
                  "\r\n");
    EXPECT_EQ(theRun.mStatus, 1);
}

TEST(DiagnosticsText, MissingImagingPlatformSkipsFailedStatements)
{
    const std::string theRegistry = RegistryWithServer();
    const ProgramRun theRun = RunDiagnostics(
        {"--text"}, {{"VX_REGISTRY", theRegistry}, {"VX_IMAGING", ScratchFolder() + "/missing/libvx-imaging.so"}});
    // The version read fails, so the version error follows the label on its line; the
    // exporter read fails, so its error is written and the loop writes one empty item.
    const std::string theHead =
        "QuickTime Version is Error: version must be 4.0 or higher\r\n"
        "\r\n"
        "Graphics Exporters:\r\n"
        "Error: too few graphics exporters - check that the authoring option was used when installing "
        "QuickTime\r\n"
        "\r\n"
        "\r\n";
    ASSERT_THAT(theRun.mOutput, StartsWith(theHead));
    // Then the last error's description, once, and the marker.
    const std::string theTail = theRun.mOutput.substr(theHead.size());
    EXPECT_THAT(theTail, StartsWith("Unable to access QuickTime 4\r\n"));
    EXPECT_TRUE(theTail.ends_with(std::string("\r\n\r\n") + kFinished + "\r\n")) << theTail;
    EXPECT_EQ(theTail.find("Unable to access"), theTail.rfind("Unable to access"));
    EXPECT_TRUE(OnlyCrLf(theRun.mOutput));
    EXPECT_EQ(theRun.mStatus, 1);
}

TEST(DiagnosticsText, CommandLine)
{
    const ProgramRun theHelp = RunDiagnostics({"--help"}, {});
    EXPECT_EQ(theHelp.mStatus, 0);
    EXPECT_THAT(theHelp.mOutput, HasSubstr("--text"));
    EXPECT_THAT(theHelp.mOutput, HasSubstr("exit status is 0 when the report holds no error"));
    struct Row {
        std::vector<std::string> mArguments;
        Environment mEnvironment;
    };
    const Environment kOffscreen = {{"QT_QPA_PLATFORM", "offscreen"}};
    const Environment kNoDisplay = {{"QT_QPA_PLATFORM", ""}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};
    const Row kWrong[] = {{{"--text", "--help"}, kOffscreen},
                          {{"--help", "x"}, kOffscreen},
                          {{"--texts"}, kOffscreen},
                          {{"report.txt"}, kOffscreen},
                          {{}, kNoDisplay}};
    for (const Row& theRow : kWrong) {
        const ProgramRun theRun = RunDiagnostics(theRow.mArguments, theRow.mEnvironment);
        EXPECT_EQ(theRun.mStatus, 2) << theRow.mArguments.size();
        EXPECT_EQ(theRun.mOutput, "") << theRow.mArguments.size();
    }
}

}  // namespace

// diagnostics [--text | --help | --version]: tells whether the Vellumax server and the imaging platform
// beneath it are usable, in a window or, for a headless server, on standard output.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QApplication>

#include <automation/Activation.h>
#include <vellumax/Version.h>

#include "Check.h"
#include "MainForm.h"

namespace {

constexpr int kExitClean = 0;
constexpr int kExitErrors = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage = "usage: diagnostics [--text | --help | --version]\n";
constexpr const char* kHelp =
    "usage: diagnostics [--text | --help | --version]\n"
    "\n"
    "Checks that the Vellumax server and the imaging platform beneath it are usable: creates the\n"
    "server's Gestalt object and reports the imaging platform's version and its graphics\n"
    "exporters, with an error line for each problem found.\n"
    "\n"
    "  (no option)  opens the Diagnostics window with the report; it needs a display\n"
    "  --text       prints the report to standard output, lines ending in CR LF, for servers\n"
    "               without a display; the exit status is 0 when the report holds no error,\n"
    "               1 when it does (for monitoring), 2 for a wrong command line\n"
    "  --help       prints this text\n"
    "  --version    prints the version of Vellumax this program belongs to\n"
    "\n"
    "The server is found through the registry named by VX_REGISTRY (default\n"
    "~/.local/share/vellumax/registry.db), where regsvr registers it.\n";

class TextReport : public ReportTarget {
public:
    std::string Text() const override { return mText; }
    void SetText(const std::string& inText) override { mText = inText; }

private:
    std::string mText;
};

int RunText()
{
    TextReport theReport;
    const Check::Outcome theOutcome = Check(theReport).Run();
    // NOTE: unloads servers no object holds any more; it releases nothing of ours.
    CoFreeUnusedLibraries();
    const std::string theOutput = theReport.Text() + "\r\n";
    std::fwrite(theOutput.data(), 1, theOutput.size(), stdout);
    std::fflush(stdout);
    return theOutcome == Check::Outcome::Clean ? kExitClean : kExitErrors;
}

bool Named(const char* inVariable)
{
    const char* const theValue = std::getenv(inVariable);
    return theValue != nullptr && *theValue != '\0';
}

// Without any display the toolkit would abort the program; say what to do instead.
bool HasDisplay(int inArgc, char** inArgv)
{
    for (int i = 1; i < inArgc; ++i) {
        if (std::strcmp(inArgv[i], "-platform") == 0)
            return true;
    }
    return Named("DISPLAY") || Named("WAYLAND_DISPLAY") || Named("QT_QPA_PLATFORM");
}

int RunWindow(int inArgc, char** inArgv)
{
    if (!HasDisplay(inArgc, inArgv)) {
        std::fputs("diagnostics: no display to open the window on; diagnostics --text prints the report\n", stderr);
        return kExitUsage;
    }
    QApplication theApplication(inArgc, inArgv);
    // Qt takes its own options (-platform, ...); anything left is not ours either.
    if (QApplication::arguments().size() > 1) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    int theResult = kExitClean;
    {
        MainForm theForm;
        theForm.Load();
        theForm.show();
        theResult = QApplication::exec();
    }
    // NOTE: as in RunText, once every object of the window is gone.
    CoFreeUnusedLibraries();
    return theResult;
}

}  // namespace

int main(int inArgc, char** inArgv)
{
    CoInitialize(nullptr);
    int theResult = kExitUsage;
    if (inArgc == 2 && std::strcmp(inArgv[1], "--help") == 0) {
        std::fputs(kHelp, stdout);
        theResult = kExitClean;
    } else if (inArgc == 2 && std::strcmp(inArgv[1], "--version") == 0) {
        std::fputs("diagnostics (Vellumax) " VELLUMAX_VERSION "\n", stdout);
        theResult = kExitClean;
    } else if (inArgc == 2 && std::strcmp(inArgv[1], "--text") == 0) {
        theResult = RunText();
    } else if (inArgc >= 2 && (std::strcmp(inArgv[1], "--text") == 0 || std::strcmp(inArgv[1], "--help") == 0 ||
                               std::strcmp(inArgv[1], "--version") == 0)) {
        std::fputs(kUsage, stderr);
    } else {
        theResult = RunWindow(inArgc, inArgv);
    }
    CoUninitialize();
    return theResult;
}

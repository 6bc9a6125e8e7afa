#include "diagnostics/WindowApplication.h"

#include <stdlib.h>

#include <QApplication>

#include "diagnostics/DiagnosticsSupport.h"

namespace diagnostics_test {

namespace {

std::string NewSettingsFolder()
{
    std::string theFolder = ScratchFolder();
    setenv("XDG_CONFIG_HOME", theFolder.c_str(), 1);
    return theFolder;
}

}  // namespace

const std::string& SettingsFolder()
{
    static const std::string theFolder = NewSettingsFolder();
    return theFolder;
}

QApplication& WindowApplication()
{
    static int theArgc = 1;
    static char theName[] = "diagnostics";
    static char* theArgv[] = {theName, nullptr};
    SettingsFolder();
    static QApplication theApplication(theArgc, theArgv);
    return theApplication;
}

}  // namespace diagnostics_test

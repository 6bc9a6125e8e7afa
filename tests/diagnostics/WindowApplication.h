// The one QApplication of a test process, made on first use. Its settings folder is new
// for the process, so that runs in parallel never share a settings file.
#pragma once

#include <string>

class QApplication;

namespace diagnostics_test {

QApplication& WindowApplication();
// Where QSettings keeps the user's settings in this process; set before any QSettings is made.
const std::string& SettingsFolder();

}  // namespace diagnostics_test

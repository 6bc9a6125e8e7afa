// One real window: an X server of its own (Xvfb), the window mapped on it, the File menu
// opened and Exit chosen with the mouse, which ends the program's event loop.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include <QApplication>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include "MainForm.h"
#include "ReportBox.h"
#include "diagnostics/DiagnosticsSupport.h"
#include "diagnostics/WindowApplication.h"

using namespace diagnostics_test;

namespace {

constexpr const char* kScreenshot = VX_BUILD_DIR "/diagnostics-xvfb.png";
constexpr int kPatienceMs = 20000;

// An Xvfb server on a free display, which it picks and reports itself; stopped with the test.
class VirtualDisplay {
public:
    VirtualDisplay()
    {
        int thePipe[2];
        if (pipe(thePipe) != 0)
            return;
        mServer = fork();
        if (mServer == 0) {
            close(thePipe[0]);
            const std::string theFd = std::to_string(thePipe[1]);
            execl(VX_XVFB_PATH, "Xvfb", "-displayfd", theFd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(thePipe[1]);
        // The display number and a line break arrive once the server accepts connections.
        FILE* theNumber = fdopen(thePipe[0], "r");
        int theDisplay = -1;
        if (theNumber != nullptr && std::fscanf(theNumber, "%d", &theDisplay) == 1)
            mDisplay = ":" + std::to_string(theDisplay);
        if (theNumber != nullptr)
            std::fclose(theNumber);
        else
            close(thePipe[0]);
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    ~VirtualDisplay()
    {
        if (mServer > 0) {
            kill(mServer, SIGTERM);
            waitpid(mServer, nullptr, 0);
        }
    }

    const std::string& Name() const { return mDisplay; }

private:
    pid_t mServer = -1;
    std::string mDisplay;
};

TEST(DiagnosticsOnX, RealWindowClosesThroughTheMenu)
{
    VirtualDisplay theDisplay;
    ASSERT_FALSE(theDisplay.Name().empty()) << "Xvfb did not start";
    setenv("DISPLAY", theDisplay.Name().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    const std::string theRegistry = RegistryWithServer();
    setenv("VX_REGISTRY", theRegistry.c_str(), 1);
    SettingsFolder();
    {
        // Gone before the X server is: the application's connection closes with it.
        int theArgc = 1;
        char theName[] = "diagnostics";
        char* theArgv[] = {theName, nullptr};
        QApplication theApplication(theArgc, theArgv);
        ASSERT_EQ(QGuiApplication::platformName(), "xcb");
        MainForm theForm;
        theForm.Load();
        theForm.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&theForm, kPatienceMs));
        EXPECT_NE(theForm.Info().Text().find("*** Finished ***"), std::string::npos);
        EXPECT_TRUE(QGuiApplication::primaryScreen()->grabWindow(0).save(kScreenshot));

        QMenu* theFile = theForm.findChild<QMenu*>("mnuFile");
        QAction* theExit = theForm.findChild<QAction*>("mnuFileExit");
        ASSERT_NE(theFile, nullptr);
        ASSERT_NE(theExit, nullptr);
        bool theMenuOpened = false;
        bool theTimedOut = false;
        // The clicks are made from inside the program's own event loop, which Exit must end.
        QTimer::singleShot(0, &theForm, [&] {
            QMenuBar* theBar = theForm.menuBar();
            QTest::mouseClick(theBar, Qt::LeftButton, {}, theBar->actionGeometry(theFile->menuAction()).center());
            theMenuOpened = QTest::qWaitForWindowExposed(theFile, kPatienceMs);
            if (theMenuOpened)
                QTest::mouseClick(theFile, Qt::LeftButton, {}, theFile->actionGeometry(theExit).center());
        });
        QTimer theDeadline;
        theDeadline.setSingleShot(true);
        QObject::connect(&theDeadline, &QTimer::timeout, &theApplication, [&] {
            theTimedOut = true;
            QApplication::quit();
        });
        theDeadline.start(kPatienceMs);
        QApplication::exec();
        EXPECT_TRUE(theMenuOpened);
        EXPECT_FALSE(theTimedOut) << "Exit did not end the program";
        EXPECT_FALSE(theForm.isVisible());
    }
    // Closing through the menu is an ordinary unload: the position was stored.
    QSettings theSettings("Vellumax", "Diagnostics");
    EXPECT_EQ(theSettings.value("Settings/MainLeft").toString(), "1000");
}

}  // namespace

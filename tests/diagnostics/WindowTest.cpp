// The window, drawn by the offscreen platform: its report is the text mode's, and its
// position is kept in twips between runs.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <QApplication>
#include <QImage>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QTest>

#include "MainForm.h"
#include "ReportBox.h"
#include "diagnostics/DiagnosticsSupport.h"
#include "diagnostics/WindowApplication.h"

using namespace diagnostics_test;

namespace {

constexpr const char* kScreenshot = VX_BUILD_DIR "/diagnostics-window.png";

class DiagnosticsWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        WindowApplication();
        QSettings("Vellumax", "Diagnostics").clear();
        mRegistry = RegistryWithServer();
        setenv("VX_REGISTRY", mRegistry.c_str(), 1);
    }

    static double TwipsPerPixel() { return 1440.0 / QGuiApplication::primaryScreen()->logicalDotsPerInchX(); }
    static QString Stored(const char* inKey)
    {
        QSettings theSettings("Vellumax", "Diagnostics");
        return theSettings.value(QString("Settings/") + inKey).toString();
    }
    static void Preset(const char* inLeft, const char* inTop)
    {
        QSettings theSettings("Vellumax", "Diagnostics");
        theSettings.setValue("Settings/MainLeft", inLeft);
        theSettings.setValue("Settings/MainTop", inTop);
    }

    std::string mRegistry;
};

// The share of pixels in the image that are dark: text drawn on the light box.
double DarkShare(const QImage& inImage)
{
    long theDark = 0;
    for (int y = 0; y < inImage.height(); ++y)
        for (int x = 0; x < inImage.width(); ++x)
            theDark += qGray(inImage.pixel(x, y)) < 96 ? 1 : 0;
    return static_cast<double>(theDark) / (static_cast<double>(inImage.width()) * inImage.height());
}

TEST_F(DiagnosticsWindow, HoldsTheTextModeReport)
{
    MainForm theForm;
    theForm.Load();
    theForm.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&theForm));

    EXPECT_EQ(theForm.windowTitle(), "Diagnostics");
    QMenu* theFile = theForm.findChild<QMenu*>("mnuFile");
    ASSERT_NE(theFile, nullptr);
    EXPECT_EQ(theFile->title(), "&File");
    ASSERT_EQ(theFile->actions().size(), 1);
    EXPECT_EQ(theFile->actions().front()->text(), "E&xit");
    EXPECT_TRUE(theForm.Info().isReadOnly());

    const ProgramRun theText = RunDiagnostics({"--text"}, {{"VX_REGISTRY", mRegistry}});
    ASSERT_EQ(theText.mStatus, 0) << theText.mOutput;
    EXPECT_EQ(theForm.Info().Text() + "\r\n", theText.mOutput);

    const QImage theShot = theForm.grab().toImage();
    ASSERT_TRUE(theShot.save(kScreenshot));
    // The box shows the report: some text, on a mostly light window.
    const QImage theBox = theForm.Info().viewport()->grab().toImage();
    EXPECT_GT(DarkShare(theBox), 0.005);
    EXPECT_LT(DarkShare(theBox), 0.3);
}

TEST_F(DiagnosticsWindow, FirstStartOpensAt1000TwipsAndOddTextCountsAsDefault)
{
    const double theScale = TwipsPerPixel();
    {
        MainForm theForm;
        theForm.Load();
        EXPECT_EQ(theForm.pos(), QPoint(qRound(1000 / theScale), qRound(1000 / theScale)));
        theForm.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&theForm));
        theForm.close();
        // Rounding to pixels does not move a window that stayed put.
        EXPECT_EQ(Stored("MainLeft"), "1000");
        EXPECT_EQ(Stored("MainTop"), "1000");
    }
    Preset(" 2250.5", "abc");
    MainForm theForm;
    theForm.Load();
    EXPECT_EQ(theForm.pos(), QPoint(qRound(2250.5 / theScale), qRound(1000 / theScale)));
}

TEST_F(DiagnosticsWindow, MovedWindowIsStoredAndReopensThere)
{
    {
        MainForm theForm;
        theForm.Load();
        theForm.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&theForm));
        theForm.move(300, 200);
        theForm.close();
    }
    EXPECT_FLOAT_EQ(Stored("MainLeft").toFloat(), static_cast<float>(300 * TwipsPerPixel()));
    EXPECT_FLOAT_EQ(Stored("MainTop").toFloat(), static_cast<float>(200 * TwipsPerPixel()));
    MainForm theAgain;
    theAgain.Load();
    EXPECT_EQ(theAgain.pos(), QPoint(300, 200));
}

TEST_F(DiagnosticsWindow, ClosedWhileMinimisedKeepsTheStoredPosition)
{
    Preset("4500", "3000");
    MainForm theForm;
    theForm.Load();
    theForm.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&theForm));
    theForm.move(10, 20);
    theForm.showMinimized();
    ASSERT_TRUE(theForm.isMinimized());
    theForm.close();
    EXPECT_EQ(Stored("MainLeft"), "4500");
    EXPECT_EQ(Stored("MainTop"), "3000");
}

}  // namespace

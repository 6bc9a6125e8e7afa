#include "WindowPosition.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

namespace {

constexpr const char* kOrganisation = "Vellumax";
constexpr const char* kApplication = "Diagnostics";
constexpr const char* kSection = "Settings";
constexpr const char* kLeftKey = "MainLeft";
constexpr const char* kTopKey = "MainTop";
constexpr float kDefaultTwips = 1000;
constexpr double kTwipsPerInch = 1440;
constexpr double kFallbackDotsPerInch = 96;

struct TwipsPerPixel {
    double mX;
    double mY;
};

TwipsPerPixel TwipsPerPixelOf(const QWidget& inWindow)
{
    const QScreen* theScreen = inWindow.screen();
    if (theScreen == nullptr)
        theScreen = QGuiApplication::primaryScreen();
    double theX = theScreen != nullptr ? theScreen->logicalDotsPerInchX() : 0;
    double theY = theScreen != nullptr ? theScreen->logicalDotsPerInchY() : 0;
    if (!(theX > 0))
        theX = kFallbackDotsPerInch;
    if (!(theY > 0))
        theY = kFallbackDotsPerInch;
    return {kTwipsPerInch / theX, kTwipsPerInch / theY};
}

// The settings are text; they are read back as single-precision numbers.
float ReadTwips(const QSettings& inSettings, const char* inKey)
{
    bool isNumber = false;
    const float theValue = inSettings.value(inKey).toString().trimmed().toFloat(&isNumber);
    return isNumber ? theValue : kDefaultTwips;
}

QString TwipsText(double inTwips)
{
    return QString::number(static_cast<float>(inTwips));
}

}  // namespace

void WindowPosition::Restore(QWidget& ioWindow)
{
    QSettings theSettings(kOrganisation, kApplication);
    theSettings.beginGroup(kSection);
    const TwipsPerPixel theScale = TwipsPerPixelOf(ioWindow);
    mRestoredLeft = ReadTwips(theSettings, kLeftKey);
    mRestoredTop = ReadTwips(theSettings, kTopKey);
    ioWindow.move(qRound(mRestoredLeft / theScale.mX), qRound(mRestoredTop / theScale.mY));
    mRestoredPixels = ioWindow.pos();
    mRestored = true;
}

void WindowPosition::Store(const QWidget& inWindow) const
{
    QSettings theSettings(kOrganisation, kApplication);
    theSettings.beginGroup(kSection);
    const QPoint thePosition = inWindow.pos();
    if (mRestored && thePosition == mRestoredPixels) {
        theSettings.setValue(kLeftKey, TwipsText(mRestoredLeft));
        theSettings.setValue(kTopKey, TwipsText(mRestoredTop));
        return;
    }
    const TwipsPerPixel theScale = TwipsPerPixelOf(inWindow);
    theSettings.setValue(kLeftKey, TwipsText(thePosition.x() * theScale.mX));
    theSettings.setValue(kTopKey, TwipsText(thePosition.y() * theScale.mY));
}

// The window's position in the per-user settings: organisation "Vellumax", application
// "Diagnostics", section "Settings", keys "MainLeft" and "MainTop", in twips (1/1440 inch),
// stored as text. A missing or unreadable value counts as 1000.
#pragma once

#include <QPoint>

class QWidget;

class WindowPosition {
public:
    // Moves the window's frame to the stored position.
    void Restore(QWidget& ioWindow);
    // A window still where it was restored keeps the stored twips exactly, so that
    // rounding to pixels does not creep the position from one start to the next.
    void Store(const QWidget& inWindow) const;

private:
    QPoint mRestoredPixels{-1, -1};
    float mRestoredLeft = 0;
    float mRestoredTop = 0;
    bool mRestored = false;
};

// One object's start of the imaging platform, stopped again when the object dies.
#pragma once

#include "imaging/MacTypes.h"
#include "vellumax/formats/QTUtils.h"

class QuickTimeSession {
public:
    QuickTimeSession() { InitQuickTime(mStartError, mAvailable); }
    ~QuickTimeSession() { ExitQuickTime(mStartError); }
    QuickTimeSession(const QuickTimeSession&) = delete;
    QuickTimeSession& operator=(const QuickTimeSession&) = delete;

    bool Available() const { return mAvailable; }
    OSErr StartError() const { return mStartError; }

private:
    OSErr mStartError = 0;
    bool mAvailable = false;
};

// The bridge to the imaging platform: starting and stopping it for one object.
#pragma once

#include "imaging/MacTypes.h"

// Starts the platform for one object (the starts are counted, so every object
// that succeeds must stop it again). outCode is the start's result; outAvailable
// is set when the start succeeded and the platform's major version is 4 or more.
void InitQuickTime(OSErr& outCode, bool& outAvailable);
// Balances InitQuickTime; does nothing when inCode, the code it gave, is not 0.
void ExitQuickTime(OSErr inCode);

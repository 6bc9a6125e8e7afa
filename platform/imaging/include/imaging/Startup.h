// Starting and stopping the imaging platform, and its version.
//
// The platform lives in libvx-imaging.so, loaded by the first successful InitializeQTML of the
// process and unloaded by the TerminateQTML that balances the last one. The library is taken from
// the path in the environment variable VX_IMAGING, else from libvx-imaging.so beside the module
// that contains these calls, else from ../lib/libvx-imaging.so beside it. Until a start succeeds
// (and after the last stop) every other call fails cleanly: codes are qtmlUninitialized (-2093),
// pointers are null, Booleans false, and calls without a result do nothing.
#pragma once

#include "imaging/MacTypes.h"

// Counted start. Fails when the library cannot be loaded (-193), has no entry point (-192), or
// offers another interface level than 4 (-2004).
OSErr InitializeQTML(long inFlags);
void TerminateQTML();
OSErr EnterMovies();
void ExitMovies();

constexpr OSType gestaltQuickTime = FourCharCode("qtim");
// 'qtim': the version, major in the highest byte (4), minor and fix as the two nibbles of the
// next byte. Other selectors: -5551.
OSErr Gestalt(OSType inSelector, long* outResponse);

// The interface level this header describes; the library must offer exactly it.
constexpr long kImagingInterfaceLevel = 4;

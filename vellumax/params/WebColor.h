// Web colours: "#rgb", "#rrggbb" and "#rrggbbaa" in hexadecimal digits of either case, read
// into the 16-bit components of a ColorValue (ff becomes 0xFFFF, f of the short form 0xFFFF).
#pragma once

#include "vellumax/params/Utilities.h"

// True and the colour set (pattern flag cleared) when inText is exactly one of the three forms;
// false and the colour unchanged otherwise.
bool ReadWebColor(const char* inText, ColorValue* ioColor);

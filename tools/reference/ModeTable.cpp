// The reference's table of what each transfer mode does, with one worked example per mode. The
// node test modes.test.js draws the example and compares it with this table.
#include <sstream>

#include "ReferenceModel.h"

namespace {

struct ModeRow {
    const char* mWord;
    const char* mColour;  // what each colour channel becomes
    const char* mAlpha;   // what the canvas's alpha becomes
    const char* mExample;
};

// s, d: the picture's and the canvas's channel; a, A: the picture's and the canvas's alpha; c: the
// modecolor channel (all from 0 to 1).
constexpr ModeRow kModes[] = {
    {"copy", "s", "the picture's", "79.7,39.8,19.9,49.6"},
    {"addpin", "min(s + d, c)", "kept", "49.6,49.6,49.6,99.6"},
    {"addover", "s + d, wrapping round past 1", "kept", "9.4,99.6,9.8,99.6"},
    {"subpin", "max(d − s, c)", "kept", "49.6,49.6,69.9,99.6"},
    {"addmax", "max(s, d)", "kept", "79.7,59.8,89.8,99.6"},
    {"subover", "d − s, wrapping round below 0", "kept", "50.0,19.9,69.9,99.6"},
    {"addmin", "min(s, d)", "kept", "29.7,39.8,19.9,99.6"},
    {"transparent", "s·a + d·(1 − a): the picture over the canvas by its alpha", "a + A·(1 − a)",
     "54.7,50.0,55.1,99.6"},
    {"prewhitealpha", "s + (d − 1)·(1 − a), for pictures premultiplied with white", "a + A·(1 − a)",
     "44.5,19.9,14.8,99.6"},
    {"preblackalpha", "s + d·(1 − a), for pictures premultiplied with black", "a + A·(1 − a)", "94.5,69.9,64.8,99.6"},
    {"blend", "with w = a·c: s·w + d·(1 − w); the alpha weighted by modecolor", "w + A·(1 − w), with the largest w",
     "42.2,54.7,72.7,99.6"},
};

}  // namespace

void WriteModeTable(std::ostringstream& ioOut)
{
    ioOut << "### What the transfer modes do\n\n"
          << "`mode` says how `DrawFile`, `DrawData` and `DrawCanvas` combine the picture's pixels with the "
             "canvas's. In the formulas s and d are a channel of the picture and of the canvas, a and A their "
             "alphas and c the channel of `modecolor`, each from 0 to 1; results are clamped to 0 to 1 unless they "
             "wrap. Only the last four modes look at the picture's alpha: with the others a translucent picture "
             "draws as if it were opaque (copy even copies its alpha into the canvas). The example draws a picture "
             "of colour `80,40,20,50` (50 % alpha) onto an opaque canvas of colour `30,60,90` with "
             "`modecolor=50,50,50`, and gives the pixel as `GetColor` reads it (an opaque pixel reads alpha 99.6). "
             "A translucent watermark over a photo is a canvas of translucent pixels drawn with "
             "`mode=transparent`.\n\n"
          << "| Word | Each colour channel becomes | Alpha | Example result |\n|---|---|---|---|\n";
    for (const ModeRow& theRow : kModes)
        ioOut << "| `" << theRow.mWord << "` | " << theRow.mColour << " | " << theRow.mAlpha << " | `"
              << theRow.mExample << "` |\n";
    ioOut << "\n";
}

// Pictures written by the format libraries themselves, canvases made through
// the class factory, and the pixels a canvas holds read straight from its bitmap.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <automation/Client.h>

#include "codecs/CodecTestSupport.h"

namespace pictures {

using vx::codecs::test::ByteVector;
using vx::codecs::test::Pixels;

enum class Format { kPng, kJpeg, kGif, kBmp, kTiff, kWebp };

struct FormatCase {
    Format mFormat;
    const char* mName;  // as a type text, which also names the extension
    int mTolerance;     // largest channel difference the format's coding may leave
};
extern const FormatCase kFormats[6];

// A picture with every pixel set from inColor (B, G, R, A bytes per pixel index).
Pixels MakePixels(std::uint32_t inWidth, std::uint32_t inHeight, std::vector<std::uint32_t> inArgb);
// The file's bytes. GIF keeps the picture's (at most 256) colours exactly; JPEG
// ignores alpha.
ByteVector Encode(Format inFormat, const Pixels& inPixels);
// A GIF of several frames, or a TIFF of several directories, one picture each.
ByteVector EncodeImages(Format inFormat, const std::vector<Pixels>& inImages);

// A canvas of the size, every pixel the colour word or percentages given.
vx::Client FilledCanvas(int inWidth, int inHeight, const char* inColor);
// What the canvas holds, in B, G, R, A bytes (empty without pixels).
Pixels CanvasPixels(const vx::Client& inCanvas);
// 0xAARRGGBB of one pixel.
std::uint32_t Argb(const Pixels& inPixels, std::uint32_t inX, std::uint32_t inY);
// Percentages of the bytes, as a colour's text takes them.
std::string PercentColor(int inRed, int inGreen, int inBlue);

// A file that is removed again when the holder dies.
class TempFile {
public:
    TempFile(const std::string& inExtension, const ByteVector& inBytes);
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();
    const std::string& Path() const { return mPath; }

private:
    std::string mPath;
};

}  // namespace pictures

// Text blocks as the engine lays them out (measure down to the bottom, one
// line's height, draw): at one pixel, where a line holds hundreds of runs of
// two scripts, over 16 KB to 1 MB, and 1 MB of Latin in a rectangle 65534
// pixels high, bound by 250 ms of processor time a block; and the ordinary
// 120-word paragraph centred in 300 x 250. Each reports the bytes it had
// shaped per block beside those it drew.
#include "drawing/Gdi.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr UINT kEngineFlags = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;

std::string Repeated(const std::string& inPiece, std::size_t inBytes)
{
    std::string theText;
    while (theText.size() + inPiece.size() <= inBytes)
        theText += inPiece;
    return theText;
}

void TextBlock(benchmark::State& ioState, const std::string& inText, int inPixels, const RECT& inRect, UINT inAlign)
{
    std::vector<std::uint8_t> thePixels(400 * 300 * 4, 0xFF);
    HBITMAP theBitmap = CreateDIBSectionOnPixels(400, 300, 32, 400 * 4, thePixels.data(), nullptr, 0);
    HDC theDC = CreateDCOnBitmap(theBitmap);
    HFONT theFont = CreateFontA(-inPixels, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 4, 0, "DejaVu Sans");
    HGDIOBJ theOld = SelectObject(theDC, theFont);
    SetBkMode(theDC, TRANSPARENT);
    const unsigned long long theBefore = GdiTextBytesShaped();
    unsigned theDrawn = 0;
    for (auto _ : ioState) {
        // Two other texts, so that each block measures its text afresh, as a first call does.
        for (const char* theOther : {"x", "y"}) {
            RECT theRect{0, 0, 10, 0};
            DrawTextA(theDC, theOther, 1, &theRect, DT_CALCRECT);
        }
        const UINT theFlags = kEngineFlags | inAlign | DT_STOPATBOTTOM;
        RECT theMeasure = inRect;
        DrawTextA(theDC, inText.c_str(), -1, &theMeasure, theFlags | DT_CALCRECT);
        RECT theLine{inRect.left, inRect.top, inRect.right, inRect.top};
        DrawTextA(theDC, inText.c_str(), 1, &theLine, kEngineFlags | DT_CALCRECT | DT_SINGLELINE);
        RECT theRect = inRect;
        DRAWTEXTPARAMS theParams{sizeof(DRAWTEXTPARAMS), 4, 0, 0, 0};
        DrawTextExA(theDC, const_cast<char*>(inText.c_str()), -1, &theRect, theFlags, &theParams);
        theDrawn = theParams.uiLengthDrawn;
    }
    const double theBlocks = static_cast<double>(ioState.iterations());
    ioState.counters["shaped_bytes"] = static_cast<double>(GdiTextBytesShaped() - theBefore) / theBlocks;
    ioState.counters["drawn_bytes"] = theDrawn;
    SelectObject(theDC, theOld);
    DeleteObject(theFont);
    DeleteDC(theDC);
    DeleteObject(theBitmap);
}

const RECT kBox{0, 0, 400, 300};
const std::string kMixed = "a\xD8\xA8 ";
const std::string kScripts =
    "vellum \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7 \xE4\xB8\xAD\xE6\x96\x87 "
    "\xCE\xB1\xCE\xB2\xCE\xB3 ink ";

void BM_OnePixelTwoScripts(benchmark::State& ioState)
{
    TextBlock(ioState, Repeated(kMixed, static_cast<std::size_t>(ioState.range(0)) * 1024), 1, kBox, DT_LEFT);
}
BENCHMARK(BM_OnePixelTwoScripts)->Arg(16)->Arg(64)->Arg(1024)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OnePixelSixScripts208K(benchmark::State& ioState)
{
    TextBlock(ioState, Repeated(kScripts, 208 * 1024), 1, kBox, DT_LEFT);
}
BENCHMARK(BM_OnePixelSixScripts208K)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OnePixelLatinMegabyteTallRect(benchmark::State& ioState)
{
    TextBlock(ioState, Repeated("quill ink ", 1024 * 1024), 1, RECT{0, 0, 400, 65534}, DT_LEFT);
}
BENCHMARK(BM_OnePixelLatinMegabyteTallRect)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ParagraphCentredInBox(benchmark::State& ioState)
{
    static const char* const kWords[] = {"vellum", "ink",    "margin", "quill",  "page",      "letter",
                                         "serif",  "column", "gutter", "folio",  "rubric",    "scribe",
                                         "line",   "word",   "glyph",  "stroke", "parchment", "leaf"};
    std::string theText;
    for (int theIndex = 0; theIndex < 120; ++theIndex)
        theText += std::string(theIndex > 0 ? " " : "") + kWords[(theIndex * 7) % 18];
    TextBlock(ioState, theText, 13, RECT{50, 25, 350, 275}, DT_CENTER);
}
BENCHMARK(BM_ParagraphCentredInBox)->Unit(benchmark::kMicrosecond);

}  // namespace

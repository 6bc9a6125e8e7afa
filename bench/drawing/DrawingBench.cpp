// Drawing layer figures: a canvas of shapes, a wrapped paragraph, the font
// catalogue, and the font a text call makes.
#include "drawing/Gdi.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <string>
#include <vector>

namespace {

class Canvas {
public:
    Canvas(int inWidth, int inHeight) : mPixels(static_cast<std::size_t>(inWidth) * inHeight * 4, 0xFF)
    {
        mBitmap = CreateDIBSectionOnPixels(inWidth, inHeight, 32, inWidth * 4, mPixels.data(), nullptr, 0);
        mDC = CreateDCOnBitmap(mBitmap);
    }
    ~Canvas()
    {
        DeleteDC(mDC);
        DeleteObject(mBitmap);
    }
    HDC DC() const { return mDC; }

private:
    std::vector<std::uint8_t> mPixels;
    HBITMAP mBitmap = 0;
    HDC mDC = 0;
};

struct Box {
    int mLeft, mTop, mRight, mBottom;
};

// Fixed, spread-out boxes from a small linear congruential sequence.
std::vector<Box> Boxes(int inCount)
{
    std::vector<Box> theBoxes;
    std::uint32_t theSeed = 12345;
    const auto theNext = [&theSeed](int inRange) {
        theSeed = theSeed * 1103515245u + 12345u;
        return static_cast<int>((theSeed >> 8) % static_cast<std::uint32_t>(inRange));
    };
    for (int theIndex = 0; theIndex < inCount; ++theIndex) {
        const int theLeft = theNext(760);
        const int theTop = theNext(560);
        theBoxes.push_back({theLeft, theTop, theLeft + 10 + theNext(120), theTop + 10 + theNext(90)});
    }
    return theBoxes;
}

// As the engine draws a shape: inset for the pen, record a path, stroke and fill it.
void BM_ShapesOnCanvas(benchmark::State& ioState)
{
    Canvas theCanvas(800, 600);
    HDC theDC = theCanvas.DC();
    SetGraphicsMode(theDC, GM_ADVANCED);
    HPEN thePen = CreatePen(PS_SOLID, 3, RGB(20, 40, 160));
    HBRUSH theBrush = CreateSolidBrush(RGB(250, 200, 30));
    HGDIOBJ theOldPen = SelectObject(theDC, thePen);
    HGDIOBJ theOldBrush = SelectObject(theDC, theBrush);
    const std::vector<Box> theBoxes = Boxes(400);
    constexpr int kPen = 3;
    for (auto _ : ioState) {
        for (std::size_t theIndex = 0; theIndex < theBoxes.size(); ++theIndex) {
            const Box& theBox = theBoxes[theIndex];
            BeginPath(theDC);
            if (theIndex % 2 == 0) {
                Rectangle(theDC, theBox.mLeft + kPen / 2, theBox.mTop + kPen / 2, theBox.mRight - (kPen + 1) / 2,
                          theBox.mBottom - (kPen + 1) / 2);
            } else {
                Ellipse(theDC, theBox.mLeft + (kPen - 1) / 2, theBox.mTop + (kPen - 1) / 2,
                        theBox.mRight - (kPen + 1) / 2, theBox.mBottom - (kPen + 1) / 2);
            }
            EndPath(theDC);
            StrokeAndFillPath(theDC);
        }
    }
    ioState.SetItemsProcessed(ioState.iterations() * static_cast<std::int64_t>(theBoxes.size()));
    SelectObject(theDC, theOldPen);
    SelectObject(theDC, theOldBrush);
    DeleteObject(thePen);
    DeleteObject(theBrush);
}
BENCHMARK(BM_ShapesOnCanvas)->Unit(benchmark::kMillisecond);

std::string Paragraph()
{
    static const char* const kWords[] = {"vellum", "ink",    "margin", "quill",  "page",      "letter",
                                         "serif",  "column", "gutter", "folio",  "rubric",    "scribe",
                                         "line",   "word",   "glyph",  "stroke", "parchment", "leaf"};
    std::string theText;
    for (int theIndex = 0; theIndex < 120; ++theIndex) {
        if (theIndex > 0) {
            theText += ' ';
        }
        theText += kWords[(theIndex * 7) % 18];
    }
    return theText;
}

constexpr UINT kEngineFlags = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;

void BM_ParagraphInBox(benchmark::State& ioState)
{
    Canvas theCanvas(400, 300);
    HDC theDC = theCanvas.DC();
    HFONT theFont = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 4, 0, "Liberation Serif");
    HGDIOBJ theOld = SelectObject(theDC, theFont);
    SetBkMode(theDC, TRANSPARENT);
    const std::string theText = Paragraph();
    for (auto _ : ioState) {
        RECT theRect{50, 25, 350, 275};
        benchmark::DoNotOptimize(DrawTextA(theDC, theText.c_str(), -1, &theRect, kEngineFlags));
    }
    SelectObject(theDC, theOld);
    DeleteObject(theFont);
}
BENCHMARK(BM_ParagraphInBox)->Unit(benchmark::kMicrosecond);

// The engine's whole text block: make the font, measure the block and a line, draw, clean up.
void BM_TextBlockAsTheEngineDrawsIt(benchmark::State& ioState)
{
    Canvas theCanvas(400, 300);
    HDC theDC = theCanvas.DC();
    const std::string theText = Paragraph();
    for (auto _ : ioState) {
        HFONT theFont = CreateFontA(-MulDiv(10, GetDeviceCaps(theDC, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, 0,
                                    0, 0, 4, 0, "Liberation Serif");
        HGDIOBJ theOld = SelectObject(theDC, theFont);
        const int theOldBk = SetBkMode(theDC, TRANSPARENT);
        RECT theMeasure{50, 25, 350, 25};
        DrawTextA(theDC, theText.c_str(), -1, &theMeasure, kEngineFlags | DT_CALCRECT);
        RECT theLine{50, 25, 350, 25};
        DrawTextA(theDC, theText.c_str(), -1, &theLine, kEngineFlags | DT_CALCRECT | DT_SINGLELINE);
        RECT theRect{50, 25, 350, 275};
        DRAWTEXTPARAMS theParams{sizeof(DRAWTEXTPARAMS), 4, 0, 0, 0};
        DrawTextExA(theDC, const_cast<char*>(theText.c_str()), -1, &theRect, kEngineFlags, &theParams);
        benchmark::DoNotOptimize(theParams.uiLengthDrawn);
        SetBkMode(theDC, theOldBk);
        SelectObject(theDC, theOld);
        DeleteObject(theFont);
    }
}
BENCHMARK(BM_TextBlockAsTheEngineDrawsIt)->Unit(benchmark::kMicrosecond);

// The engine's text block over 1 MB of hostile text in a 400 x 300 box, laid
// out down to the box's bottom: one base under a million combining marks,
// words of both directions, one endless word, and plain words. Bound: 250 ms.
enum class Hostile { kMarks, kMixed, kEndlessWord, kWords };

std::string Megabyte(Hostile inKind)
{
    constexpr std::size_t kSize = std::size_t(1) << 20;
    std::string theText = inKind == Hostile::kMarks ? "a" : "";
    while (theText.size() < kSize) {
        switch (inKind) {
        case Hostile::kMarks:
            theText += "\xCC\x81";
            break;
        case Hostile::kMixed:
            theText += "ink \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D quill \xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7 ";
            break;
        case Hostile::kEndlessWord:
            theText += "vellumink";
            break;
        case Hostile::kWords:
            theText += Paragraph() + " ";
            break;
        }
    }
    return theText;
}

void HostileBlock(benchmark::State& ioState, Hostile inKind)
{
    Canvas theCanvas(400, 300);
    HDC theDC = theCanvas.DC();
    HFONT theFont = CreateFontA(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 4, 0, "Liberation Serif");
    HGDIOBJ theOld = SelectObject(theDC, theFont);
    SetBkMode(theDC, TRANSPARENT);
    const std::string theText = Megabyte(inKind);
    constexpr UINT kBounded = kEngineFlags | DT_STOPATBOTTOM;
    for (auto _ : ioState) {
        RECT theMeasure{0, 0, 400, 300};
        DrawTextA(theDC, theText.c_str(), -1, &theMeasure, kBounded | DT_CALCRECT);
        RECT theRect{0, 0, 400, 300};
        DRAWTEXTPARAMS theParams{sizeof(DRAWTEXTPARAMS), 4, 0, 0, 0};
        DrawTextExA(theDC, const_cast<char*>(theText.c_str()), -1, &theRect, kBounded, &theParams);
        benchmark::DoNotOptimize(theParams.uiLengthDrawn);
    }
    SelectObject(theDC, theOld);
    DeleteObject(theFont);
}
void BM_MegabyteOfMarks(benchmark::State& ioState)
{
    HostileBlock(ioState, Hostile::kMarks);
}
void BM_MegabyteOfMixedDirections(benchmark::State& ioState)
{
    HostileBlock(ioState, Hostile::kMixed);
}
void BM_MegabyteInOneWord(benchmark::State& ioState)
{
    HostileBlock(ioState, Hostile::kEndlessWord);
}
void BM_MegabyteOfWords(benchmark::State& ioState)
{
    HostileBlock(ioState, Hostile::kWords);
}
BENCHMARK(BM_MegabyteOfMarks)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_MegabyteOfMixedDirections)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_MegabyteInOneWord)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_MegabyteOfWords)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_FontEnumeration(benchmark::State& ioState)
{
    HDC theScreen = GetDC(0);
    LOGFONTA theQuery{};
    int theCount = 0;
    for (auto _ : ioState) {
        EnumFontFamiliesExA(
            theScreen, &theQuery,
            [](const ENUMLOGFONTEXA* inFont, const void*, std::uint32_t, LPARAM inParam) {
                benchmark::DoNotOptimize(inFont->elfFullName[0]);
                ++*reinterpret_cast<int*>(inParam);
                return 1;
            },
            reinterpret_cast<LPARAM>(&theCount), 0);
    }
    ReleaseDC(0, theScreen);
    ioState.counters["families"] = static_cast<double>(theCount) / static_cast<double>(ioState.iterations());
}
BENCHMARK(BM_FontEnumeration)->Unit(benchmark::kMicrosecond);

// A font-name lookup as the parameter parser makes it: a screen context, an
// enumeration stopped at one entry, the context released.
void BM_FontNameLookup(benchmark::State& ioState)
{
    for (auto _ : ioState) {
        HDC theScreen = GetDC(0);
        LOGFONTA theQuery{};
        struct Search {
            int mWanted;
            int mSeen;
            char mName[LF_FULLFACESIZE];
        } theSearch{5, 0, {}};
        EnumFontFamiliesExA(
            theScreen, &theQuery,
            [](const ENUMLOGFONTEXA* inFont, const void*, std::uint32_t, LPARAM inParam) {
                auto& theState = *reinterpret_cast<Search*>(inParam);
                __builtin_memcpy(theState.mName, inFont->elfFullName, LF_FULLFACESIZE);
                return theState.mSeen++ == theState.mWanted ? 0 : 1;
            },
            reinterpret_cast<LPARAM>(&theSearch), 0);
        ReleaseDC(0, theScreen);
        benchmark::DoNotOptimize(theSearch.mName[0]);
    }
}
BENCHMARK(BM_FontNameLookup)->Unit(benchmark::kMicrosecond);

}  // namespace

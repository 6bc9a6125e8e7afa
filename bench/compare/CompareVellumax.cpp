// The comparison scene drawn the way page scripts draw it: one operation per
// DrawShape and DrawText call, with the canvas defaults in its record.
// Usage: compare_vellumax FRAMES [OUT.ppm]; prints "ms_per_frame N".
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Scene.h"
#include "vellumax/engine/Bitmap.h"
#include "vellumax/engine/DrawGDIShape.h"
#include "vellumax/engine/DrawShapeOp.h"

namespace {

ColorValue Color(int inRed, int inGreen, int inBlue)
{
    return ColorValue{static_cast<std::uint16_t>(inRed * 257), static_cast<std::uint16_t>(inGreen * 257),
                      static_cast<std::uint16_t>(inBlue * 257), 65535, 0};
}

bool DrawScene(Bitmap& ioStore, const SceneShape* inShapes, const char* inParagraph)
{
    if (ioStore.Erase() != noErr)
        return false;
    for (int i = 0; i < 2 * kSceneShapes; ++i) {
        const SceneShape& theShape = inShapes[i];
        DrawShapeOp theOperation;
        Parameters& theParams = *theOperation.GetParameters();
        theParams.PenSize = kScenePen;
        theParams.PenColor = ColorValue::Black();
        theParams.PaintColor = Color(theShape.red, theShape.green, theShape.blue);
        theOperation.SetShape(i < kSceneShapes ? "rect" : "oval");
        char theRect[96];
        std::snprintf(theRect, sizeof theRect, "rect=%d,%d,%d,%d", theShape.left, theShape.top, theShape.right,
                      theShape.bottom);
        theOperation.SetParameterString(theRect);
        theOperation.Run(ioStore, true);
        if (theOperation.GetErrorReport()->HasError())
            return false;
    }
    DrawGDIShape theText("Draw Text:", true);
    Parameters& theParams = *theText.GetParameters();
    std::strcpy(theParams.Font, "DejaVu Sans");
    theParams.TextSize = 10;  // 13 pixels at 96 dots per inch
    theText.SetText(inParagraph);
    char theRect[96];
    std::snprintf(theRect, sizeof theRect, "rect=%d,%d,%d,%d", kTextLeft, kTextTop, kTextLeft + kTextWidth,
                  kTextTop + kTextHeight);
    theText.SetParameterString(theRect);
    theText.Run(ioStore, true);
    return !theText.GetErrorReport()->HasError();
}

void WritePPM(Bitmap& inStore, const char* inPath)
{
    std::FILE* theFile = std::fopen(inPath, "wb");
    if (theFile == nullptr)
        return;
    std::fprintf(theFile, "P6\n%d %d\n255\n", kSceneWidth, kSceneHeight);
    for (int y = 0; y < kSceneHeight; ++y)
        for (int x = 0; x < kSceneWidth; ++x) {
            const ColorValue theColor = inStore.GetPixelColor(x, y);
            const unsigned char theRGB[3] = {static_cast<unsigned char>(theColor.red >> 8),
                                             static_cast<unsigned char>(theColor.green >> 8),
                                             static_cast<unsigned char>(theColor.blue >> 8)};
            std::fwrite(theRGB, 1, 3, theFile);
        }
    std::fclose(theFile);
}

}  // namespace

int main(int argc, char** argv)
{
    const int theFrames = argc > 1 ? std::atoi(argv[1]) : 10;
    static SceneShape theShapes[2 * kSceneShapes];
    SceneShapes(theShapes);
    static char theParagraph[2048];
    SceneParagraph(theParagraph, sizeof theParagraph);

    Bitmap theStore;
    theStore.SetWidth(kSceneWidth);
    theStore.SetHeight(kSceneHeight);
    if (!DrawScene(theStore, theShapes, theParagraph)) {  // warms fonts and caches
        std::fprintf(stderr, "the scene could not be drawn\n");
        return 1;
    }
    // Processor time: steady on a machine shared with other work.
    const std::clock_t theStart = std::clock();
    for (int i = 0; i < theFrames; ++i)
        DrawScene(theStore, theShapes, theParagraph);
    const double theTime = 1000.0 * double(std::clock() - theStart) / CLOCKS_PER_SEC;
    std::printf("ms_per_frame %.3f\n", theTime / theFrames);
    if (argc > 2)
        WritePPM(theStore, argv[2]);
    return 0;
}

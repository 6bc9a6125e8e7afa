/* The comparison scene drawn with libgd: filled shapes, then their outlines
 * with a 3-pixel pen, and the paragraph wrapped word by word with FreeType.
 * Usage: compare_gd FRAMES FONT.ttf [OUT.png]; prints "ms_per_frame N". */
#include <gd.h>
#include <stdlib.h>
#include <time.h>

#include "Scene.h"

static double Now(void)
{
    struct timespec theTime;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &theTime);  /* steady on a shared machine */
    return theTime.tv_sec * 1000.0 + theTime.tv_nsec / 1e6;
}

static int TextWidth(const char* inFont, const char* inText)
{
    int theBox[8];
    gdImageStringFT(NULL, theBox, 0, (char*)inFont, 10.0, 0.0, 0, 0, (char*)inText);
    return theBox[2] - theBox[0];
}

static void DrawScene(gdImagePtr ioImage, const SceneShape* inShapes, const char* inParagraph, const char* inFont)
{
    const int theWhite = gdTrueColor(255, 255, 255);
    const int theBlack = gdTrueColor(0, 0, 0);
    gdImageFilledRectangle(ioImage, 0, 0, kSceneWidth - 1, kSceneHeight - 1, theWhite);
    gdImageSetThickness(ioImage, kScenePen);
    for (int i = 0; i < 2 * kSceneShapes; ++i) {
        const SceneShape* s = &inShapes[i];
        const int theFill = gdTrueColor(s->red, s->green, s->blue);
        /* Outline centred one pixel inside, as a 3-pixel pen kept within the shape. */
        const int l = s->left + 1, t = s->top + 1, r = s->right - 2, b = s->bottom - 2;
        if (i < kSceneShapes) {
            gdImageFilledRectangle(ioImage, l, t, r, b, theFill);
            gdImageRectangle(ioImage, l, t, r, b, theBlack);
        } else {
            const int cx = (l + r) / 2, cy = (t + b) / 2, w = r - l, h = b - t;
            gdImageFilledEllipse(ioImage, cx, cy, w, h, theFill);
            /* gdImageEllipse ignores the thickness; arcs are drawn with lines, which keep it. */
            gdImageArc(ioImage, cx, cy, w, h, 0, 360, theBlack);
        }
    }
    gdImageSetThickness(ioImage, 1);
    /* Greedy wrapping at blanks; lines 15 pixels apart, as the engine lays them out. */
    char theLine[512] = "";
    char theTry[512];
    int theY = kTextTop + 12;
    const char* p = inParagraph;
    while (*p != '\0' && theY <= kTextTop + kTextHeight) {
        const char* theEnd = strchr(p, ' ');
        const size_t theLength = theEnd ? (size_t)(theEnd - p) : strlen(p);
        snprintf(theTry, sizeof theTry, "%s%s%.*s", theLine, theLine[0] ? " " : "", (int)theLength, p);
        if (theLine[0] != '\0' && TextWidth(inFont, theTry) > kTextWidth) {
            int theBox[8];
            gdImageStringFT(ioImage, theBox, theBlack, (char*)inFont, 10.0, 0.0, kTextLeft, theY, theLine);
            theY += 15;
            snprintf(theLine, sizeof theLine, "%.*s", (int)theLength, p);
        } else {
            memcpy(theLine, theTry, sizeof theLine);
        }
        p += theLength;
        while (*p == ' ')
            ++p;
    }
    if (theLine[0] != '\0' && theY <= kTextTop + kTextHeight) {
        int theBox[8];
        gdImageStringFT(ioImage, theBox, theBlack, (char*)inFont, 10.0, 0.0, kTextLeft, theY, theLine);
    }
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: compare_gd FRAMES FONT.ttf [OUT.png]\n");
        return 2;
    }
    const int theFrames = atoi(argv[1]);
    static SceneShape theShapes[2 * kSceneShapes];
    SceneShapes(theShapes);
    static char theParagraph[2048];
    SceneParagraph(theParagraph, sizeof theParagraph);
    gdImagePtr theImage = gdImageCreateTrueColor(kSceneWidth, kSceneHeight);
    DrawScene(theImage, theShapes, theParagraph, argv[2]);
    const double theStart = Now();
    for (int i = 0; i < theFrames; ++i)
        DrawScene(theImage, theShapes, theParagraph, argv[2]);
    printf("ms_per_frame %.3f\n", (Now() - theStart) / theFrames);
    if (argc > 3) {
        FILE* theFile = fopen(argv[3], "wb");
        if (theFile != NULL) {
            gdImagePng(theImage, theFile);
            fclose(theFile);
        }
    }
    gdImageDestroy(theImage);
    gdFontCacheShutdown();
    return 0;
}

/* The scene every program draws, described the same way for each: an 800 x 600
 * white canvas, 200 rectangles and 200 ovals filled and outlined with a
 * 3-pixel pen, and a 120-word paragraph wrapped in 300 x 250. Plain C so that
 * the libgd program shares it; scene.py repeats the generator for Pillow. */
#ifndef VX_COMPARE_SCENE_H
#define VX_COMPARE_SCENE_H

#include <stdio.h>
#include <string.h>

enum { kSceneWidth = 800, kSceneHeight = 600, kSceneShapes = 200, kScenePen = 3, kSceneWords = 120 };
enum { kTextLeft = 480, kTextTop = 320, kTextWidth = 300, kTextHeight = 250, kTextPixels = 13 };
/* The picture case: a 1280 x 960 photograph drawn into a 320 x 240 thumbnail. */
enum { kPhotoWidth = 1280, kPhotoHeight = 960, kThumbWidth = 320, kThumbHeight = 240 };

typedef struct {
    int left, top, right, bottom;
    int red, green, blue;
} SceneShape;

static inline unsigned SceneNext(unsigned* ioSeed)
{
    *ioSeed = (*ioSeed * 1103515245u + 12345u) & 0x7fffffffu;
    return *ioSeed >> 8;
}

/* Rectangles first (inIndex < kSceneShapes), then ovals; right and bottom exclusive. */
static inline void SceneShapes(SceneShape* outShapes)
{
    unsigned theSeed = 7;
    for (int i = 0; i < 2 * kSceneShapes; ++i) {
        SceneShape* s = &outShapes[i];
        s->left = (int)(SceneNext(&theSeed) % 740);
        s->top = (int)(SceneNext(&theSeed) % 540);
        s->right = s->left + 10 + (int)(SceneNext(&theSeed) % 50);
        s->bottom = s->top + 10 + (int)(SceneNext(&theSeed) % 50);
        s->red = (int)(SceneNext(&theSeed) % 256);
        s->green = (int)(SceneNext(&theSeed) % 256);
        s->blue = (int)(SceneNext(&theSeed) % 256);
    }
}

static const char* const kSceneVocabulary[] = {"drawing",   "server", "canvas", "pixels", "the",   "of",      "a",
                                               "quick",     "page",   "script", "text",   "wraps", "inside",  "its",
                                               "rectangle", "and",    "every",  "line",   "is",    "measured"};

/* The paragraph: kSceneWords words separated by single blanks. */
static inline void SceneParagraph(char* outText, size_t inCapacity)
{
    unsigned theSeed = 11;
    outText[0] = '\0';
    for (int i = 0; i < kSceneWords; ++i) {
        const char* theWord =
            kSceneVocabulary[SceneNext(&theSeed) % (sizeof kSceneVocabulary / sizeof *kSceneVocabulary)];
        if (i > 0)
            strncat(outText, " ", inCapacity - strlen(outText) - 1);
        strncat(outText, theWord, inCapacity - strlen(outText) - 1);
    }
}

/* The web cases: the same shapes filled from 15 page colours, so that with the
 * white ground and the black pen the picture holds 17 colours; a 400 x 300
 * page with two antialiased lines of text; and a 1024 x 1024 photograph
 * (Photo.h). */
enum { kWebColors = 15, kPageWidth = 400, kPageHeight = 300, kPagePixels = 20, kPhotoSide = 1024 };
static const unsigned kWebPalette[kWebColors] = {0xE6194B, 0x3CB44B, 0xFFE119, 0x4363D8, 0xF58231,
                                                 0x911EB4, 0x46F0F0, 0xF032E6, 0xBCF60C, 0xFABEBE,
                                                 0x008080, 0xE6BEFF, 0x9A6324, 0x800000, 0x000075};
static const unsigned kPageGround = 0xF0F4F8, kPageInk = 0x1F2A44;
static const char* const kPageLines[2] = {"Quarterly figures, drawn on the server", "Every pixel sent as it was drawn"};
enum { kPageLeft = 24, kPageFirstBaseline = 120, kPageLineStep = 40 };

static inline unsigned SceneWebColor(const SceneShape* inShape)
{
    return kWebPalette[(unsigned)(inShape->red + inShape->green + inShape->blue) % kWebColors];
}

/* The cases of everyday pages. The chart: a white 400 x 240 canvas, six bars
 * filled and outlined 1 pixel darker, an axis line, six 12-pixel labels centred
 * under the bars and a 16-pixel title, all antialiased, as PNG. */
enum { kChartWidth = 400, kChartHeight = 240, kChartBars = 6, kChartBarWidth = 40, kChartAxis = 200 };
enum { kChartLabelPixels = 12, kChartTitlePixels = 16 };
static const int kChartValues[kChartBars] = {120, 80, 150, 60, 170, 100};
static const unsigned kChartFills[kChartBars] = {0x4363D8, 0x3CB44B, 0xE6194B, 0xF58231, 0x911EB4, 0x46A0A0};
static const char* const kChartLabels[kChartBars] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun"};
static const char* const kChartTitle = "Visits per month";

static inline int ChartBarLeft(int inBar)
{
    return 50 + inBar * 55;
}
/* The outline: each channel at 70 %. */
static inline unsigned ChartOutline(unsigned inFill)
{
    return ((inFill >> 16) * 7 / 10) << 16 | ((inFill >> 8 & 255) * 7 / 10) << 8 | (inFill & 255) * 7 / 10;
}

/* The thumbnail: the 1280 x 960 photograph from memory to 200 x 150, a 12-pixel
 * white caption at the bottom left and a half-white circle of radius 20 at the
 * top right, as JPEG quality 75. */
enum { kThumbCaseWidth = 200, kThumbCaseHeight = 150, kThumbCircleX = 174, kThumbCircleY = 26, kThumbRadius = 20 };
enum { kThumbCaptionLeft = 6, kThumbCaptionBaseline = 142, kThumbCaptionPixels = 12 };
static const char* const kThumbCaption = "Harbour at dusk";

/* The flat PNG: 800 x 480 of white. */
enum { kFlatWidth = 800, kFlatHeight = 480 };

#endif

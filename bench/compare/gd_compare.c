/* The comparison cases drawn with libgd, for bench/compare/run.
 * Usage: gd_compare REPETITIONS FONT.ttf PHOTO.jpg [IMAGES_DIR]
 * Prints "shapes MS", "text MS", "gif MS BYTES", "picture MS BYTES", and the
 * web GIFs "webscene", "webpage", "pagegif", "webphoto" with MS BYTES PSNR
 * (the file decoded against the drawn picture, dB): medians over the
 * repetitions of the processor milliseconds per drawing or encoding. With
 * IMAGES_DIR, the pictures drawn are saved there as gd-*.png. */
#include <gd.h>
#include <stdlib.h>
#include <time.h>

#include "GifPsnr.h"
#include "Photo.h"
#include "Scene.h"

enum { kShapeDrawings = 10, kTextDrawings = 40, kGifDrawings = 5, kPictureDrawings = 5, kLineHeight = 15 };
static const double kPoints = 10.0; /* 13 pixels at gd's 96 dpi */

static double Now(void)
{
    struct timespec theTime;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &theTime);
    return theTime.tv_sec * 1000.0 + theTime.tv_nsec / 1e6;
}

static void SaveImage(gdImagePtr inImage, const char* inFolder, const char* inName)
{
    if (inFolder == NULL)
        return;
    char thePath[4096];
    snprintf(thePath, sizeof thePath, "%s/gd-%s.png", inFolder, inName);
    FILE* theFile = fopen(thePath, "wb");
    if (theFile == NULL)
        return;
    gdImagePng(inImage, theFile);
    fclose(theFile);
}

static int CompareDoubles(const void* inLeft, const void* inRight)
{
    const double l = *(const double*)inLeft, r = *(const double*)inRight;
    return (l > r) - (l < r);
}

static double Median(double* ioTimes, int inCount)
{
    qsort(ioTimes, (size_t)inCount, sizeof *ioTimes, CompareDoubles);
    return ioTimes[inCount / 2];
}

static int GdColor(unsigned inRgb)
{
    return gdTrueColor((int)(inRgb >> 16), (int)(inRgb >> 8 & 255), (int)(inRgb & 255));
}

/* inWeb: the fills from the 15 page colours rather than the shapes' own. */
static void DrawShapes(gdImagePtr ioImage, const SceneShape* inShapes, int inWeb)
{
    const int theBlack = gdTrueColor(0, 0, 0);
    gdImageFilledRectangle(ioImage, 0, 0, kSceneWidth - 1, kSceneHeight - 1, gdTrueColor(255, 255, 255));
    gdImageSetThickness(ioImage, kScenePen);
    for (int i = 0; i < 2 * kSceneShapes; ++i) {
        const SceneShape* s = &inShapes[i];
        const int theFill = inWeb ? GdColor(SceneWebColor(s)) : gdTrueColor(s->red, s->green, s->blue);
        /* gd centres its thick lines on the path: one pixel in keeps the 3-pixel pen inside the shape. */
        const int l = s->left + 1, t = s->top + 1, r = s->right - 2, b = s->bottom - 2;
        if (i < kSceneShapes) {
            gdImageFilledRectangle(ioImage, l, t, r, b, theFill);
            gdImageRectangle(ioImage, l, t, r, b, theBlack);
        } else {
            const int cx = (l + r) / 2, cy = (t + b) / 2, w = r - l, h = b - t;
            gdImageFilledEllipse(ioImage, cx, cy, w, h, theFill);
            gdImageArc(ioImage, cx, cy, w, h, 0, 360, theBlack); /* gdImageEllipse ignores the thickness */
        }
    }
    gdImageSetThickness(ioImage, 1);
}

static void GdPixel(const void* inImage, int inX, int inY, unsigned char* outRgb)
{
    const int theColor = gdImageGetTrueColorPixel((gdImagePtr)inImage, inX, inY);
    outRgb[0] = (unsigned char)gdTrueColorGetRed(theColor);
    outRgb[1] = (unsigned char)gdTrueColorGetGreen(theColor);
    outRgb[2] = (unsigned char)gdTrueColorGetBlue(theColor);
}

/* The median time of making a GIF of inImage with a palette chosen from the
 * picture, as gd makes one: the quantizer works in place, so each encoding
 * starts from an untimed copy. outPsnr: the last file against inImage. */
static double GifTime(gdImagePtr inImage, double* ioTimes, int inRepetitions, int* outBytes, double* outPsnr)
{
    for (int r = 0; r < inRepetitions; ++r) {
        double theTotal = 0;
        for (int i = 0; i < kGifDrawings; ++i) {
            gdImagePtr theCopy = gdImageClone(inImage);
            const double theStart = Now();
            gdImageTrueColorToPalette(theCopy, 0, 256);
            void* theData = gdImageGifPtr(theCopy, outBytes);
            theTotal += Now() - theStart;
            if (r == inRepetitions - 1 && i == kGifDrawings - 1)
                *outPsnr =
                    GifPsnr(theData, (size_t)*outBytes, gdImageSX(inImage), gdImageSY(inImage), GdPixel, inImage);
            gdFree(theData);
            gdImageDestroy(theCopy);
        }
        ioTimes[r] = theTotal / kGifDrawings;
    }
    return Median(ioTimes, inRepetitions);
}

static void WebCases(double* ioTimes, int inRepetitions, char* inFont, const SceneShape* inShapes, const char* inImages)
{
    int theBytes = 0;
    gdImagePtr theScene = gdImageCreateTrueColor(kSceneWidth, kSceneHeight);
    DrawShapes(theScene, inShapes, 1);
    double thePsnr = -1;
    const double theSceneMs = GifTime(theScene, ioTimes, inRepetitions, &theBytes, &thePsnr);
    printf("webscene %.3f %d %.2f\n", theSceneMs, theBytes, thePsnr);
    SaveImage(theScene, inImages, "webscene");
    gdImageDestroy(theScene);

    gdImagePtr thePage = gdImageCreateTrueColor(kPageWidth, kPageHeight);
    gdImageFilledRectangle(thePage, 0, 0, kPageWidth - 1, kPageHeight - 1, GdColor(kPageGround));
    for (int i = 0; i < 2; ++i) {
        int theBox[8];
        gdImageStringFT(thePage, theBox, GdColor(kPageInk), inFont, kPagePixels * 0.75, 0.0, kPageLeft,
                        kPageFirstBaseline + i * kPageLineStep, (char*)kPageLines[i]);
    }
    const double thePageMs = GifTime(thePage, ioTimes, inRepetitions, &theBytes, &thePsnr);
    printf("webpage %.3f %d %.2f\n", thePageMs, theBytes, thePsnr);
    SaveImage(thePage, inImages, "webpage");
    /* The page GIF: the same lines and three boxes of the first page colours. */
    for (int i = 0; i < 3; ++i)
        gdImageFilledRectangle(thePage, kPageLeft + i * 120, 200, kPageLeft + i * 120 + 99, 269,
                               GdColor(kWebPalette[i]));
    const double theBoxesMs = GifTime(thePage, ioTimes, inRepetitions, &theBytes, &thePsnr);
    printf("pagegif %.3f %d %.2f\n", theBoxesMs, theBytes, thePsnr);
    SaveImage(thePage, inImages, "pagegif");
    gdImageDestroy(thePage);

    gdImagePtr thePhoto = gdImageCreateTrueColor(kPhotoSide, kPhotoSide);
    for (int y = 0; y < kPhotoSide; ++y)
        for (int x = 0; x < kPhotoSide; ++x) {
            unsigned char theRgb[3];
            PhotoPixel(x, y, theRgb);
            gdImageSetPixel(thePhoto, x, y, gdTrueColor(theRgb[0], theRgb[1], theRgb[2]));
        }
    const double thePhotoMs = GifTime(thePhoto, ioTimes, inRepetitions, &theBytes, &thePsnr);
    printf("webphoto %.3f %d %.2f\n", thePhotoMs, theBytes, thePsnr);
    gdImageDestroy(thePhoto);
}

/* Advance of inText in pixels: FreeType's box, measured without an image. */
static int Advance(char* inFont, char* inText)
{
    int theBox[8];
    gdImageStringFT(NULL, theBox, 0, inFont, kPoints, 0.0, 0, 0, inText);
    return theBox[2] - theBox[0];
}

/* Greedy wrap, word by word: a word that does not fit after the previous one starts a line. */
static void DrawParagraph(gdImagePtr ioImage, char* inFont, char* const* inWords, int inCount)
{
    const int theBlack = gdTrueColor(0, 0, 0);
    gdImageFilledRectangle(ioImage, 0, 0, kTextWidth - 1, kTextHeight - 1, gdTrueColor(255, 255, 255));
    const int theSpace = Advance(inFont, " ");
    int x = 0, theBaseline = 12;
    for (int i = 0; i < inCount; ++i) {
        const int theWidth = Advance(inFont, inWords[i]);
        if (x > 0 && x + theSpace + theWidth > kTextWidth) {
            x = 0;
            theBaseline += kLineHeight;
        }
        if (theBaseline + 3 > kTextHeight)
            return;
        if (x > 0)
            x += theSpace;
        int theBox[8];
        gdImageStringFT(ioImage, theBox, theBlack, inFont, kPoints, 0.0, x, theBaseline, inWords[i]);
        x += theWidth;
    }
}

/* The photograph from memory, shrunk into the thumbnail with gd's resampling, as JPEG quality 75. */
static int PictureCase(const char* inPhoto, int inRepetitions, double* ioTimes, const char* inImages)
{
    FILE* theFile = fopen(inPhoto, "rb");
    if (theFile == NULL) {
        fprintf(stderr, "picture: cannot read %s\n", inPhoto);
        return 1;
    }
    static unsigned char theBytes[16 << 20];
    const int theSize = (int)fread(theBytes, 1, sizeof theBytes, theFile);
    fclose(theFile);
    int theOut = 0;
    gdImagePtr theThumb = NULL;
    for (int r = 0; r < inRepetitions; ++r) {
        const double theStart = Now();
        for (int i = 0; i < kPictureDrawings; ++i) {
            gdImagePtr thePhoto = gdImageCreateFromJpegPtr(theSize, theBytes);
            if (thePhoto == NULL) {
                fprintf(stderr, "picture: libgd cannot decode %s\n", inPhoto);
                return 1;
            }
            if (theThumb != NULL)
                gdImageDestroy(theThumb);
            theThumb = gdImageCreateTrueColor(kThumbWidth, kThumbHeight);
            gdImageCopyResampled(theThumb, thePhoto, 0, 0, 0, 0, kThumbWidth, kThumbHeight, gdImageSX(thePhoto),
                                 gdImageSY(thePhoto));
            void* theData = gdImageJpegPtr(theThumb, &theOut, 75);
            gdFree(theData);
            gdImageDestroy(thePhoto);
        }
        ioTimes[r] = (Now() - theStart) / kPictureDrawings;
    }
    printf("picture %.3f %d\n", Median(ioTimes, inRepetitions), theOut);
    SaveImage(theThumb, inImages, "picture");
    gdImageDestroy(theThumb);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc < 4) {
        fprintf(stderr, "usage: gd_compare REPETITIONS FONT.ttf PHOTO.jpg [IMAGES_DIR]\n");
        return 2;
    }
    int theRepetitions = atoi(argv[1]);
    if (theRepetitions < 1)
        theRepetitions = 1;
    char* theFont = argv[2];
    const char* thePhoto = argv[3];
    const char* theImages = argc > 4 ? argv[4] : NULL;
    double* theTimes = calloc((size_t)theRepetitions, sizeof *theTimes);
    static SceneShape theShapes[2 * kSceneShapes];
    SceneShapes(theShapes);

    gdImagePtr theImage = gdImageCreateTrueColor(kSceneWidth, kSceneHeight);
    DrawShapes(theImage, theShapes, 0);
    for (int r = 0; r < theRepetitions; ++r) {
        const double theStart = Now();
        for (int i = 0; i < kShapeDrawings; ++i)
            DrawShapes(theImage, theShapes, 0);
        theTimes[r] = (Now() - theStart) / kShapeDrawings;
    }
    printf("shapes %.3f\n", Median(theTimes, theRepetitions));
    SaveImage(theImage, theImages, "shapes");

    static char theParagraph[2048];
    SceneParagraph(theParagraph, sizeof theParagraph);
    char* theWords[kSceneWords];
    int theCount = 0;
    for (char* p = strtok(theParagraph, " "); p != NULL && theCount < kSceneWords; p = strtok(NULL, " "))
        theWords[theCount++] = p;
    gdImagePtr theBox = gdImageCreateTrueColor(kTextWidth, kTextHeight);
    DrawParagraph(theBox, theFont, theWords, theCount);
    for (int r = 0; r < theRepetitions; ++r) {
        const double theStart = Now();
        for (int i = 0; i < kTextDrawings; ++i)
            DrawParagraph(theBox, theFont, theWords, theCount);
        theTimes[r] = (Now() - theStart) / kTextDrawings;
    }
    printf("text %.3f\n", Median(theTimes, theRepetitions));
    SaveImage(theBox, theImages, "text");
    gdImageDestroy(theBox);

    int theBytes = 0;
    double thePsnr = -1;
    const double theGifMs = GifTime(theImage, theTimes, theRepetitions, &theBytes, &thePsnr);
    printf("gif %.3f %d\n", theGifMs, theBytes);
    const int theStatus = PictureCase(thePhoto, theRepetitions, theTimes, theImages);
    WebCases(theTimes, theRepetitions, theFont, theShapes, theImages);

    gdImageDestroy(theImage);
    gdFontCacheShutdown();
    free(theTimes);
    return theStatus;
}

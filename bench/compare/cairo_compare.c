/* Cairo's cases for bench/compare/run: the antialiased shapes with
 * antialiasing on (the floor the engine's own drawing could reach), the
 * paragraph laid out and drawn by Pango (the floor for text), the web GIFs
 * drawn by Cairo and written by giflib, and the thumbnail made by libjpeg,
 * Cairo and Pango alone.
 * Usage: cairo_compare REPETITIONS PHOTO.jpg [IMAGES_DIR], or cairo_compare --photo FILE.ppm,
 * which writes the web photograph for Pillow and does nothing else.
 * Prints "aashapes MS", "text MS", and "webscene", "webpage", "webphoto", "thumb" with MS BYTES:
 * medians over the repetitions of the processor milliseconds per drawing or
 * encoding. Pictures of at most 256 colours get an exact table, the
 * photograph giflib's own quantizer. With IMAGES_DIR, the pictures are saved
 * there as cairo-*.png. */
#include <cairo.h>
#include <gif_lib.h>
#include <math.h>
#include <pango/pangocairo.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include <jpeglib.h>

#include "Photo.h"
#include "Scene.h"

enum { kShapeDrawings = 10, kTextDrawings = 40, kGifDrawings = 5, kSlots = 1024 };

static double Now(void)
{
    struct timespec theTime;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &theTime);
    return theTime.tv_sec * 1000.0 + theTime.tv_nsec / 1e6;
}

static int CompareDoubles(const void* inLeft, const void* inRight)
{
    const double l = *(const double*)inLeft, r = *(const double*)inRight;
    return (l > r) - (l < r);
}

/* Each shape filled, then outlined with the pen centred half a pen inside its box. */
static void DrawShapes(cairo_t* inCairo, const SceneShape* inShapes)
{
    const double h = kScenePen / 2.0;
    cairo_set_source_rgb(inCairo, 1, 1, 1);
    cairo_paint(inCairo);
    cairo_set_line_width(inCairo, kScenePen);
    for (int i = 0; i < 2 * kSceneShapes; ++i) {
        const SceneShape* s = &inShapes[i];
        const double l = s->left + h, t = s->top + h, r = s->right - h, b = s->bottom - h;
        if (i < kSceneShapes) {
            cairo_rectangle(inCairo, l, t, r - l, b - t);
        } else {
            cairo_save(inCairo);
            cairo_translate(inCairo, (l + r) / 2, (t + b) / 2);
            cairo_scale(inCairo, (r - l) / 2, (b - t) / 2);
            cairo_new_path(inCairo);
            cairo_arc(inCairo, 0, 0, 1, 0, 2 * M_PI);
            cairo_restore(inCairo);
        }
        cairo_set_source_rgb(inCairo, s->red / 255.0, s->green / 255.0, s->blue / 255.0);
        cairo_fill_preserve(inCairo);
        cairo_set_source_rgb(inCairo, 0, 0, 0);
        cairo_stroke(inCairo);
    }
}

typedef struct {
    GifByteType* bytes;
    size_t size, capacity;
} Output;

static int WriteOutput(GifFileType* inFile, const GifByteType* inBytes, int inCount)
{
    Output* theOutput = (Output*)inFile->UserData;
    if (theOutput->size + (size_t)inCount > theOutput->capacity) {
        theOutput->capacity = 2 * (theOutput->size + (size_t)inCount);
        theOutput->bytes = realloc(theOutput->bytes, theOutput->capacity);
        if (theOutput->bytes == NULL)
            abort();
    }
    memcpy(theOutput->bytes + theOutput->size, inBytes, (size_t)inCount);
    theOutput->size += (size_t)inCount;
    return inCount;
}

static size_t WriteGif(int inWidth, int inHeight, ColorMapObject* inMap, GifByteType* inIndices)
{
    Output theOutput = {NULL, 0, 0};
    int theError = 0;
    GifFileType* theFile = EGifOpen(&theOutput, WriteOutput, &theError);
    EGifPutScreenDesc(theFile, inWidth, inHeight, inMap->BitsPerPixel, 0, inMap);
    EGifPutImageDesc(theFile, 0, 0, inWidth, inHeight, false, NULL);
    for (int y = 0; y < inHeight; ++y)
        EGifPutLine(theFile, inIndices + (size_t)y * (size_t)inWidth, inWidth);
    EGifCloseFile(theFile, &theError);
    free(theOutput.bytes);
    return theOutput.size;
}

/* Exact table of a picture of at most 256 colours: an open-addressed set. */
static size_t EncodeExact(cairo_surface_t* inSurface)
{
    const int theWidth = cairo_image_surface_get_width(inSurface),
              theHeight = cairo_image_surface_get_height(inSurface);
    const int theStride = cairo_image_surface_get_stride(inSurface);
    const unsigned char* theData = cairo_image_surface_get_data(inSurface);
    uint32_t theKeys[kSlots];
    GifByteType theSlotIndex[kSlots];
    GifColorType theColors[256];
    memset(theKeys, 0xFF, sizeof theKeys);
    int theCount = 0;
    GifByteType* theIndices = malloc((size_t)theWidth * (size_t)theHeight);
    for (int y = 0; y < theHeight; ++y) {
        const uint32_t* theRow = (const uint32_t*)(theData + (size_t)y * (size_t)theStride);
        for (int x = 0; x < theWidth; ++x) {
            const uint32_t theRgb = theRow[x] & 0xFFFFFFu;
            unsigned theSlot = (theRgb * 2654435761u) >> 22;
            while (theKeys[theSlot] != theRgb && theKeys[theSlot] != 0xFFFFFFFFu)
                theSlot = (theSlot + 1) & (kSlots - 1);
            if (theKeys[theSlot] == 0xFFFFFFFFu) {
                if (theCount == 256)
                    abort(); /* the web cases hold fewer colours */
                theKeys[theSlot] = theRgb;
                theSlotIndex[theSlot] = (GifByteType)theCount;
                theColors[theCount].Red = (GifByteType)(theRgb >> 16);
                theColors[theCount].Green = (GifByteType)(theRgb >> 8);
                theColors[theCount].Blue = (GifByteType)theRgb;
                ++theCount;
            }
            theIndices[(size_t)y * (size_t)theWidth + (size_t)x] = theSlotIndex[theSlot];
        }
    }
    ColorMapObject* theMap = GifMakeMapObject(1 << GifBitSize(theCount), NULL);
    memcpy(theMap->Colors, theColors, sizeof(GifColorType) * (size_t)theCount);
    const size_t theSize = WriteGif(theWidth, theHeight, theMap, theIndices);
    GifFreeMapObject(theMap);
    free(theIndices);
    return theSize;
}

/* giflib's median cut, which wants the channels as separate planes. */
static size_t EncodeQuantized(cairo_surface_t* inSurface)
{
    const int theWidth = cairo_image_surface_get_width(inSurface),
              theHeight = cairo_image_surface_get_height(inSurface);
    const int theStride = cairo_image_surface_get_stride(inSurface);
    const unsigned char* theData = cairo_image_surface_get_data(inSurface);
    const size_t thePixels = (size_t)theWidth * (size_t)theHeight;
    GifByteType* thePlanes = malloc(thePixels * 4);
    GifByteType *theRed = thePlanes, *theGreen = thePlanes + thePixels, *theBlue = thePlanes + 2 * thePixels;
    for (int y = 0; y < theHeight; ++y) {
        const uint32_t* theRow = (const uint32_t*)(theData + (size_t)y * (size_t)theStride);
        for (int x = 0; x < theWidth; ++x) {
            const size_t i = (size_t)y * (size_t)theWidth + (size_t)x;
            theRed[i] = (GifByteType)(theRow[x] >> 16), theGreen[i] = (GifByteType)(theRow[x] >> 8);
            theBlue[i] = (GifByteType)theRow[x];
        }
    }
    int theCount = 256;
    ColorMapObject* theMap = GifMakeMapObject(256, NULL);
    GifByteType* theIndices = thePlanes + 3 * thePixels;
    GifQuantizeBuffer((unsigned)theWidth, (unsigned)theHeight, &theCount, theRed, theGreen, theBlue, theIndices,
                      theMap->Colors);
    const size_t theSize = WriteGif(theWidth, theHeight, theMap, theIndices);
    GifFreeMapObject(theMap);
    free(thePlanes);
    return theSize;
}

static void Report(const char* inName, cairo_surface_t* inSurface, size_t (*inEncode)(cairo_surface_t*),
                   int inRepetitions, const char* inImages)
{
    double theTimes[64];
    const int theCount = inRepetitions < 64 ? inRepetitions : 64;
    size_t theBytes = inEncode(inSurface);
    for (int r = 0; r < theCount; ++r) {
        const double theStart = Now();
        for (int i = 0; i < kGifDrawings; ++i)
            theBytes = inEncode(inSurface);
        theTimes[r] = (Now() - theStart) / kGifDrawings;
    }
    qsort(theTimes, (size_t)theCount, sizeof *theTimes, CompareDoubles);
    printf("%s %.3f %zu\n", inName, theTimes[theCount / 2], theBytes);
    if (inImages != NULL) {
        char thePath[4096];
        snprintf(thePath, sizeof thePath, "%s/cairo-%s.png", inImages, inName);
        cairo_surface_write_to_png(inSurface, thePath);
    }
}

static void SetColor(cairo_t* inContext, unsigned inRgb)
{
    cairo_set_source_rgb(inContext, (inRgb >> 16) / 255.0, (inRgb >> 8 & 255) / 255.0, (inRgb & 255) / 255.0);
}

static int WritePhoto(const char* inPath)
{
    FILE* theFile = fopen(inPath, "wb");
    if (theFile == NULL)
        return 1;
    fprintf(theFile, "P6\n%d %d\n255\n", kPhotoSide, kPhotoSide);
    for (int y = 0; y < kPhotoSide; ++y)
        for (int x = 0; x < kPhotoSide; ++x) {
            unsigned char theRgb[3];
            PhotoPixel(x, y, theRgb);
            fwrite(theRgb, 1, 3, theFile);
        }
    return fclose(theFile) == 0 ? 0 : 1;
}

static void WebCases(int inRepetitions, const char* inImages)
{
    /* The scene without antialiasing, so that it keeps its 17 colours. */
    static SceneShape theShapes[2 * kSceneShapes];
    SceneShapes(theShapes);
    cairo_surface_t* theScene = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kSceneWidth, kSceneHeight);
    cairo_t* c = cairo_create(theScene);
    cairo_set_antialias(c, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(c, 1, 1, 1);
    cairo_paint(c);
    cairo_set_line_width(c, kScenePen);
    for (int i = 0; i < 2 * kSceneShapes; ++i) {
        const SceneShape* s = &theShapes[i];
        const double l = s->left + 1.5, t = s->top + 1.5, w = s->right - s->left - 3, h = s->bottom - s->top - 3;
        cairo_save(c);
        if (i < kSceneShapes) {
            cairo_rectangle(c, l, t, w, h);
        } else {
            cairo_translate(c, l + w / 2, t + h / 2);
            cairo_scale(c, w / 2, h / 2);
            cairo_arc(c, 0, 0, 1, 0, 2 * M_PI);
        }
        cairo_restore(c);
        SetColor(c, SceneWebColor(s));
        cairo_fill_preserve(c);
        cairo_set_source_rgb(c, 0, 0, 0);
        cairo_stroke(c);
    }
    cairo_destroy(c);
    cairo_surface_flush(theScene);
    Report("webscene", theScene, EncodeExact, inRepetitions, inImages);
    cairo_surface_destroy(theScene);

    cairo_surface_t* thePage = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kPageWidth, kPageHeight);
    c = cairo_create(thePage);
    SetColor(c, kPageGround);
    cairo_paint(c);
    SetColor(c, kPageInk);
    cairo_select_font_face(c, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(c, kPagePixels);
    for (int i = 0; i < 2; ++i) {
        cairo_move_to(c, kPageLeft, kPageFirstBaseline + i * kPageLineStep);
        cairo_show_text(c, kPageLines[i]);
    }
    cairo_destroy(c);
    cairo_surface_flush(thePage);
    Report("webpage", thePage, EncodeExact, inRepetitions, inImages);
    cairo_surface_destroy(thePage);

    cairo_surface_t* thePhoto = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kPhotoSide, kPhotoSide);
    cairo_surface_flush(thePhoto);
    unsigned char* thePixels = cairo_image_surface_get_data(thePhoto);
    const int theStride = cairo_image_surface_get_stride(thePhoto);
    for (int y = 0; y < kPhotoSide; ++y)
        for (int x = 0; x < kPhotoSide; ++x) {
            unsigned char theRgb[3];
            PhotoPixel(x, y, theRgb);
            ((uint32_t*)(thePixels + (size_t)y * (size_t)theStride))[x] =
                (uint32_t)theRgb[0] << 16 | (uint32_t)theRgb[1] << 8 | theRgb[2];
        }
    cairo_surface_mark_dirty(thePhoto);
    Report("webphoto", thePhoto, EncodeQuantized, inRepetitions, NULL);
    cairo_surface_destroy(thePhoto);
}

/* The thumbnail as the engine's libraries alone make it: libjpeg's reduction to a quarter
 * straight into a Cairo surface, Cairo's filtered scale, a Pango caption, a half-white
 * antialiased circle, and libjpeg at quality 75 from the surface's rows. */
static void DrawThumb(const unsigned char* inJpeg, size_t inSize, const PangoFontDescription* inFont,
                      unsigned char** ioOut, unsigned long* ioSize, cairo_surface_t** outThumb)
{
    struct jpeg_decompress_struct d;
    struct jpeg_error_mgr e;
    d.err = jpeg_std_error(&e);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, inJpeg, (unsigned long)inSize);
    jpeg_read_header(&d, TRUE);
    d.scale_num = 1;
    d.scale_denom = 4;
    d.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&d);
    cairo_surface_t* theBig = cairo_image_surface_create(CAIRO_FORMAT_RGB24, (int)d.output_width, (int)d.output_height);
    unsigned char* theData = cairo_image_surface_get_data(theBig);
    const int theStride = cairo_image_surface_get_stride(theBig);
    while (d.output_scanline < d.output_height) {
        JSAMPROW theRow = theData + (size_t)d.output_scanline * (size_t)theStride;
        jpeg_read_scanlines(&d, &theRow, 1);
    }
    const double theSx = (double)kThumbCaseWidth / d.output_width, theSy = (double)kThumbCaseHeight / d.output_height;
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    cairo_surface_mark_dirty(theBig);

    cairo_surface_t* theThumb = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kThumbCaseWidth, kThumbCaseHeight);
    cairo_t* c = cairo_create(theThumb);
    cairo_scale(c, theSx, theSy);
    cairo_set_source_surface(c, theBig, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(c), CAIRO_FILTER_GOOD);
    cairo_paint(c);
    cairo_identity_matrix(c);
    PangoLayout* theLayout = pango_cairo_create_layout(c);
    pango_layout_set_font_description(theLayout, inFont);
    pango_layout_set_text(theLayout, kThumbCaption, -1);
    cairo_set_source_rgb(c, 1, 1, 1);
    cairo_move_to(c, kThumbCaptionLeft,
                  kThumbCaptionBaseline - (double)pango_layout_get_baseline(theLayout) / PANGO_SCALE);
    pango_cairo_show_layout(c, theLayout);
    g_object_unref(theLayout);
    cairo_set_source_rgba(c, 1, 1, 1, 0.5);
    cairo_arc(c, kThumbCircleX, kThumbCircleY, kThumbRadius, 0, 2 * M_PI);
    cairo_fill(c);
    cairo_destroy(c);
    cairo_surface_destroy(theBig);
    cairo_surface_flush(theThumb);

    struct jpeg_compress_struct w;
    w.err = jpeg_std_error(&e);
    jpeg_create_compress(&w);
    jpeg_mem_dest(&w, ioOut, ioSize);
    w.image_width = kThumbCaseWidth;
    w.image_height = kThumbCaseHeight;
    w.input_components = 4;
    w.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&w);
    jpeg_set_quality(&w, 75, TRUE);
    jpeg_start_compress(&w, TRUE);
    theData = cairo_image_surface_get_data(theThumb);
    while (w.next_scanline < w.image_height) {
        JSAMPROW theRow = theData + (size_t)w.next_scanline * (size_t)cairo_image_surface_get_stride(theThumb);
        jpeg_write_scanlines(&w, &theRow, 1);
    }
    jpeg_finish_compress(&w);
    jpeg_destroy_compress(&w);
    if (outThumb != NULL)
        *outThumb = theThumb;
    else
        cairo_surface_destroy(theThumb);
}

static void ThumbCase(int inRepetitions, const char* inPhoto, const char* inImages)
{
    FILE* theFile = fopen(inPhoto, "rb");
    if (theFile == NULL)
        return;
    static unsigned char theJpeg[1 << 22];
    const size_t theSize = fread(theJpeg, 1, sizeof theJpeg, theFile);
    fclose(theFile);
    PangoFontDescription* theFont = pango_font_description_from_string("DejaVu Sans");
    pango_font_description_set_absolute_size(theFont, kThumbCaptionPixels * PANGO_SCALE);
    unsigned char* theOut = NULL;
    unsigned long theOutSize = 0;
    double theTimes[64];
    const int theCount = inRepetitions < 64 ? inRepetitions : 64;
    DrawThumb(theJpeg, theSize, theFont, &theOut, &theOutSize, NULL);
    for (int r = 0; r < theCount; ++r) {
        const double theStart = Now();
        for (int i = 0; i < kGifDrawings; ++i) {
            free(theOut);
            theOut = NULL;
            theOutSize = 0;
            DrawThumb(theJpeg, theSize, theFont, &theOut, &theOutSize, NULL);
        }
        theTimes[r] = (Now() - theStart) / kGifDrawings;
    }
    qsort(theTimes, (size_t)theCount, sizeof *theTimes, CompareDoubles);
    printf("thumb %.3f %lu\n", theTimes[theCount / 2], theOutSize);
    if (inImages != NULL) {
        cairo_surface_t* theThumb = NULL;
        DrawThumb(theJpeg, theSize, theFont, &theOut, &theOutSize, &theThumb);
        char thePath[4096];
        snprintf(thePath, sizeof thePath, "%s/cairo-thumb.png", inImages);
        cairo_surface_write_to_png(theThumb, thePath);
        cairo_surface_destroy(theThumb);
    }
    free(theOut);
    pango_font_description_free(theFont);
}

/* The paragraph as a page would have Pango draw it: a new layout each time,
 * wrapped at words and centred in the box, on a white ground. */
static void TextCase(int inRepetitions, const char* inImages)
{
    static char theParagraph[2048];
    SceneParagraph(theParagraph, sizeof theParagraph);
    cairo_surface_t* theSurface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kTextWidth, kTextHeight);
    cairo_t* c = cairo_create(theSurface);
    PangoFontDescription* theFont = pango_font_description_from_string("DejaVu Sans");
    pango_font_description_set_absolute_size(theFont, kTextPixels * PANGO_SCALE);
    double theTimes[64];
    const int theCount = inRepetitions < 64 ? inRepetitions : 64;
    for (int r = 0; r < theCount; ++r) {
        const double theStart = Now();
        for (int i = 0; i < kTextDrawings; ++i) {
            cairo_set_source_rgb(c, 1, 1, 1);
            cairo_paint(c);
            cairo_set_source_rgb(c, 0, 0, 0);
            cairo_move_to(c, 0, 0);
            PangoLayout* theLayout = pango_cairo_create_layout(c);
            pango_layout_set_font_description(theLayout, theFont);
            pango_layout_set_width(theLayout, kTextWidth * PANGO_SCALE);
            pango_layout_set_height(theLayout, kTextHeight * PANGO_SCALE);
            pango_layout_set_wrap(theLayout, PANGO_WRAP_WORD);
            pango_layout_set_alignment(theLayout, PANGO_ALIGN_CENTER);
            pango_layout_set_text(theLayout, theParagraph, -1);
            pango_cairo_show_layout(c, theLayout);
            g_object_unref(theLayout);
        }
        theTimes[r] = (Now() - theStart) / kTextDrawings;
    }
    qsort(theTimes, (size_t)theCount, sizeof *theTimes, CompareDoubles);
    printf("text %.3f\n", theTimes[theCount / 2]);
    if (inImages != NULL) {
        char thePath[4096];
        snprintf(thePath, sizeof thePath, "%s/cairo-text.png", inImages);
        cairo_surface_write_to_png(theSurface, thePath);
    }
    pango_font_description_free(theFont);
    cairo_destroy(c);
    cairo_surface_destroy(theSurface);
}

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "--photo") == 0)
        return WritePhoto(argv[2]);
    const int theRepetitions = argc > 1 && atoi(argv[1]) > 0 ? atoi(argv[1]) : 5;
    static SceneShape theShapes[2 * kSceneShapes];
    SceneShapes(theShapes);
    cairo_surface_t* theSurface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSceneWidth, kSceneHeight);
    cairo_t* theCairo = cairo_create(theSurface);
    cairo_set_antialias(theCairo, CAIRO_ANTIALIAS_DEFAULT);
    DrawShapes(theCairo, theShapes);
    double theTimes[64];
    const int theCount = theRepetitions < 64 ? theRepetitions : 64;
    for (int r = 0; r < theCount; ++r) {
        const double theStart = Now();
        for (int i = 0; i < kShapeDrawings; ++i)
            DrawShapes(theCairo, theShapes);
        theTimes[r] = (Now() - theStart) / kShapeDrawings;
    }
    qsort(theTimes, (size_t)theCount, sizeof *theTimes, CompareDoubles);
    printf("aashapes %.3f\n", theTimes[theCount / 2]);
    const char* theImages = argc > 3 ? argv[3] : NULL;
    if (theImages != NULL) {
        char thePath[4096];
        snprintf(thePath, sizeof thePath, "%s/cairo-aashapes.png", theImages);
        cairo_surface_write_to_png(theSurface, thePath);
    }
    cairo_destroy(theCairo);
    cairo_surface_destroy(theSurface);
    TextCase(theRepetitions, theImages);
    WebCases(theRepetitions, theImages);
    if (argc > 2)
        ThumbCase(theRepetitions, argv[2], theImages);
    return 0;
}
